// layer_reference FOLDER OUT [READY-VAR]: the native reference of the layer
// end-to-end tests. Starts the engine on the stand-in platform in FOLDER
// (which holds a packed generated project), runs frames until the integer
// variable READY-VAR (default 1000) is non-zero, then two more, since pending
// opacity and visibility come in at the next frame, and writes window 0's
// root layer to OUT as raw pixels (B, G, R, A, rows top-down); prints "W H".
// The test then compares what kavren.exe shows under Wine with it.
// Exit codes: 0 written; 1 failure (the report's code and text on stderr);
// 77 this engine has no layer command yet.
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "core/error_report.h"
#include "core/quit.h"
#include "core/tree.h"
#include "core/window.h"
#include "graphics/layer.h"
#include "script/scheduler.h"
#include "script/vars.h"
#include "shell/main_loop.h"
#include "shell/startup.h"

namespace {

// Frames run at the engine's own pace (60 a second): a minute at most.
enum { EXIT_FAILED = 1, EXIT_NOT_BUILT = 77, MAX_FRAMES = 3600, UNDEFINED_COMMAND = 900050 };

// The engine's threads are ended and joined before the program ends.
int finish(int code)
{
    app_shutdown();
    return code;
}

int failed(const char *what)
{
    std::fprintf(stderr, "layer_reference: %s (report %u: %s)\n", what, g_last_error_code, g_error_text);
    return finish(g_last_error_code == UNDEFINED_COMMAND ? EXIT_NOT_BUILT : EXIT_FAILED);
}

TreeNode *root_layer()
{
    WindowObject *w0 = g_windows[0];
    if (w0 && w0->root_layer)
        return w0->root_layer;
    for (TreeNode *c = g_layer_tree ? g_layer_tree->first_child : nullptr; c; c = c->next)
        if (c->is_folder && c->name && std::strcmp(c->name, "W0") == 0)
            return c;
    return nullptr;
}

int write_pixels(const char *out, const LayerState *s)
{
    FILE *f = std::fopen(out, "wb");
    if (!f)
        return -1;
    size_t n = (size_t)s->width * 4 * (size_t)s->height;
    size_t done = std::fwrite(s->pixels, 1, n, f);
    return std::fclose(f) == 0 && done == n ? 0 : -1;
}

}  // namespace

int main(int argc, char **argv)
{
    if (argc < 3) {
        std::fprintf(stderr, "usage: layer_reference FOLDER OUT [READY-VAR]\n");
        return 2;
    }
    uint32_t ready = argc > 3 ? (uint32_t)std::strtoul(argv[3], nullptr, 0) : 1000;
    const char *out = argv[2];
    if (out[0] != '/') {
        std::fprintf(stderr, "layer_reference: OUT must be an absolute path\n");
        return 2;
    }
    if (chdir(argv[1]) != 0) {
        std::perror(argv[1]);
        return EXIT_FAILED;
    }
    if (engine_startup() != 0)
        return failed("start-up failed");
    g_run_inactive = 1;
    int frames = 0, after = -1;
    while (after < 2) {
        if (run_frame() != 0 || g_quit_flag)
            return failed("the run ended");
        if (++frames > MAX_FRAMES)
            return failed("the project never set its ready variable");
        if (after >= 0 || var_get_int(ready, 0) != 0)
            after++;
    }
    TreeNode *root = root_layer();
    const LayerState *s = root ? (const LayerState *)root->payload : nullptr;
    if (!s || !s->pixels || s->width < 1 || s->height < 1)
        return failed("window 0 has no root layer with pixels");
    if (write_pixels(out, s) != 0) {
        std::perror(out);
        return finish(EXIT_FAILED);
    }
    std::printf("%d %d\n", s->width, s->height);
    return finish(0);
}
