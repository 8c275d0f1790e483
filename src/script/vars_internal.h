// Shared by the files of the variable store (not for other modules).
#pragma once

#include "script/vars.h"

struct VarInitValue {
    int64_t i;          // type 1
    double d;           // type 2
    const char *text;   // type 3
    uint32_t length;
};

// Element count of the dimensions: 0 with *count set, or -1 after 101100
// (above 4,000,000, tested after each multiplication) or 101110 (zero).
int var_element_count(uint8_t dim_count, const uint32_t *dims, int64_t *count);

// Defines variable id with the type, dimensions and fill value: everything is
// checked and allocated first, then the old values are released. 0, or -1
// after a report (the variable is then unchanged).
int var_define(uint32_t id, uint8_t type, uint8_t dim_count, const uint32_t *dims,
               const VarInitValue *value);

// The expression of argument record `rec` of the running instruction: code
// and length, checked against the task's expression section. 0, or -1 when
// the record points outside it (reported).
struct ArgRecord;
int var_arg_code(const ArgRecord *rec, const uint8_t **code, uint32_t *length);
