// Shared pieces of the text tests: a synthetic glyph source whose cells are
// inked by a test's function, layer records and nodes with pixel buffers, a
// fake font list, and the argument slots filled as a command would see them.
#pragma once

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <initializer_list>
#include <string>
#include <vector>

#include "core/tree.h"
#include "graphics/layer.h"
#include "script/args.h"
#include "text/font_list.h"
#include "text/glyph.h"

namespace texttest {

// Inks cell pixel (x, y) of a cell (0 bit = ink).
inline void ink(GlyphCell *g, int x, int y)
{
    g->bits[(size_t)y * (g->cell / 8) + x / 8] &= (uint8_t)~(0x80 >> (x & 7));
}

// The synthetic source: every draw calls `g_ink_fn` with the slot's cell and
// the character; builds fail with `g_build_error` when it is set.
inline std::function<void(GlyphCell *, const uint8_t *, int)> &ink_fn()
{
    static std::function<void(GlyphCell *, const uint8_t *, int)> fn;
    return fn;
}
inline int &build_error()
{
    static int e;
    return e;
}
inline int &build_count()
{
    static int n;
    return n;
}
inline GlyphCell *cells()
{
    static GlyphCell c[8];
    return c;
}

inline int synth_build(int slot, const char *, int32_t, int, int32_t cell, GlyphCell *out)
{
    build_count()++;
    if (build_error())
        return build_error();
    std::free(cells()[slot].bits);
    size_t n = (size_t)cell * cell / 8;
    cells()[slot] = GlyphCell{(uint8_t *)std::malloc(n), cell, (int32_t)n};
    *out = cells()[slot];
    return 0;
}
inline void synth_draw(int slot, const uint8_t *chars, int len)
{
    if (ink_fn())
        ink_fn()(&cells()[slot], chars, len);
}
inline void synth_release(int slot)
{
    std::free(cells()[slot].bits);
    cells()[slot] = GlyphCell{};
}
inline const GlyphSource *synth_source()
{
    static const GlyphSource s = {synth_build, synth_draw, synth_release};
    return &s;
}

// Installs the source and a font list of the given faces (face, script, pitch).
struct FakeFace {
    const char *face, *script;
    int pitch;
};
inline std::vector<FakeFace> &fake_faces()
{
    static std::vector<FakeFace> f;
    return f;
}
inline void fake_enumerator(SysFontFn fn, void *user)
{
    for (const FakeFace &f : fake_faces())
        fn(user, f.face, f.script, f.pitch);
}
inline void use_fonts(std::initializer_list<FakeFace> faces)
{
    release_font_slots();
    g_glyph_source = synth_source();
    fake_faces() = faces;
    g_font_enumerator = fake_enumerator;
    enumerate_fonts();
}

// A layer record with a w x h buffer filled with `fill`, and a node holding it.
struct TestLayer {
    TreeNode node{};
    LayerState *s;
    TestLayer(int32_t w, int32_t h, uint32_t fill = 0)
    {
        s = layer_state_new();
        s->width = w;
        s->height = h;
        s->pixels = alloc_pixels(nullptr, w, h, nullptr);
        node.payload = s;
        this->fill(fill);
    }
    ~TestLayer()
    {
        layer_state_release_buffers(s);
        std::free(s);
    }
    void fill(uint32_t v)
    {
        for (int64_t i = 0; i < (int64_t)s->width * s->height; i++)
            px()[i] = v;
    }
    uint32_t *px() { return (uint32_t *)s->pixels; }
    uint32_t at(int x, int y) { return px()[(size_t)y * s->width + x]; }
    std::vector<uint32_t> image() { return std::vector<uint32_t>(px(), px() + (size_t)s->width * s->height); }
};

// Argument slots as the loader leaves them: id, number value, operator, or a string.
struct Arg {
    uint32_t id;
    int64_t value;
    uint32_t op;
    const char *str;
};
inline void set_args(std::initializer_list<Arg> args)
{
    std::memset(g_arg_slots.map, 0, sizeof g_arg_slots.map);
    g_arg_slots.count = (uint8_t)args.size();
    uint32_t p = 1;
    for (const Arg &a : args) {
        g_arg_slots.map[a.id] = (uint8_t)p;
        g_arg_slots.id[p] = a.id;
        g_arg_slots.value[p] = a.value;
        g_arg_slots.op[p] = a.op;
        if (!g_arg_slots.str[p])
            g_arg_slots.str[p] = (char *)std::calloc(KV_ARG_STRING_SIZE, 1);
        std::snprintf(g_arg_slots.str[p], KV_ARG_STRING_SIZE, "%s", a.str ? a.str : "");
        g_arg_slots.var_id[p] = (uint32_t)a.value;   // a target variable's id
        g_arg_slots.var_elem[p] = 0;
        p++;
    }
}

}  // namespace texttest
