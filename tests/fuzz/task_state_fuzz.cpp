// The task state decoder on any bytes: it never reads past the input, and
// what it accepts encodes back to the bytes it used.
#include <cstdlib>
#include <cstring>
#include <string>

#include "core/error_report.h"
#include "core/quit.h"
#include "script/project.h"
#include "script/task.h"
#include "script/task_state.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    static char a[] = "main.kvs", b[] = "s";
    static char *names[] = {a, b};
    g_script_names = names;
    g_script_count = 2;
    reset_error_reports();
    g_error_shown = 1;
    g_quit_flag = 0;
    // An exact-size copy: any read past the end is caught by ASan.
    char *text = (char *)std::malloc(size ? size : 1);
    std::memcpy(text, data, size);
    ScriptTask *t = script_task_create();
    int used = task_state_decode_bytes(text, size, t);
    if (used > 0) {
        static char again[KV_STATE_MAX + 1];
        int n = task_state_encode(again, t);
        // Equal but for the name length field, which may have asked for
        // more than the 262 bytes that were taken.
        size_t name = std::strlen(names[t->file_number]);
        size_t field = (size_t)n - name - 8;
        if (n != used || std::memcmp(again, text, field) != 0 ||
            std::memcmp(again + field + 8, text + field + 8, name) != 0)
            std::abort();
    }
    script_task_free(t);
    std::free(text);
    return 0;
}
