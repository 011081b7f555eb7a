#include "instruments/uQXClasses.h"

#include "instruments/uQXAnalogDisp.h"
#include "instruments/uQXBargraph.h"
#include "instruments/uQXBeep.h"
#include "instruments/uQXBlinkLED.h"
#include "instruments/uQXBmpButton.h"
#include "instruments/uQXBmpSlider.h"
#include "instruments/uQXBmpSwitch.h"
#include "instruments/uQXButton.h"
#include "instruments/uQXClock.h"
#include "instruments/uQXConsole.h"
#include "instruments/uQXFileRec.h"
#include "instruments/uQXInOut.h"
#include "instruments/uQXLUT.h"
#include "instruments/uQXMultiLED.h"
#include "instruments/uQXNumericDisp.h"
#include "instruments/uQXNumericOut.h"
#include "instruments/uQXPicture.h"
#include "instruments/uQXRemoteLabel.h"
#include "instruments/uQXStringSend.h"
#include "instruments/uQXSwitch.h"
#include "instruments/uQXTimeChart.h"
#include "instruments/uQXTrayIcon.h"
#include "instruments/uQXXYChart.h"
#include "instruments/uQXled.h"

namespace qx {

namespace {
template <class C>
TElementClass ClassOf(const char* setName) {
  TElementClass c;
  c.SetName = setName;
  c.Type = typeid(C);
  c.ElemCreate = [] { return static_cast<TQXElement*>(C::ElemCreate()); };
  c.InitFileSet = [](TFLSetList& sets) { C::InitFileSet(sets); };
  // A class without a listing yet shows none.
  if constexpr (requires { C::InitListing(); }) c.InitListing = [] { C::InitListing(); };
  return c;
}
}  // namespace

void RegisterElementClasses() {
  TQXElement::RegisterClass(ClassOf<TQXAnalogDisp>("QXANALOGDISP"));
  TQXElement::RegisterClass(ClassOf<TQXNumericDisp>("QXNUMERICDISP"));
  TQXElement::RegisterClass(ClassOf<TQXTimeChart>("QXTIMECHART"));
  TQXElement::RegisterClass(ClassOf<TQXXYChart>("QXXYCHART"));
  TQXElement::RegisterClass(ClassOf<TQXRemoteLabel>("QXREMOTELABEL"));
  TQXElement::RegisterClass(ClassOf<TQXStringSend>("QXSTRINGSEND"));
  TQXElement::RegisterClass(ClassOf<TQXButton>("QXBUTTON"));
  TQXElement::RegisterClass(ClassOf<TQXled>("QXLED"));
  TQXElement::RegisterClass(ClassOf<TQXBlinkLED>("QXBLINKLED"));
  TQXElement::RegisterClass(ClassOf<TQXFileRec>("QXFILEREC"));
  TQXElement::RegisterClass(ClassOf<TQXPicture>("QXPICTURE"));
  TQXElement::RegisterClass(ClassOf<TQXSwitch>("QXSWITCH"));
  TQXElement::RegisterClass(ClassOf<TQXInOut>("QXINOUT"));
  TQXElement::RegisterClass(ClassOf<TQXBargraph>("QXBarGraph"));
  TQXElement::RegisterClass(ClassOf<TQXNumericOut>("QXNUMERICOUT"));
  TQXElement::RegisterClass(ClassOf<TQXClock>("QXCLOCK"));
  TQXElement::RegisterClass(ClassOf<TQXBeep>("QXBEEP"));
  TQXElement::RegisterClass(ClassOf<TQXMultiLED>("QXMultiLED"));
  TQXElement::RegisterClass(ClassOf<TQXLUT>("QXLUT"));
  TQXElement::RegisterClass(ClassOf<TQXBmpButton>("QXBMPBUTTON"));
  TQXElement::RegisterClass(ClassOf<TQXBmpSwitch>("QXBmpSwitch"));
  TQXElement::RegisterClass(ClassOf<TQXBmpSlider>("QXBmpSlider"));
  TQXElement::RegisterClass(ClassOf<TQXTrayIcon>("QXTrayIcon"));
  TQXElement::RegisterClass(ClassOf<TQXConsole>("QXCONSOLE"));
}

}  // namespace qx
