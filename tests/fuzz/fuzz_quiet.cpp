// Linked into every fuzz program: the stand-in platform prints nothing of
// what it would show (rejected inputs are the common case, and a line each
// would fill a long run's output with reports).
#include "platform/null/output_null.h"

static const bool g_fuzz_quiet = (null_set_quiet(true), true);
