// The integer assignment operators on one element, shared by the assignment
// command's operator table and the scheduler's own quick assignments.
#pragma once

#include "core/kv_base.h"

// op: 0 set, 1 add, 2 sub, 3 mul, 4 div, 5 rem, 6 and, 7 or, 8 xor.
// Wrap-around arithmetic; a zero divisor leaves the element unchanged;
// INT64_MIN / -1 stays INT64_MIN and % -1 gives 0.
static inline void assign_int_apply(uint8_t op, int64_t *p, int64_t x)
{
    switch (op) {
    case 0: *p = x; break;
    case 1: *p = (int64_t)((uint64_t)*p + (uint64_t)x); break;
    case 2: *p = (int64_t)((uint64_t)*p - (uint64_t)x); break;
    case 3: *p = (int64_t)((uint64_t)*p * (uint64_t)x); break;
    case 4:
        if (x != 0)
            *p = x == -1 ? (int64_t)(0 - (uint64_t)*p) : *p / x;
        break;
    case 5:
        if (x != 0)
            *p = x == -1 ? 0 : *p % x;
        break;
    case 6: *p &= x; break;
    case 7: *p |= x; break;
    case 8: *p ^= x; break;
    default: break;
    }
}
