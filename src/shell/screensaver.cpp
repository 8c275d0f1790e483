// Screen-saver switches, the information box and the appended preview
// bitmap; the preview window itself is the platform's.
#include "shell/screensaver.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "core/byte_order.h"
#include "core/entry.h"
#include "core/error_report.h"
#include "platform/sys_files.h"
#include "platform/sys_shell.h"
#include "platform/sys_window.h"

static bool is_switch(const char *arg, char letter)
{
    return (arg[0] == '/' || arg[0] == '-') && (arg[1] | 0x20) == letter;
}

ScreensaverAction classify_screensaver_args(int argc, char **argv, uint64_t *parent)
{
    int args = argc - 1;
    if (args == 0)
        return KV_SS_ABOUT;
    const char *first = argv[1];
    if (args == 2 && std::strlen(first) >= 2 && is_switch(first, 'p')) {
        *parent = std::strtoull(argv[2], nullptr, 10);
        return KV_SS_PREVIEW;
    }
    if (args == 2 && is_switch(first, 'a'))
        return KV_SS_PASSWORD;
    if (args == 1 && is_switch(first, 'c'))
        return KV_SS_ABOUT;
    return KV_SS_RUN;
}

int run_screensaver_mode()
{
    int argc = 0;
    char **argv = nullptr;
    sys_command_words(&argc, &argv);
    uint64_t parent = 0;
    switch (classify_screensaver_args(argc, argv, &parent)) {
    case KV_SS_PREVIEW:
        sys_preview_run(parent);
        return -1;
    case KV_SS_PASSWORD:
        return -1;
    case KV_SS_ABOUT:
        message_box_printf("情報", "スクリーンセーバー\n\nVersion 1.00");
        return -1;
    case KV_SS_RUN:
        break;
    }
    return 0;
}

int parse_preview_bitmap(const uint8_t *bytes, size_t size, PreviewImage *out)
{
    if (size < 54 || bytes[0] != 'B' || bytes[1] != 'M')
        return -1;
    uint32_t offset = get_le32(bytes + 10);
    uint32_t header = get_le32(bytes + 14);
    int32_t width = (int32_t)get_le32(bytes + 18);
    int32_t height = (int32_t)get_le32(bytes + 22);
    uint16_t bits = get_le16(bytes + 28);
    uint32_t compression = get_le32(bytes + 30);
    if (header < 40 || 14 + (uint64_t)header > size || bits != 24 || compression != 0)
        return -1;
    if (width <= 0 || height == 0 || height == INT32_MIN)
        return -1;
    uint64_t stride = ((uint64_t)width * 3 + 3) & ~(uint64_t)3;
    uint64_t rows = (uint64_t)(height < 0 ? -(int64_t)height : height);
    if (offset < 14 + (uint64_t)header || offset > size || stride * rows > size - offset)
        return -1;
    out->width = width;
    out->height = height;
    out->stride = (uint32_t)stride;
    out->pixels = bytes + offset;
    return 0;
}

uint8_t *load_preview_bitmap(uint32_t *size)
{
    *size = 0;
    FILE *f = sys_fopen(g_exe_path, "rb");
    if (!f)
        return nullptr;
    uint8_t field[4];
    uint8_t *bytes = nullptr;
    int64_t end = sys_fseek64(f, 0, SEEK_END) == 0 ? sys_ftell64(f) : -1;
    if (g_res_offset && sys_fseek64(f, (int64_t)g_res_offset + 8, SEEK_SET) == 0 &&
        std::fread(field, 1, 4, f) == 4) {
        uint32_t s = get_le32(field);
        if (s >= 54 && (uint64_t)g_res_offset + 16 + s <= (uint64_t)end &&
            sys_fseek64(f, (int64_t)g_res_offset + 16, SEEK_SET) == 0) {
            bytes = (uint8_t *)std::malloc(s);
            if (bytes && std::fread(bytes, 1, s, f) == s) {
                *size = s;
            } else {
                std::free(bytes);
                bytes = nullptr;
            }
        }
    }
    std::fclose(f);
    return bytes;
}
