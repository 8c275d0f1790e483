// MT19937, the engine's one random generator (seeded at start-up with the
// system timer), and the ranged integer the math command draws from it.
#include "script/math_random.h"

MtState g_mt_state = {{0}, 625};   // never seeded: the first draw seeds 5489

void mt_seed(uint32_t seed)
{
    uint32_t *w = g_mt_state.words;
    w[0] = seed;
    for (uint32_t i = 1; i < 624; i++)
        w[i] = 1812433253u * (w[i - 1] ^ (w[i - 1] >> 30)) + i;
    g_mt_state.index = 624;
}

static void mt_regenerate()
{
    uint32_t *w = g_mt_state.words;
    for (int i = 0; i < 624; i++) {
        uint32_t y = (w[i] & 0x80000000u) | (w[(i + 1) % 624] & 0x7FFFFFFFu);
        w[i] = w[(i + 397) % 624] ^ (y >> 1) ^ ((y & 1) ? 0x9908B0DFu : 0u);
    }
    g_mt_state.index = 0;
}

uint32_t mt_genrand(void)
{
    if (g_mt_state.index > 624)
        mt_seed(5489);
    if (g_mt_state.index >= 624)
        mt_regenerate();
    uint32_t y = g_mt_state.words[g_mt_state.index++];
    y ^= y >> 11;
    y ^= (y << 7) & 0x9D2C5680u;
    y ^= (y << 15) & 0xEFC60000u;
    y ^= y >> 18;
    return y;
}

int64_t random_in_range(int64_t x, int64_t y, uint32_t r)
{
    int64_t lo = x < y ? x : y, hi = x < y ? y : x;
    uint64_t span = (uint64_t)hi - (uint64_t)lo + 1;   // 0: the whole 64-bit range
    uint64_t offset = span ? (uint64_t)r % span : (uint64_t)r;
    return (int64_t)((uint64_t)lo + offset);
}
