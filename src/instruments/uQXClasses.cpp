#include "instruments/uQXClasses.h"

#include "instruments/uQXAnalogDisp.h"
#include "instruments/uQXBargraph.h"
#include "instruments/uQXBeep.h"
#include "instruments/uQXBlinkLED.h"
#include "instruments/uQXButton.h"
#include "instruments/uQXMultiLED.h"
#include "instruments/uQXNumericDisp.h"
#include "instruments/uQXPicture.h"
#include "instruments/uQXRemoteLabel.h"
#include "instruments/uQXled.h"

namespace qx {

namespace {
template <class C>
TElementClass ClassOf(const char* setName) {
  TElementClass c;
  c.SetName = setName;
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
  TQXElement::RegisterClass(ClassOf<TQXRemoteLabel>("QXREMOTELABEL"));
  TQXElement::RegisterClass(ClassOf<TQXButton>("QXBUTTON"));
  TQXElement::RegisterClass(ClassOf<TQXled>("QXLED"));
  TQXElement::RegisterClass(ClassOf<TQXBlinkLED>("QXBLINKLED"));
  TQXElement::RegisterClass(ClassOf<TQXPicture>("QXPICTURE"));
  TQXElement::RegisterClass(ClassOf<TQXBargraph>("QXBarGraph"));
  TQXElement::RegisterClass(ClassOf<TQXBeep>("QXBEEP"));
  TQXElement::RegisterClass(ClassOf<TQXMultiLED>("QXMultiLED"));
}

}  // namespace qx
