// The image-operation command's text line drawn with the glyph renderer: each
// character takes the current font slot's style, and the command's value 1
// is the edge mode (0 plain, 1-10 outline, 11 and up shadow).
#include "text/image_text.h"

#include "core/clamp.h"
#include "image/image_text_hook.h"
#include "text/font_list.h"
#include "text/glyph.h"

int64_t image_text_draw_char(TreeNode *node, const char *ch, int bytes, int64_t x, int64_t y,
                             int32_t edge_mode)
{
    // A copy ends the character for the renderer, which takes a lead byte
    // followed by a byte as two-byte.
    uint8_t chars[3] = {(uint8_t)ch[0], bytes == 2 ? (uint8_t)ch[1] : (uint8_t)0, 0};
    uint32_t s = g_font_list.current_slot;
    const FontSlotStyle &st = g_font_slots;
    // Positions beyond the 32-bit range lie outside every layer; clamped there,
    // the painters skip the glyph and the pen still advances.
    return draw_text_char(chars, st.colour[s], (int64_t)(int32_t)st.colour2[s], st.gradient[s],
                          st.rotation[s], st.size[s], st.height[s], st.bold[s] ? 1 : 0, st.smooth[s],
                          edge_mode, clamp_int32(x), clamp_int32(y), st.blend_over[s], node);
}

void image_text_select_slot(int64_t slot)
{
    if (slot >= 0 && slot < KV_FONT_SLOTS)
        font_slot_set_current((uint32_t)slot);
}

void image_text_hooks_install()
{
    g_image_draw_char = image_text_draw_char;
    g_image_font_slot_set = image_text_select_slot;
}
