#include "instruments/uQXClasses.h"

#include "instruments/uQXButton.h"
#include "instruments/uQXNumericDisp.h"
#include "instruments/uQXRemoteLabel.h"

namespace qx {

namespace {
template <class C>
TElementClass ClassOf(const char* setName) {
  TElementClass c;
  c.SetName = setName;
  c.ElemCreate = [] { return static_cast<TQXElement*>(C::ElemCreate()); };
  c.InitFileSet = [](TFLSetList& sets) { C::InitFileSet(sets); };
  return c;
}
}  // namespace

void RegisterElementClasses() {
  TQXElement::RegisterClass(ClassOf<TQXNumericDisp>("QXNUMERICDISP"));
  TQXElement::RegisterClass(ClassOf<TQXRemoteLabel>("QXREMOTELABEL"));
  TQXElement::RegisterClass(ClassOf<TQXButton>("QXBUTTON"));
}

}  // namespace qx
