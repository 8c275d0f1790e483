// Save files on any bytes: the slot loader into variables of every type and
// into an image, and the writer's append or rewrite over the same file.
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "core/error_report.h"
#include "core/quit.h"
#include "script/save.h"
#include "script/vars.h"

static int fake_replace(TreeNode *, const char *, int32_t w, int32_t h, const uint8_t *pixels)
{
    // The loader promised 4 x w x h readable pixel bytes.
    volatile uint8_t sum = 0;
    for (size_t k = 0; k < (size_t)4 * w * h; k += 4093)
        sum = (uint8_t)(sum + pixels[k]);
    (void)sum;
    return 0;
}

static void define(uint32_t id, uint8_t type, uint8_t dims, uint32_t a, uint32_t b)
{
    VarDescriptor *v = var_descriptor(id);
    v->dim_count = dims;
    v->dims[0] = a;
    v->dims[1] = b;
    if (type == VAR_TYPE_INT)
        var_init_int(id, 0);
    else if (type == VAR_TYPE_FLOAT)
        var_init_float(id, 0.0);
    else
        var_init_string(id, "", 0);
}

static void setup_vars(void)
{
    var_table_alloc(1010);
    define(1000, VAR_TYPE_INT, 1, 4, 0);
    define(1001, VAR_TYPE_FLOAT, 2, 2, 3);
    define(1002, VAR_TYPE_STRING, 1, 4, 0);
    define(1003, VAR_TYPE_INT, 0, 0, 0);
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    static std::string path;
    if (path.empty()) {
        path = "/tmp/kv-save-fuzz-" + std::to_string(getpid()) + ".sd";
        g_save_layer_hooks.image_replace = fake_replace;
        setup_vars();
    }
    reset_error_reports();
    g_error_shown = 1;
    g_quit_flag = 0;
    FILE *f = std::fopen(path.c_str(), "wb");
    if (!f)
        return 0;
    std::fwrite(data, 1, size, f);
    std::fclose(f);
    for (int slot = 1; slot <= 4; slot++) {
        uint8_t kind;
        uint8_t *body;
        uint32_t n;
        g_quit_flag = 0;
        if (save_file_read_slot(path.c_str(), slot, &kind, &body, &n) != 0)
            continue;
        for (uint32_t id = 1000; id <= 1003; id++) {
            g_quit_flag = 0;
            save_load_variable(body, n, id, slot - 1, slot & 1);
        }
        g_quit_flag = 0;
        save_load_image(body, n, nullptr, "L");
        std::free(body);
    }
    // Slot 2 cached: the file is appended to or rewritten.
    g_quit_flag = 0;
    if (save_record_build(1, 0, 1000, 0, 1, nullptr, save_record_size(1, 0, 1000, 0, 1, nullptr)) == 0)
        save_file_write(path.c_str());
    save_cache_free(-1);
    std::remove(path.c_str());
    std::remove((path + ".tmp").c_str());
    return 0;
}
