// The element classes in their fixed registry order.
#pragma once

namespace qx {

// Registers every element class (start-up, before InitListings/InitFileSets).
void RegisterElementClasses();

}  // namespace qx
