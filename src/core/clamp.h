// A 64-bit value (script arguments and sums of them) held to the 32-bit
// range, so that it can be stored in a 32-bit field or reported as an int.
#pragma once

#include <cstdint>

static inline int32_t clamp_int32(int64_t v)
{
    return v > INT32_MAX ? INT32_MAX : v < INT32_MIN ? INT32_MIN : (int32_t)v;
}
