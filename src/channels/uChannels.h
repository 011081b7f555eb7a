// The number of channels, shared by the hub and the formula language.
#pragma once

#include <cstdint>

namespace qx {

inline constexpr int32_t kChannelCount = 1000;  // channels 0..999

}  // namespace qx
