// The task commands (77-80, handlers in commands.h) and their order-key rule.
#pragma once

#include "core/kv_base.h"

// Applies order-key operator op (0 set, 1 add, 2 subtract, 3 multiply,
// 4 divide) with value v to key. Wrapping 64-bit arithmetic; a divisor of 0
// (and INT64_MIN / -1) leaves the key; results of 2-4 below 1 become 1.
int64_t task_order_apply(int64_t key, uint32_t op, int64_t v);
