// Fonts through GDI: the enumeration of installed faces, and the glyph source
// that draws one character with TextOutA into a slot's 1-bit top-down DIB
// section (0 bits are ink: the cell is filled white and text drawn black).
#include <windows.h>

#include <cstring>

#include "core/window.h"
#include "platform/sys_fonts.h"

namespace {

enum : int { KV_ERR_NO_MEMORY = 100010, KV_ERR_FONT = 102040, SLOTS = 8 };

struct GdiGlyphSlot {
    HFONT font;
    HBITMAP bitmap;
    HDC dc;
    void *bits;
    // BITMAPINFO of a 1-bit DIB with its two-colour table (black, white).
    struct {
        BITMAPINFOHEADER header;
        RGBQUAD colours[2];
    } info;
    LOGFONTA logfont;
};
GdiGlyphSlot s_slots[SLOTS];

struct EnumTarget {
    SysFontFn fn;
    void *user;
};

int CALLBACK enum_face(const LOGFONTA *lf, const TEXTMETRICA *, DWORD, LPARAM user)
{
    const ENUMLOGFONTEXA *ex = (const ENUMLOGFONTEXA *)lf;
    EnumTarget *t = (EnumTarget *)user;
    char face[LF_FACESIZE + 1] = {};
    char script[LF_FACESIZE + 1] = {};
    std::memcpy(face, lf->lfFaceName, LF_FACESIZE);
    std::memcpy(script, ex->elfScript, LF_FACESIZE);
    t->fn(t->user, face, script, lf->lfPitchAndFamily & 3);
    return 1;
}

HDC main_window_dc(HWND *hwnd)
{
    *hwnd = (g_windows[0] && g_windows[0]->hwnd) ? (HWND)g_windows[0]->hwnd : nullptr;
    return GetDC(*hwnd);
}

void gdi_release(int slot)
{
    if (slot < 0 || slot >= SLOTS)
        return;
    GdiGlyphSlot &s = s_slots[slot];
    if (s.font)
        DeleteObject(s.font);
    if (s.bitmap)
        DeleteObject(s.bitmap);
    if (s.dc)
        DeleteDC(s.dc);
    s.font = nullptr;
    s.bitmap = nullptr;
    s.dc = nullptr;
    s.bits = nullptr;
}

int gdi_build(int slot, const char *face, int32_t font_height, int bold, int32_t cell, GlyphCell *out)
{
    if (slot < 0 || slot >= SLOTS)
        return KV_ERR_NO_MEMORY;
    gdi_release(slot);
    GdiGlyphSlot &s = s_slots[slot];
    std::memset(&s.info, 0, sizeof s.info);
    s.info.header.biSize = sizeof(BITMAPINFOHEADER);
    s.info.header.biWidth = cell;
    s.info.header.biHeight = -cell;   // top-down
    s.info.header.biPlanes = 1;
    s.info.header.biBitCount = 1;
    s.info.header.biCompression = BI_RGB;
    s.info.colours[1].rgbRed = s.info.colours[1].rgbGreen = s.info.colours[1].rgbBlue = 255;

    HWND hwnd;
    HDC wdc = main_window_dc(&hwnd);
    s.bitmap = CreateDIBSection(wdc, (const BITMAPINFO *)&s.info, DIB_RGB_COLORS, &s.bits, nullptr, 0);
    s.dc = s.bitmap ? CreateCompatibleDC(wdc) : nullptr;
    if (wdc)
        ReleaseDC(hwnd, wdc);
    if (!s.bitmap || !s.dc || !s.bits) {
        gdi_release(slot);
        return KV_ERR_NO_MEMORY;
    }
    std::memset(&s.logfont, 0, sizeof s.logfont);
    s.logfont.lfHeight = font_height;
    s.logfont.lfWeight = bold ? FW_BOLD : FW_NORMAL;
    s.logfont.lfCharSet = DEFAULT_CHARSET;
    std::strncpy(s.logfont.lfFaceName, face ? face : "", LF_FACESIZE - 1);
    s.font = CreateFontIndirectA(&s.logfont);
    if (!s.font) {
        gdi_release(slot);
        return KV_ERR_FONT;
    }
    SetBkMode(s.dc, TRANSPARENT);
    SetTextColor(s.dc, RGB(0, 0, 0));
    *out = GlyphCell{(uint8_t *)s.bits, cell, (int32_t)((int64_t)cell * cell / 8)};
    return 0;
}

void gdi_draw(int slot, const uint8_t *chars, int len)
{
    if (slot < 0 || slot >= SLOTS || !s_slots[slot].dc)
        return;
    GdiGlyphSlot &s = s_slots[slot];
    HGDIOBJ old_bitmap = SelectObject(s.dc, s.bitmap);
    HGDIOBJ old_font = SelectObject(s.dc, s.font);
    TextOutA(s.dc, 0, 0, (const char *)chars, len);
    GdiFlush();
    SelectObject(s.dc, old_font);
    SelectObject(s.dc, old_bitmap);
}

}  // namespace

const GlyphSource g_sys_glyph_source = {gdi_build, gdi_draw, gdi_release};

void sys_enumerate_fonts(SysFontFn fn, void *user)
{
    HDC dc = GetDC(nullptr);
    if (!dc)
        return;
    LOGFONTA lf{};
    lf.lfCharSet = DEFAULT_CHARSET;
    EnumTarget t{fn, user};
    EnumFontFamiliesExA(dc, &lf, (FONTENUMPROCA)enum_face, (LPARAM)&t, 0);
    ReleaseDC(nullptr, dc);
}
