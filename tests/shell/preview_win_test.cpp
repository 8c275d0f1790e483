// The screen-saver preview on Windows: a child of the given window, of its
// size, painted with the appended bitmap (row padding and a top-down bitmap
// included), ending when the parent goes. A hostile bitmap leaves it black.
#ifdef _WIN32
#include <gtest/gtest.h>
#include <windows.h>

#include <cstdio>
#include <string>
#include <vector>

#include "core/entry.h"
#include "platform/sys_window.h"

namespace {

void put_u32(std::vector<uint8_t> &b, uint32_t v)
{
    for (int i = 0; i < 4; i++)
        b.push_back((uint8_t)(v >> (8 * i)));
}

// An "executable" of 100 bytes, the header, then a w x h bitmap whose
// top-left pixel is red and every other one green.
std::string packed_file(int32_t w, int32_t h, uint16_t bits)
{
    uint32_t stride = ((uint32_t)w * 3 + 3) & ~3u;
    uint32_t rows = (uint32_t)(h < 0 ? -h : h);
    std::vector<uint8_t> bmp = {'B', 'M'};
    put_u32(bmp, 54 + stride * rows);
    put_u32(bmp, 0);
    put_u32(bmp, 54);
    put_u32(bmp, 40);
    put_u32(bmp, (uint32_t)w);
    put_u32(bmp, (uint32_t)h);
    bmp.push_back(1), bmp.push_back(0), bmp.push_back((uint8_t)bits), bmp.push_back(0);
    for (int i = 0; i < 6; i++)
        put_u32(bmp, 0);
    for (uint32_t y = 0; y < rows; y++)
        for (uint32_t x = 0; x < stride; x++) {
            bool top = h < 0 ? y == 0 : y == rows - 1;
            bool pixel = x < (uint32_t)w * 3;
            uint8_t green[3] = {0, 200, 0}, red[3] = {0, 0, 200};
            bmp.push_back(!pixel ? 0 : top && x < 3 ? red[x % 3] : green[x % 3]);
        }
    std::vector<uint8_t> file(100, 0x90);
    for (char c : std::string("KVER"))
        file.push_back((uint8_t)c);
    put_u32(file, 16 + (uint32_t)bmp.size());
    put_u32(file, (uint32_t)bmp.size());
    put_u32(file, 0);
    file.insert(file.end(), bmp.begin(), bmp.end());
    char dir[MAX_PATH];
    GetTempPathA(MAX_PATH, dir);
    std::string path = std::string(dir) + "kv_preview_" + std::to_string(GetCurrentProcessId()) + ".bin";
    FILE *f = std::fopen(path.c_str(), "wb");
    std::fwrite(file.data(), 1, file.size(), f);
    std::fclose(f);
    return path;
}

HWND g_parent;
COLORREF g_seen[2];
RECT g_child_rect;

// Runs inside the preview's loop: reads the child, then closes the parent.
void CALLBACK look_and_close(HWND, UINT, UINT_PTR id, DWORD)
{
    KillTimer(nullptr, id);
    HWND child = FindWindowExA(g_parent, nullptr, "KAVRENScreenSaver", nullptr);
    if (child) {
        GetClientRect(child, &g_child_rect);
        UpdateWindow(child);
        HDC dc = GetDC(child);
        g_seen[0] = GetPixel(dc, 0, 0);
        g_seen[1] = GetPixel(dc, 3, 2);
        ReleaseDC(child, dc);
    }
    DestroyWindow(g_parent);
}

struct PreviewRun {
    int result;
    COLORREF top_left, inside;
    RECT child;
};

PreviewRun run_preview(int32_t w, int32_t h, uint16_t bits)
{
    std::string path = packed_file(w, h, bits);
    std::snprintf(g_exe_path, sizeof g_exe_path, "%s", path.c_str());
    g_res_offset = 100;
    g_parent = CreateWindowExA(0, "STATIC", "parent", WS_POPUP | WS_VISIBLE, 10, 10, 160, 90,
                               nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
    EXPECT_NE(g_parent, nullptr);
    g_seen[0] = g_seen[1] = CLR_INVALID;
    g_child_rect = {};
    SetTimer(nullptr, 0, 300, look_and_close);
    PreviewRun r;
    r.result = sys_preview_run((uint64_t)(uintptr_t)g_parent);
    r.top_left = g_seen[0];
    r.inside = g_seen[1];
    r.child = g_child_rect;
    DeleteFileA(path.c_str());
    return r;
}

}  // namespace

TEST(PreviewWindow, ChildOfTheParentShowsTheBitmap)
{
    const int32_t heights[] = {6, -6};   // bottom-up and top-down
    for (int32_t h : heights) {
        PreviewRun r = run_preview(5, h, 24);   // rows of 15 bytes padded to 16
        EXPECT_EQ(r.result, 0);
        EXPECT_EQ(r.child.right, 160);
        EXPECT_EQ(r.child.bottom, 90);
        EXPECT_EQ(r.top_left, RGB(200, 0, 0)) << h;
        EXPECT_EQ(r.inside, RGB(0, 200, 0)) << h;
    }
}

TEST(PreviewWindow, HostileBitmapStaysBlack)
{
    PreviewRun r = run_preview(5, 6, 32);
    EXPECT_EQ(r.result, 0);
    EXPECT_EQ(r.inside, RGB(0, 0, 0));
}

TEST(PreviewWindow, NoWindowNoLoop)
{
    EXPECT_EQ(sys_preview_run(0), 1);
    EXPECT_EQ(sys_preview_run(0x7FFF0001), 1);
}
#endif
