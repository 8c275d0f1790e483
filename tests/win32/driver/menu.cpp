// The menu bar of a window: one line per item, depth first,
// "DEPTH<TAB>ID<TAB>STATE<TAB>TEXT"; a window without a menu is "not found".
#include "driver.h"

static void print_menu(HMENU menu, int depth)
{
    int n = GetMenuItemCount(menu);
    for (int i = 0; i < n; i++) {
        wchar_t text[300] = L"";
        MENUITEMINFOW mi = {};
        mi.cbSize = sizeof mi;
        mi.fMask = MIIM_ID | MIIM_STATE | MIIM_SUBMENU | MIIM_FTYPE | MIIM_STRING;
        mi.dwTypeData = text;
        mi.cch = KV_COUNT(text) - 1;
        if (!GetMenuItemInfoW(menu, (UINT)i, TRUE, &mi))
            continue;
        out_line(std::to_wstring(depth) + L"\t" + std::to_wstring(mi.wID) + L"\t" +
                 std::to_wstring(mi.fState) + L"\t" + text);
        if (mi.hSubMenu)
            print_menu(mi.hSubMenu, depth + 1);
    }
}

int cmd_menu(int argc, wchar_t **argv)
{
    if (argc != 2)
        return EXIT_USAGE;
    HWND h = parse_hwnd(argv[1]);
    HMENU menu = h ? GetMenu(h) : nullptr;
    if (!menu)
        return EXIT_NOT_FOUND;
    print_menu(menu, 0);
    return EXIT_OK;
}
