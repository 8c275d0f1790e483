// Where the movie and Flash windows stand over the game area, the volume
// scales of the two players, and the value operators of their rectangles.
#include <cmath>

#include "core/clamp.h"
#include "core/engine_state.h"
#include "core/settings.h"
#include "core/window.h"
#include "media/movie.h"

MovieView movie_view(int32_t game_w, int32_t game_h, int32_t shown_w, int32_t shown_h,
                     int32_t offset_x, int32_t offset_y, int fit_screen, int32_t screen_w,
                     int32_t screen_h)
{
    MovieView v = {game_w, game_h, shown_w, shown_h, offset_x, offset_y};
    if (!fit_screen)
        return v;
    int64_t gw = game_w > 0 ? game_w : 1;
    int64_t gh = game_h > 0 ? game_h : 1;
    int64_t fit_h = (int64_t)screen_w * gh / gw;
    if (screen_h > fit_h) {
        v.shown_w = screen_w;
        v.shown_h = clamp_int32(fit_h);
    } else {
        v.shown_w = clamp_int32((int64_t)screen_h * gw / gh);
        v.shown_h = screen_h;
    }
    v.offset_x = clamp_int32(((int64_t)screen_w - v.shown_w) / 2);
    v.offset_y = clamp_int32(((int64_t)screen_h - v.shown_h) / 2);
    return v;
}

// n * shown / game; a zero game dimension leaves n unscaled.
static int64_t scale(int32_t n, int32_t shown, int32_t game)
{
    return game ? (int64_t)n * shown / game : n;
}

MovieRect movie_place(const MovieView &v, int32_t x, int32_t y, int32_t w, int32_t h)
{
    MovieRect r;
    // The position scales with the size, so that a movie over part of the
    // game area stays over that part when the game is shown larger.
    r.x = clamp_int32(v.offset_x + scale(x, v.shown_w, v.game_w));
    r.y = clamp_int32(v.offset_y + scale(y, v.shown_h, v.game_h));
    r.w = clamp_int32(scale(w, v.shown_w, v.game_w));
    r.h = clamp_int32(scale(h, v.shown_h, v.game_h));
    return r;
}

MovieView movie_current_view(int fit_screen)
{
    const WindowObject *win = g_windows[0];
    int32_t gw = win ? win->game_width : g_screen_size.width;
    int32_t gh = win ? win->game_height : g_screen_size.height;
    return movie_view(gw, gh, g_screen_size.shown_width, g_screen_size.shown_height,
                      g_screen_size.letterbox_x, g_screen_size.letterbox_y,
                      fit_screen && g_own_scaler == 2, g_desktop_mode.width,
                      g_desktop_mode.height);
}

int32_t movie_volume_db(int32_t volume)
{
    if (volume <= 0)
        return -10000;
    if (volume >= 256)
        return 0;
    double db = std::trunc(std::log10(volume / 256.0) * 40.0 * 100.0);
    return db < -10000 ? -10000 : (int32_t)db;
}

int32_t movie_volume_mci(int32_t volume)
{
    int64_t level = (int64_t)volume * 1000 / 256;
    return level < 0 ? 0 : level > 1000 ? 1000 : (int32_t)level;
}

int32_t movie_apply_op(int32_t stored, uint32_t op, int64_t value)
{
    switch (op) {
    case 1: return clamp_int32((int64_t)stored + value);
    case 2: return clamp_int32((int64_t)stored - value);
    case 3: return clamp_int32((int64_t)stored * clamp_int32(value));
    case 4: return value ? clamp_int32((int64_t)stored / value) : stored;
    default: return clamp_int32(value);
    }
}
