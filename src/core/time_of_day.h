#pragma once

#include <cstdint>

// The time of day in milliseconds since local midnight: the time stamps of sweeps
// and of recorded samples. It starts again at 0 at midnight.
std::int32_t TimeOfDayMs();
