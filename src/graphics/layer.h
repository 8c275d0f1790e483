// Layer records: the payload of every node of the layer tree, its pixel
// buffer, group creation, image loading, release, and the stored form of a
// record (the 1536-byte block that save files keep).
//
// Pixel buffer: 32-bit pixels, bytes B, G, R, A (the little-endian word
// 0xAARRGGBB), rows top-down, pitch width * 4, rows back to back. A buffer
// for w x h pixels holds w*4*h + w*4 + 4 bytes: one spare row and 4 bytes
// more, which row kernels and the bilinear scaler may read; the spare bytes
// are zero. Width and height are 1..8192.
//
// Stored block (little-endian, 1536 bytes; every field not listed is 0):
//     0 u8  window-root flag            1 u8  message-window flag
//     4 u32 mark count
//     8 i64 accumulated rect l,t,r,b (8, 16, 24, 32; inclusive)
//    40 i64 dirty rect l,t,r,b (40, 48, 56, 64; inclusive)
//    72 u8  dirty flag   73 u8 whole-image flag   74 u8 needs-redraw   75 u8 composed
//    76 ref rule-mask name (4-byte slot, written 0, ignored on reading)
//    80 u64 reference count           88 i64 user value
//    96 i64 x   104 i64 y   112 i32 width   116 i32 height
//   120 i16 opacity   122 i16 rule progress   124 i16 rule softness
//   126 u8  has-alpha   127 i8 blend mode   129 u8 visible
//   130 u8  pending visible   131 u8 pending-visible flag
//   132 i16 pending opacity   134 u8 pending-opacity flag
//   144 ref pixel buffer (slot)      153 u8 resampling flag
//   156 ref GIF frame table (slot)
//   161 u8 tile reduce mode  162 u8 tiles across  163 u8 tiles down
//   164 i32 largest tile width  168 i32 largest tile height
//   172 i32[32] tile widths   300 i32[32] tile heights
//   432..456 i64 stored values A..D   464 i64 texture value 1   472 i64 texture value 2
//   480..488 f32 stored values E..G   492 u32 stored value H   496 u32 stored colour
//   500 u8 stored byte   504 ref second name (slot)   508 i16 stored value I
//   512 ref[256] tile textures (slots)
#pragma once

#include "core/kv_base.h"

struct TreeNode;
struct FileSource;

enum {
    KV_LAYER_BLOCK_SIZE = 1536,
    KV_LAYER_NAME_SIZE = 261,     // rule-mask name and second name buffers
    KV_MAX_IMAGE_SIDE = 8192,
    KV_TILE_SLOTS = 256,
    KV_GIF_FRAME_SLOTS = 8192
};

// The empty accumulated rectangle left by the frame-end reset.
enum : int64_t { KV_RECT_EMPTY_LOW = 999999999, KV_RECT_EMPTY_HIGH = -999999999 };

struct LayerRect {
    int64_t left, top, right, bottom;   // inclusive
};

struct LayerState {
    uint8_t window_root;        // root layer of a game window
    uint8_t message_window;     // the message window draws into it
    uint32_t mark_count;
    LayerRect acc;              // accumulated rectangle of this frame
    LayerRect dirty;
    uint8_t dirty_flag;
    uint8_t whole_image;
    uint8_t needs_redraw;
    uint8_t composed;
    char *rule_mask_name;       // KV_LAYER_NAME_SIZE bytes, "" = none
    uint64_t ref_count;
    int64_t user_value;
    int64_t x, y;               // hold 32-bit signed values
    int32_t width, height;
    int16_t opacity;            // 0..256
    int16_t rule_progress;      // 0..256
    int16_t rule_softness;      // 256 = hard edge
    uint8_t has_alpha;
    int8_t blend_mode;          // 0..18; others are composed as 0
    uint8_t visible;
    uint8_t pending_visible;
    uint8_t pending_visible_flag;
    int16_t pending_opacity;
    uint8_t pending_opacity_flag;
    uint8_t *pixels;            // see the buffer rule above
    uint8_t resample_flag;
    uint8_t **gif_frames;       // KV_GIF_FRAME_SLOTS frame blocks, or null
    uint8_t tile_reduce, tiles_across, tiles_down;
    int32_t tile_max_width, tile_max_height;
    int32_t tile_widths[32], tile_heights[32];
    int64_t stored_a, stored_b, stored_c, stored_d;
    int64_t texture_value1, texture_value2;
    float stored_e, stored_f, stored_g;
    uint32_t stored_h;          // 0..256
    uint32_t stored_colour;     // 0..0x1000000
    uint8_t stored_byte;
    char *second_name;          // KV_LAYER_NAME_SIZE bytes
    int16_t stored_i;           // 0..256
    void *tiles[KV_TILE_SLOTS]; // GPU tile textures
    uint64_t change_stamp;      // g_layer_change_clock at its last marked change (not stored)
};

// Stamps of layer changes: every record gets a fresh value when it is made,
// read from a block, or marked dirty (itself or a descendant), so a record and
// its stamp tell whether anything about it may have changed since.
extern uint64_t g_layer_change_clock;
static inline void layer_note_change(LayerState *s)
{
    s->change_stamp = ++g_layer_change_clock;
}

