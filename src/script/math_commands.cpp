// Command 46 (one mathematical function, a ranged random integer or the
// CRC-32 of a text into a variable element) and command 47 (the camera
// projection of a layer position and size).
#include <cmath>
#include <cstring>

#include "script/args.h"
#include "script/commands.h"
#include "script/expr.h"
#include "script/math_random.h"
#include "script/vars.h"

// After the engine headers: limits.h, which zlib.h includes, defines EXPR_NEST_MAX.
#include <zlib.h>

uint32_t text_crc32(const char *text, size_t length)
{
    uLong crc = crc32(0L, Z_NULL, 0);
    while (length > 0) {
        uInt n = length > 0x40000000u ? 0x40000000u : (uInt)length;
        crc = crc32(crc, (const Bytef *)text, n);
        text += n;
        length -= n;
    }
    return (uint32_t)crc;
}

double math_function(uint32_t op, double x, double y)
{
    switch (op) {
    case 4: return std::sin(x);
    case 5: return std::asin(x);
    case 6: return std::sinh(x);
    case 7: return std::cos(x);
    case 8: return std::acos(x);
    case 9: return std::cosh(x);
    case 10: return std::tan(x);
    case 11: return std::atan(x);
    case 12: return std::atan2(x, y);
    case 13: return std::tanh(x);
    case 14: return x;
    case 15: return std::fabs(x);
    case 16: return std::exp(x);
    case 17: return std::log(x);
    case 18: return std::log10(x);
    case 19: return std::pow(x, y);
    default: return 0.0;
    }
}

// An expression argument of the command (raw code); absent: 0.
static double eval_double(uint32_t id, bool always_floating)
{
    uint32_t p = arg_pos(id);
    if (!p || !g_arg_slots.code[p])
        return 0.0;
    const ExprEvaluators *e = expr_evaluators(g_arg_slots.eval_type[p]);
    const uint8_t *code = g_arg_slots.code[p];
    uint32_t n = g_arg_slots.length[p];
    return always_floating ? e->always_double(code, n) : e->as_double(code, n);
}

static int64_t eval_int(uint32_t id)
{
    uint32_t p = arg_pos(id);
    if (!p || !g_arg_slots.code[p])
        return 0;
    return expr_evaluators(g_arg_slots.eval_type[p])->as_int(g_arg_slots.code[p],
                                                              g_arg_slots.length[p]);
}

int math_run()
{
    static const uint8_t order[] = {4, 7, 10, 5, 8, 6, 9, 13, 11, 12, 14, 15, 16, 17, 18, 19, 20, 21};
    uint32_t op = 0;
    for (uint8_t id : order)
        if (arg_present(id)) {
            op = id;
            break;
        }
    if (!op)
        return 0;
    uint32_t p = arg_pos(0);
    uint32_t var = p ? g_arg_slots.var_id[p] : 0;
    int64_t elem = p ? g_arg_slots.var_elem[p] : 0;
    if (op == 20) {
        int64_t x = eval_int(1), y = eval_int(2);
        if (p)
            var_set_number(var, elem, random_in_range(x, y, mt_genrand()));
        return 0;
    }
    if (op == 21) {
        const char *text = arg_str(3);
        if (p)
            var_set_number(var, elem, text_crc32(text, std::strlen(text)));
        return 0;
    }
    bool floating = op == 4 || op == 7;   // sin and cos always evaluate in floating point
    double x = eval_double(1, floating);
    double y = (op == 12 || op == 19) ? eval_double(2, false) : 0.0;
    if (p)
        var_set_float(var, elem, math_function(op, x, y));
    return 0;
}

int cmd_math(void)
{
    return (load_command_args(46) & 0xFF) ? -1 : math_run();
}

// --- command 47 ----------------------------------------------------------------

static double pow2(double v)
{
    return std::pow(2.0, v / 100);
}

void camera_project(const double *P, const double *Q, double out[4])
{
    double X, Y, W, H;
    if (P[7] != 0) {
        X = Q[13] - Q[18] * Q[16] / 100;
        Y = Q[14] - Q[19] * Q[17] / 100;
        W = Q[16];
        H = Q[17];
    } else {
        double z = Q[27], sx = Q[20] / 100, sy = Q[21] / 100;
        double A = pow2(z - Q[8] + Q[5] + Q[30]);
        double B = pow2(z - Q[15] + Q[5] + Q[30]);
        X = ((Q[6] - Q[9]) - (Q[3] + Q[28]) * sx) * A + Q[11] * sx + P[5] * 0.5;
        Y = ((Q[7] - Q[10]) - (Q[4] + Q[29]) * sy) * A + Q[12] * sy + P[6] * 0.5;
        if (P[1] != P[2]) {
            X = X + Q[9] * A;
            Y = Y + Q[10] * A;
            if (P[4] == 0) {
                X = X + (Q[13] * sx - Q[18]) * B;
                Y = Y + (Q[14] * sy - Q[19]) * B;
            } else {
                B = pow2(z - Q[24] + Q[5] + Q[30]);
                X = X + ((Q[13] + Q[22]) * sx - Q[18] - Q[25]) * B;
                Y = Y + ((Q[14] + Q[23]) * sy - Q[19] - Q[26]) * B;
            }
        }
        X = X + Q[18] * (100 - Q[16]) * B / 100;
        Y = Y + Q[19] * (100 - Q[17]) * B / 100;
        W = Q[16] * B;
        H = Q[17] * B;
    }
    out[0] = X;
    out[1] = Y;
    out[2] = W;
    out[3] = H;
}

int camera_calc_run()
{
    uint32_t pp = arg_pos(0), pq = arg_pos(1);
    if (!pp || !pq)
        return 0;
    uint32_t pid = g_arg_slots.var_id[pp], qid = g_arg_slots.var_id[pq];
    // var_get_float is the checked read: elements beyond the array, and
    // arrays of text, read 0; integer arrays convert; system ids use their getters.
    double P[KV_CAMERA_P], Q[KV_CAMERA_Q], out[4];
    for (int i = 0; i < KV_CAMERA_P; i++)
        P[i] = var_get_float(pid, i);
    for (int i = 0; i < KV_CAMERA_Q; i++)
        Q[i] = var_get_float(qid, i);
    camera_project(P, Q, out);
    const VarDescriptor *v = var_descriptor(qid);
    for (int k = 0; k < 4; k++) {
        // Only outputs that fit the array are stored; a text array is refused.
        if (v && v->type != VAR_TYPE_STRING && 31 + k >= v->count)
            break;
        if (var_set_float(qid, 31 + k, out[k]) != 0 && (!v || v->type == VAR_TYPE_STRING))
            return -1;
    }
    return 0;
}

int cmd_camera_calc(void)
{
    return (load_command_args(47) & 0xFF) ? -1 : camera_calc_run();
}
