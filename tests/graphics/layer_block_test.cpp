// The stored layer block: every field at its offset and width, reference
// slots and reserved bytes zero, and a store-read-store round trip.
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <set>
#include <vector>

#include "graphics/layer.h"

namespace {

struct Field {
    int offset, size;
    uint64_t value;
};

uint64_t bytes_at(const uint8_t *b, int off, int n)
{
    uint64_t v = 0;
    for (int i = 0; i < n; i++)
        v |= (uint64_t)b[off + i] << (8 * i);
    return v;
}

uint32_t bits(float f)
{
    uint32_t u;
    std::memcpy(&u, &f, 4);
    return u;
}

LayerState *filled_record()
{
    LayerState *s = layer_state_new();
    s->window_root = 1;
    s->message_window = 1;
    s->mark_count = 0xA1B2C3D4u;
    s->acc = LayerRect{-1, 2, -3, 4};
    s->dirty = LayerRect{5, -6, 7, -8};
    s->dirty_flag = 1;
    s->whole_image = 1;
    s->needs_redraw = 1;
    s->composed = 1;
    std::strcpy(s->rule_mask_name, "mask");
    s->ref_count = 3;
    s->user_value = -1234567890123LL;
    s->x = -70000;
    s->y = 80000;
    s->width = 2;
    s->height = 3;
    s->opacity = 200;
    s->rule_progress = 100;
    s->rule_softness = -5;
    s->has_alpha = 1;
    s->blend_mode = -56;
    s->visible = 1;
    s->pending_visible = 1;
    s->pending_visible_flag = 1;
    s->pending_opacity = 77;
    s->pending_opacity_flag = 1;
    s->pixels = alloc_pixels(nullptr, 2, 3, nullptr);
    s->resample_flag = 1;
    s->tile_reduce = 2;
    s->tiles_across = 31;
    s->tiles_down = 30;
    s->tile_max_width = 512;
    s->tile_max_height = 256;
    for (int i = 0; i < 32; i++) {
        s->tile_widths[i] = 1000 + i;
        s->tile_heights[i] = -(2000 + i);
    }
    s->stored_a = 11;
    s->stored_b = -12;
    s->stored_c = (int64_t)1 << 40;
    s->stored_d = INT64_MIN;
    s->texture_value1 = 0x123456789LL;
    s->texture_value2 = -2;
    s->stored_e = 1.5f;
    s->stored_f = -2.25f;
    s->stored_g = 1e20f;
    s->stored_h = 256;
    s->stored_colour = 0x1000000;
    s->stored_byte = 0xEE;
    std::strcpy(s->second_name, "two");
    s->stored_i = 255;
    s->tiles[0] = s;   // any non-null reference
    s->tiles[255] = s;
    return s;
}

std::vector<Field> expected_fields()
{
    std::vector<Field> f = {
        {0, 1, 1}, {1, 1, 1}, {4, 4, 0xA1B2C3D4u},
        {8, 8, (uint64_t)-1}, {16, 8, 2}, {24, 8, (uint64_t)-3}, {32, 8, 4},
        {40, 8, 5}, {48, 8, (uint64_t)-6}, {56, 8, 7}, {64, 8, (uint64_t)-8},
        {72, 1, 1}, {73, 1, 1}, {74, 1, 1}, {75, 1, 1},
        {80, 8, 3}, {88, 8, (uint64_t)-1234567890123LL}, {96, 8, (uint64_t)-70000},
        {104, 8, 80000}, {112, 4, 2}, {116, 4, 3}, {120, 2, 200}, {122, 2, 100},
        {124, 2, 0xFFFB}, {126, 1, 1}, {127, 1, 0xC8}, {129, 1, 1}, {130, 1, 1},
        {131, 1, 1}, {132, 2, 77}, {134, 1, 1}, {153, 1, 1},
        {161, 1, 2}, {162, 1, 31}, {163, 1, 30}, {164, 4, 512}, {168, 4, 256},
        {432, 8, 11}, {440, 8, (uint64_t)-12}, {448, 8, (uint64_t)1 << 40},
        {456, 8, (uint64_t)INT64_MIN}, {464, 8, 0x123456789ULL}, {472, 8, (uint64_t)-2},
        {480, 4, bits(1.5f)}, {484, 4, bits(-2.25f)}, {488, 4, bits(1e20f)},
        {492, 4, 256}, {496, 4, 0x1000000}, {500, 1, 0xEE}, {508, 2, 255},
    };
    for (int i = 0; i < 32; i++) {
        f.push_back({172 + 4 * i, 4, (uint64_t)(1000 + i)});
        f.push_back({300 + 4 * i, 4, (uint32_t)-(2000 + i)});
    }
    return f;
}

void free_record(LayerState *s)
{
    s->tiles[0] = s->tiles[255] = nullptr;
    layer_state_release_buffers(s);
    std::free(s);
}

}  // namespace

TEST(LayerBlock, EveryFieldAtItsOffsetAndEveryOtherByteZero)
{
    LayerState *s = filled_record();
    uint8_t block[KV_LAYER_BLOCK_SIZE];
    std::memset(block, 0xCC, sizeof block);
    layer_state_store(s, block);
    std::set<int> covered;
    for (const Field &f : expected_fields()) {
        EXPECT_EQ(bytes_at(block, f.offset, f.size), f.value) << "offset " << f.offset;
        for (int i = 0; i < f.size; i++)
            covered.insert(f.offset + i);
    }
    // Reference slots (names, pixels, GIF table, tiles) and reserved bytes.
    for (int i = 0; i < KV_LAYER_BLOCK_SIZE; i++) {
        if (!covered.count(i)) {
            EXPECT_EQ(block[i], 0) << "byte " << i;
        }
    }
    free_record(s);
}

TEST(LayerBlock, ReadBackStoresTheSameBlockAndKeepsOwnership)
{
    LayerState *s = filled_record();
    uint8_t block[KV_LAYER_BLOCK_SIZE], again[KV_LAYER_BLOCK_SIZE];
    layer_state_store(s, block);
    LayerState *t = layer_state_new();
    layer_state_read(t, block);
    EXPECT_EQ(t->ref_count, 1u);          // owners are not taken from a block
    EXPECT_EQ(t->window_root, 0);
    EXPECT_EQ(t->message_window, 0);
    EXPECT_EQ(t->pixels, nullptr);        // nor buffers
    EXPECT_STREQ(t->rule_mask_name, "");
    t->ref_count = s->ref_count;
    t->window_root = s->window_root;
    t->message_window = s->message_window;
    layer_state_store(t, again);
    EXPECT_EQ(std::memcmp(block, again, sizeof block), 0);
    free_record(s);
    layer_state_release_buffers(t);
    std::free(t);
}

TEST(LayerBlock, NewRecordDefaults)
{
    LayerState *s = layer_state_new();
    uint8_t block[KV_LAYER_BLOCK_SIZE];
    layer_state_store(s, block);
    const Field defaults[] = {{80, 8, 1},   {112, 4, 1}, {116, 4, 1},    {120, 2, 256},
                              {122, 2, 256}, {129, 1, 1}, {492, 4, 128}, {496, 4, 0x808080}};
    int nonzero = 0;
    for (uint8_t b : block)
        nonzero += b != 0;
    for (const Field &f : defaults)
        EXPECT_EQ(bytes_at(block, f.offset, f.size), f.value) << f.offset;
    EXPECT_EQ(nonzero, 10);   // the bytes of the defaults above, nothing else
    layer_state_release_buffers(s);
    std::free(s);
}
