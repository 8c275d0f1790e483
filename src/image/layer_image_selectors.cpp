// The selector table of the layer image-operation command, in priority
// order: the first selector given decides the operation (the font and text
// selectors act and let the testing go on).
#include "image/layer_image_cmd.h"

// SEL(argument, kind, code, fill mode, layers needed, error when arguments
// 8-11 are given (0: allowed), limit, error when the layers are missing)
#define SEL(arg, kind, code, fill, n, rect_err, limit, need_err) \
    {arg, kind, code, fill, n, limit, rect_err, need_err}

const ImageOpSelector g_image_op_selectors[KV_IMAGE_OP_SELECTORS] = {
    SEL(20, IOP_RESAMPLE, 0, 0, 0, 0, 0, 0),     // method 10
    SEL(21, IOP_RESAMPLE, 20, 0, 0, 0, 0, 0),
    SEL(22, IOP_RESAMPLE, 30, 0, 0, 0, 0, 0),
    SEL(23, IOP_RESAMPLE, 40, 0, 0, 0, 0, 0),
    SEL(24, IOP_RESAMPLE, 50, 0, 0, 0, 0, 0),
    SEL(25, IOP_ROTATE, 10, 0, 0, 101282, 0, 0),
    SEL(27, IOP_EFFECT, 27, 0, 0, 0, 256, 0),
    SEL(28, IOP_EFFECT, 10, 0, 0, 0, 0xFFFFFF, 0),
    SEL(29, IOP_EFFECT, 36, 0, 0, 0, 0xFFFFFF, 0),
    SEL(38, IOP_EFFECT, 1, 0, 0, 0, 256, 0),
    SEL(39, IOP_EFFECT, 17, 0, 0, 0, 256, 0),
    SEL(40, IOP_EFFECT, 35, 0, 0, 0, 1, 0),
    SEL(41, IOP_EFFECT, 9, 0, 0, 0, 1, 0),
    SEL(42, IOP_EFFECT, 18, 0, 0, 101283, 256, 0),
    SEL(43, IOP_EFFECT, 2, 0, 0, 0, 256, 0),
    SEL(44, IOP_EFFECT, 3, 0, 0, 0, 256, 0),
    SEL(45, IOP_EFFECT, 4, 0, 0, 0, 256, 0),
    SEL(46, IOP_EFFECT, 5, 0, 0, 0, 256, 0),
    SEL(47, IOP_EFFECT, 8, 0, 0, 101284, 256, 0),
    SEL(48, IOP_EFFECT, 19, 0, 0, 0, 0, 0),
    SEL(49, IOP_EFFECT, 20, 0, 0, 0, 0, 0),
    SEL(50, IOP_EFFECT, 21, 0, 0, 0, 0, 0),
    SEL(55, IOP_EFFECT, 37, 0, 0, 0, 0, 0),
    SEL(51, IOP_EFFECT, 25, 0, 0, 0, 1, 0),
    SEL(52, IOP_EFFECT, 22, 1, 0, 0, 0, 0),
    SEL(53, IOP_EFFECT, 22, 2, 0, 0, 0, 0),
    SEL(54, IOP_EFFECT, 22, 3, 0, 0, 0, 0),
    SEL(56, IOP_FONT, 0, 0, 0, 0, 0, 0),
    SEL(57, IOP_TEXT, 0, 0, 0, 0, 0, 0),
    SEL(30, IOP_BLIT, 0, 0, 1, 0, 0, 101298),
    SEL(31, IOP_BLIT_DST, 0, 0, 1, 0, 0, 101298),
    SEL(32, IOP_CROSSFADE, 0, 0, 2, 0, 0, 101298),
    SEL(33, IOP_CROSSFADE_TABLE, 0, 0, 3, 0, 0, 101298),
    SEL(34, IOP_KEEP_DIFF, 0, 0, 1, 0, 0, 101298),
    SEL(35, IOP_KEEP_EQUAL, 0, 0, 1, 0, 0, 101298),
    SEL(36, IOP_TRIM, 0, 0, 0, 0, 15, 0),
    SEL(37, IOP_CANVAS, 0, 0, 0, 0, 0, 0),
    SEL(58, IOP_COPY, 6, 0, 1, 0, 0, 101296),
    SEL(59, IOP_COPY, 7, 0, 1, 0, 0, 101296),
    SEL(60, IOP_SWAP, 1, 0, 1, 101281, 0, 101297),
    SEL(61, IOP_SWAP, 2, 0, 1, 101281, 0, 101297),
    SEL(62, IOP_PASTE, 0, 0, 0, 0, 0, 0),
};
