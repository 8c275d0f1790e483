// The layer command's display and stored values: pending visibility and
// opacity, rule progress, softness, blend mode, and the values that are
// kept, saved and reported (ids 14-28, 38).
#include <cmath>
#include <cstring>

#include "core/error_report.h"
#include "graphics/layer_command.h"
#include "script/args.h"

static uint32_t arg_op(uint32_t id)
{
    uint32_t p = arg_pos(id);
    return p ? g_arg_slots.op[p] : 0;
}

static int64_t clamp64(int64_t v, int64_t lo, int64_t hi)
{
    return v < lo ? lo : v > hi ? hi : v;
}

void apply_pending_args(LayerCall *c)
{
    LayerState *s = c->s;
    if (arg_present(1)) {
        s->pending_visible_flag = 1;
        s->pending_visible = (uint8_t)arg_int(1);
    }
    if (arg_present(2)) {
        int64_t v = apply_value_op_clamped(arg_op(2), s->opacity, arg_int(2), 0, 256);
        s->pending_opacity = (int16_t)clamp64(v, 0, 256);
        s->pending_opacity_flag = 1;
    }
}

// One stored value: the operator's result is kept in the field's own type;
// a different stored value notes a change when `notes` is set.
template <class T>
static void store_value(LayerCall *c, T *field, int64_t v, bool notes)
{
    T nv = (T)v;
    if (notes && nv != *field)
        c->changed = true;
    *field = nv;
}

template <class T>
static void plain(LayerCall *c, uint32_t id, T *field, bool notes = true)
{
    if (arg_present(id))
        store_value(c, field, apply_value_op(arg_op(id), (int64_t)*field, arg_int(id)), notes);
}

template <class T>
static void clamped(LayerCall *c, uint32_t id, T *field, int64_t lo, int64_t hi)
{
    if (arg_present(id))
        store_value(c, field, apply_value_op_clamped(arg_op(id), (int64_t)*field, arg_int(id), lo, hi),
                    true);
}

// A float field's value as an integer (truncated; out of range saturates).
static int64_t float_to_i64(float f)
{
    if (std::isnan(f))
        return 0;
    if (f >= 9.2233720368547758e18f)
        return INT64_MAX;
    if (f <= -9.2233720368547758e18f)
        return INT64_MIN;
    return (int64_t)f;
}

static void floating(LayerCall *c, uint32_t id, float *field)
{
    if (!arg_present(id))
        return;
    float nv = (float)apply_value_op(arg_op(id), float_to_i64(*field), arg_int(id));
    if (std::memcmp(&nv, field, sizeof nv) != 0)
        c->changed = true;
    *field = nv;
}

void apply_stored_args(LayerCall *c)
{
    LayerState *s = c->s;
    clamped(c, 33, &s->rule_progress, 0, 256);
    if (arg_present(35))
        store_value(c, &s->rule_softness, (int16_t)(uint16_t)arg_int(35), true);
    // Any blend byte is kept (and reported); the compositor draws modes
    // outside 0..18 as mode 0.
    if (arg_present(36))
        store_value(c, &s->blend_mode, (int8_t)(uint8_t)arg_int(36), true);
    plain(c, 14, &s->stored_a);
    plain(c, 15, &s->stored_b);
    plain(c, 16, &s->stored_c);
    plain(c, 17, &s->stored_d);
    floating(c, 18, &s->stored_e);
    floating(c, 19, &s->stored_f);
    floating(c, 20, &s->stored_g);
    plain(c, 21, &s->texture_value1);
    plain(c, 22, &s->texture_value2);
    clamped(c, 23, &s->stored_h, 0, 256);
    clamped(c, 24, &s->stored_colour, 0, 0x1000000);
    if (arg_present(25))
        store_value(c, &s->stored_byte, (uint8_t)arg_int(25), true);
    if (arg_present(26) && s->second_name) {
        sjis_copy_bounded(s->second_name, KV_LAYER_NAME_SIZE, arg_str(26));
        c->changed = true;
    }
    clamped(c, 27, &s->stored_i, 0, 256);
    clamped(c, 28, &s->resample_flag, 0, 1);
    plain(c, 38, &s->user_value, false);
}
