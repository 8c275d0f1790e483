// Shared set-up of the project-file fuzz targets: the fuzzed bytes reach the
// loaders as a file handed over in memory (the compiler hand-over list), so
// every loader reads them through the ordinary locate-and-load path.
#pragma once

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <vector>

#include "core/error_report.h"
#include "core/locate.h"
#include "core/pack.h"
#include "core/quit.h"
#include "core/tree.h"
#include "core/window.h"
#include "script/expr.h"
#include "script/project.h"
#include "script/vars.h"
#include "shell/startup.h"

namespace kbnfuzz {

// A script list of five scripts, for the loaders that check script numbers.
inline std::vector<uint8_t> script_list_image()
{
    std::vector<uint8_t> d(12, 0);
    d[8] = 5;
    for (uint8_t n = 0; n < 5; n++) {
        uint8_t rec[29] = {n, 0, 0, 0, 1, 0, 0, 0, (uint8_t)('a' + n)};
        d.insert(d.end(), rec, rec + 29);
    }
    return d;
}

inline LinkedFile g_files[2];

inline void setup_once()
{
    static bool done;
    if (done)
        return;
    done = true;
    g_error_shown = 1;
    init_pack_name_table();
    init_path_special_chars();
    create_window_objects();
    init_expr_op_table(1);
    var_table_alloc(2000);
    static std::vector<uint8_t> list = script_list_image();
    g_files[0] = {"kvbin\\kvt_list.kbn", (uint32_t)list.size(), list.data()};
    g_linked_files = g_files;
    g_linked_file_count = 2;
    load_script_names();
}

// Hands `data` over as `name` (the second hand-over slot).
inline void hand_over(const char *name, const uint8_t *data, size_t size)
{
    g_files[1] = {name, (uint32_t)size, data};
    g_quit_flag = 0;
}

// setup_once, then hands a copy of the fuzzed bytes over as `name`: a heap
// block of exactly their size (so a read past them is caught), kept until the
// next call.
inline void hand_over_copy(const char *name, const uint8_t *data, size_t size)
{
    setup_once();
    static std::unique_ptr<std::vector<uint8_t>> copy;
    copy.reset(new std::vector<uint8_t>(data, data + size));
    hand_over(name, copy->data(), copy->size());
}

}  // namespace kbnfuzz