// The colour that fully transparent pixels get after every image load.
extern uint32_t g_colour_key;

// Bytes of a pixel buffer for w x h (w*4*h + w*4 + 4), computed in 64 bits.
static inline size_t layer_buffer_bytes(int32_t w, int32_t h)
{
    return (size_t)w * 4 * (size_t)h + (size_t)w * 4 + 4;
}

// Allocates (or reallocates `old`) a pixel buffer for w x h; the spare row and
// bytes are zeroed, the image area is not. Width above 8192 shows the size box
// and reports 100010; out of memory reports 100010 without a file name, 104030
// with it. Null on failure (`old` is then left as it was).
uint8_t *alloc_pixels(uint8_t *old, int32_t w, int32_t h, const char *file_name);

// Record constructor defaults: ref count 1, width/height 1, opacity 256, rule
// progress 256, visible 1, stored value H 128, stored colour 0x808080, empty names.
LayerState *layer_state_new();
// Frees the buffers the record owns (pixels, names, GIF frames, tiles), not the record.
void layer_state_release_buffers(LayerState *s);

// Image decoders by the locator's format code (1 BMP, 2 PNG, 3 JPEG, 4 GIF,
// 7 PSD, 8 KCG); filled at start-up by the image subsystem
// (register_image_decoders). Each reads the source whole, sets width, height,
// pixels (alloc_pixels) and the has-alpha flag; 0 on success.
enum { KV_IMAGE_FORMAT_SLOTS = 9 };
typedef int (*ImageDecoderFn)(FileSource *src, LayerState *s, const char *file_name);
extern ImageDecoderFn g_image_decoders[KV_IMAGE_FORMAT_SLOTS];

// Creates the group layer `path` (a folder node under the folder the path
// names) with a new record and a zeroed width x height canvas, marked dirty
// as a whole. Null after a report; nothing is left in the tree then.
TreeNode *create_layer(const char *path, int32_t width, int32_t height, int64_t key);
// Replaces the record's image by the decoded file (an empty or missing name
// gives one pixel of 0), then applies the colour key. 0, or -1 after a report.
int load_image_file(LayerState *s, const char *file_name);
// Every pixel whose alpha byte is 0 becomes g_colour_key.
void apply_colour_key(LayerState *s);
// g_image_load_time := the system timer.
void mark_image_loaded_time();

// Release of layer nodes. Every reference to the node (window roots, the
// message window, the drag layer) is cleared first; the record goes with its
// last sharer, buffers and all.
void free_object(TreeNode *node);
void free_child_objects(TreeNode *node);
void free_object_tree(TreeNode *node);
// Releases the GPU tile textures of a record whose last owner goes; set by the
// Direct3D back end, null while it has none.
extern void (*g_layer_texture_release)(LayerState *s);

// Value operators of the layer command (0 set, 1 add, 2 subtract, 3 multiply,
// 4 divide; others keep the old value), in wrapping 64-bit arithmetic.
// Division truncates; by 0 it keeps the old value, by -1 it negates (wrapping).
int64_t apply_value_op(uint32_t op, int64_t old_value, int64_t value);
// Subtract, multiply and divide are kept at least `lo`.
int64_t apply_value_op_min(uint32_t op, int64_t old_value, int64_t value, int64_t lo);
// Add at most `hi`; subtract at least `lo`; multiply and divide within both
// (division by 0 keeps the old value unclamped).
int64_t apply_value_op_clamped(uint32_t op, int64_t old_value, int64_t value, int64_t lo,
                               int64_t hi);

// The box around the pixels of s whose alpha is not 0 (inclusive edges);
// false when there is none.
bool layer_opaque_box(const LayerState *s, int32_t *left, int32_t *top, int32_t *right,
                      int32_t *bottom);

// The bodies of commands 1, 3 and 4 over arguments already in g_arg_slots
// (the cmd_ handlers load them first).
int run_layer_setup();
int run_delete_object();
int run_get_object_property();
// Name of command c, and of its argument id, from the project's command table ("" when unknown).
const char *layer_command_name(int command);
const char *layer_arg_name(int command, uint32_t id);

// The stored block, field by field; reading takes the values only (the
// reference slots are ignored and the record's own buffers are kept, and so
// are its owner count and its window-root and message-window flags). Width
// and height are taken too: the caller must give the record a pixel buffer of
// that size (alloc_pixels) before anything draws it.
void layer_state_store(const LayerState *s, uint8_t out[KV_LAYER_BLOCK_SIZE]);
void layer_state_read(LayerState *s, const uint8_t in[KV_LAYER_BLOCK_SIZE]);

// Dirty rectangles and composition.
int layer_mark_dirty(TreeNode *node);
int grow_dirty_rect(TreeNode *node);
void apply_pending_layer_state(TreeNode *node);
void merge_dirty_rect(TreeNode *node);
int compose_layer_tree_cpu(TreeNode *node, int nested);
// Frame-end reset over a sibling chain and the groups below it.
void reset_layer_dirty_rects(TreeNode *node);
