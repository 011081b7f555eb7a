// Kept apart from CalcFakes.h: the interpreter's header cannot share a unit
// with the hub's.
#include <memory>

#include "formula/UInterpreter.h"

namespace qx::calcfakes {

std::shared_ptr<TInterpreter> MakeInterpreter() {
  return std::make_shared<TInterpreter>();
}

}  // namespace qx::calcfakes
