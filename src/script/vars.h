// The variable store: one descriptor per variable id, the element accessors
// every command uses, the declare and assignment commands.
//
// Ids below 1000 are system variables computed on read (sysvars.h); ids from
// 1000 up are user variables with their own storage.
#pragma once

#include "core/kv_base.h"

enum {
    VAR_TYPE_NONE = 0,         // not created
    VAR_TYPE_INT = 1,          // i64 elements
    VAR_TYPE_FLOAT = 2,        // double elements
    VAR_TYPE_STRING = 3,       // heap string elements
    VAR_DIM_MAX = 8,
    VAR_SYSTEM_LIMIT = 1000,   // ids below are system variables
    VAR_STRING_STORE_MAX = 65534   // longest stored string (capacities are u16)
};
static const int64_t VAR_ELEMENT_MAX = 4000000;

enum : uint32_t {
    VAR_ERR_NO_MEMORY = 100010,
    VAR_ERR_TOO_MANY = 101100,     // element count above 4,000,000
    VAR_ERR_NO_ELEMENTS = 101110,  // element count 0 or negative
    VAR_ERR_TYPE = 101140,         // operation does not take this variable's type
    VAR_ERR_READ_ONLY = 101150,    // system variable that cannot be written
    VAR_ERR_BAD_ID = 900070        // kvv.kbn names an id beyond the table
};

struct VarDescriptor {
    uint8_t type;                  // VAR_TYPE_*
    uint8_t dim_count;             // 0 (scalar) .. 8
    uint32_t dims[VAR_DIM_MAX];    // sizes; those beyond dim_count are 0
    int64_t count;                 // element count (1 for a scalar)
    int64_t *ints;                 // type 1
    double *floats;                // type 2
    char **strings;                // type 3: one heap buffer per element
    uint16_t *caps;                // type 3: capacity of each buffer
};

// One descriptor pointer per id 0..g_var_count-1; every descriptor exists,
// zero-filled until created. A created integer variable with elements
// (count > 0) always has its array.
extern VarDescriptor **g_vars;
extern uint32_t g_var_count;
// Changes whenever a descriptor's type, size or arrays change, or the table
// itself: what was found about a variable (and where its elements are) holds
// while the generation is the same.
extern uint64_t g_var_layout_gen;

// Allocates count zero-filled descriptors (releasing any previous table).
// 0, or -1 after a report (100010).
int var_table_alloc(uint32_t count);
// Releases every descriptor, its values and the table.
void var_table_free(void);
// The descriptor of an id, or null when the id is beyond the table.
VarDescriptor *var_descriptor(uint32_t id);
// Releases a descriptor's value arrays (type and dimensions are kept).
void var_release_values(VarDescriptor *v);

// Creates the variables of kvv.kbn (g_var_defs) for script file `file`
// (scope 2), or with -1 the globals (scope 1). 0, or -1 after a report.
int script_file_init_vars(int file);

// Set the type, compute the element count from the dimensions, replace the
// values and fill every element. 0, or -1 after a report.
int var_init_int(uint32_t id, int64_t value);
int var_init_float(uint32_t id, double value);
int var_init_string(uint32_t id, const char *text, uint32_t length);

// --- element accessors (the one place that touches element arrays) ----------
// Readers: an index outside 0..count-1, an id beyond the table or a type that
// does not match gives 0, 0.0 or null. Ids below 1000 read the system
// variables. var_get_int converts a floating element (truncating), and
// var_get_float an integer element.
int64_t var_get_int(uint32_t id, int64_t index);
double var_get_float(uint32_t id, int64_t index);
// The element's text, or null (not a string, or index outside). System
// strings are produced into a buffer that the next call overwrites.
const char *var_get_string(uint32_t id, int64_t index);

// Writers: a variable beyond the table or never created reports 108010; an
// index outside 0..count-1 then does nothing and gives -1; a variable of a
// type the setter does not take reports 101140 (fatal), -1. 0 on success.
int var_set_number(uint32_t id, int64_t index, int64_t value);   // int, float
int var_set_float(uint32_t id, int64_t index, double value);     // float, int (truncated)
int var_set_string(uint32_t id, int64_t index, const char *text, uint32_t length);
int store_string_element(uint32_t id, int64_t index, const char *text);
// The empty answer of a query: "" into a string variable, else 0.
int store_empty_result(uint32_t id, int64_t index);

// Element count := product of the dimension sizes; above 4,000,000 reports
// 101100, zero or less 101110 (both fatal, -1).
int var_check_count(uint32_t id);
// Sets dimension 1 to new_size (checked 1..4,000,000 before anything is
// allocated): the first elements are kept, new ones are 0, 0.0 or empty
// strings. 0, or -1 after a report (100010, 101100, 101110, 101140).
int var_resize(uint32_t id, int64_t new_size);

// --- assignment -------------------------------------------------------------
// Operators 0..8 (= += -= *= /= %= &= |= ^=): row 0 integer, row 1 floating.
// Each does nothing when the index is outside the element array.
typedef void (*AssignIntOp)(VarDescriptor *v, int64_t index, int64_t value);
typedef void (*AssignFloatOp)(VarDescriptor *v, int64_t index, double value);
enum { ASSIGN_OP_COUNT = 9 };
extern AssignIntOp assign_int_ops[ASSIGN_OP_COUNT];
extern AssignFloatOp assign_float_ops[ASSIGN_OP_COUNT];
void init_assign_op_table(void);

// Writes a system variable (id below 1000) from an assignment: integer ones
// take `value`, string ones `text`. 0, or -1 after 101150.
int sysvar_write(uint32_t id, int64_t element, int64_t value, const char *text);

// --- commands ---------------------------------------------------------------
int cmd_declare_int(void);     // 36
int cmd_declare_float(void);   // 20
int cmd_declare_string(void);  // 75
int cmd_assign(void);          // 39
// 39 for instructions whose target has a quick form (chosen at load).
int cmd_assign_quick(void);
int cmd_label_exists(void);    // 38
