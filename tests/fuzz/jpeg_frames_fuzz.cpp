// JPEG frame containers on arbitrary bytes: the container check, then every
// frame (at most 16) and its alpha plane decoded into one layer.
#include <cstdlib>
#include <cstring>

#include "core/error_report.h"
#include "core/quit.h"
#include "core/tree.h"
#include "graphics/layer.h"
#include "image/jpeg_frames.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    reset_error_reports();
    g_error_shown = 1;
    g_quit_flag = 0;
    uint8_t *copy = (uint8_t *)std::malloc(size ? size : 1);
    if (!copy)
        return 0;
    if (size)
        std::memcpy(copy, data, size);
    free_jpeg_frames();
    if (!jpeg_frames_parse(copy, size, &g_jpeg_frames)) {
        std::free(copy);
        return 0;
    }
    LayerState *s = layer_state_new();
    TreeNode node;
    std::memset(&node, 0, sizeof node);
    node.payload = s;
    uint32_t n = g_jpeg_frames.count < 16 ? g_jpeg_frames.count : 16;
    for (uint32_t i = 0; s && i < n; i++) {
        decode_jpeg_frame(&node, i);
        if (s->pixels) {
            volatile uint8_t sink = s->pixels[layer_buffer_bytes(s->width, s->height) - 1];
            (void)sink;
        }
    }
    if (s) {
        layer_state_release_buffers(s);
        std::free(s);
    }
    free_jpeg_frames();
    return 0;
}
