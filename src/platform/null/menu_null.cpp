// Stand-in native menus for native builds: a fixed table of menus that keep
// their entries, so that tests can read back what the engine built.
#include "platform/null/menu_null.h"

#include <cstring>

enum { NULL_MENUS = 512 };

static NullMenu g_null_menus[NULL_MENUS];
static int g_null_track_answer;

static NullMenu *menu_of(void *handle)
{
    uintptr_t i = (uintptr_t)handle;
    return (i >= 1 && i <= NULL_MENUS && g_null_menus[i - 1].alive) ? &g_null_menus[i - 1] : nullptr;
}

const NullMenu *null_menu(void *handle) { return menu_of(handle); }

int null_menus_alive()
{
    int n = 0;
    for (const NullMenu &m : g_null_menus)
        n += m.alive;
    return n;
}

void null_menu_set_track_answer(int id) { g_null_track_answer = id; }

void *sys_menu_create(int popup)
{
    for (int i = 0; i < NULL_MENUS; i++)
        if (!g_null_menus[i].alive) {
            std::memset(&g_null_menus[i], 0, sizeof g_null_menus[i]);
            g_null_menus[i].alive = 1;
            g_null_menus[i].popup = (uint8_t)popup;
            return (void *)(uintptr_t)(i + 1);
        }
    return nullptr;
}

int sys_menu_insert(void *menu, uint32_t pos, const MenuEntry *e)
{
    NullMenu *m = menu_of(menu);
    if (!m || m->count >= NULL_MENU_ITEMS || pos > m->count)
        return -1;
    std::memmove(&m->items[pos + 1], &m->items[pos], (m->count - pos) * sizeof m->items[0]);
    NullMenuItem &it = m->items[pos];
    it.id = e->id;
    it.state = e->state;
    it.type = e->type;
    it.submenu = e->submenu;
    std::memset(it.text, 0, sizeof it.text);
    if (e->text)
        std::strncpy(it.text, e->text, sizeof it.text - 1);
    m->count++;
    return 0;
}

void sys_menu_destroy(void *menu)
{
    NullMenu *m = menu_of(menu);
    if (!m)
        return;
    m->alive = 0;
    for (uint32_t i = 0; i < m->count; i++)
        if (m->items[i].submenu)
            sys_menu_destroy(m->items[i].submenu);
}

void *g_null_attached_menu;

void sys_menu_attach(void *, void *menu) { g_null_attached_menu = menu; }

int sys_menu_track(void *menu, void *, int32_t, int32_t)
{
    return menu_of(menu) ? g_null_track_answer : 0;
}

void *sys_menu_bar_window_create(void *, int32_t, int32_t *height)
{
    static int bar;
    *height = 19;
    return &bar;
}

int g_null_menu_bar_shown;

void sys_menu_bar_window_show(void *, int show) { g_null_menu_bar_shown = show; }
