#pragma once

#include <cstdint>

namespace tamu {

// Waits take their limit in milliseconds; this value waits without limit.
inline constexpr uint32_t infiniteTimeout = 0xFFFFFFFFu;

} // namespace tamu
