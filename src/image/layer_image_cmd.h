// The layer image-operation command: one operation per call on layer A,
// chosen by the first selector argument present, and the layer exchange
// and on-demand composition it uses.
#pragma once

#include "core/kv_base.h"
#include "image/image_text_hook.h"

struct TreeNode;

enum { KV_IMAGE_OP_ARGS = 63 };

// Operation kinds of the selector table.
enum ImageOpKind : uint8_t {
    IOP_RESAMPLE, IOP_ROTATE, IOP_EFFECT, IOP_FONT, IOP_TEXT, IOP_BLIT, IOP_BLIT_DST,
    IOP_CROSSFADE, IOP_CROSSFADE_TABLE, IOP_KEEP_DIFF, IOP_KEEP_EQUAL, IOP_TRIM, IOP_CANVAS,
    IOP_COPY, IOP_SWAP, IOP_PASTE
};

struct ImageOpSelector {
    uint8_t arg;          // selector argument id
    ImageOpKind kind;
    uint8_t code;         // effect code, resample method base, copy code, swap mode
    uint8_t fill_mode;    // effects 52-54
    uint8_t needs_n;      // layers needed beyond A (0 none)
    uint32_t limit;       // 0 none; else value 1 (low 32 bits, unsigned) at most this
    uint32_t rect_error;  // non-zero: arguments 8-11 are refused with this code
    uint32_t need_error;  // reported when fewer than needs_n layers are given
};
enum { KV_IMAGE_OP_SELECTORS = 42 };
extern const ImageOpSelector g_image_op_selectors[KV_IMAGE_OP_SELECTORS];

// One call with its layers resolved and its values evaluated.
struct ImageOpCall {
    TreeNode *a, *b, *c, *d;
    uint8_t n;                              // layers given beyond A
    uint8_t present[KV_IMAGE_OP_ARGS];      // argument given
    int64_t arg[KV_IMAGE_OP_ARGS];          // number arguments
    int64_t value1;
    int32_t value2;
    const char *text;                       // argument 7, null when absent
};

// Steps after the layers are known: the rectangle, then the selectors.
// 0, or -1 after a report or a failed operation.
int run_image_op(const ImageOpCall *call);
// The selector that decides the call (font and text selectors aside), or null.
const ImageOpSelector *image_op_deciding(const ImageOpCall *call);

int swap_layers(TreeNode *a, TreeNode *b, uint8_t mode);
int swap_layer_order_keys(TreeNode *a, TreeNode *b);
void compose_layer_now(TreeNode *node, uint8_t nested);
