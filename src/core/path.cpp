// Path joining and normalisation for the object trees and file names.
#include <cstring>

#include "core/error_report.h"
#include "core/tree.h"

uint8_t g_path_special_chars[256];
char g_path_scratch[KV_PATH_MAX];

void init_path_special_chars()
{
    std::memset(g_path_special_chars, 0, sizeof g_path_special_chars);
    g_path_special_chars[(unsigned char)'.'] = 1;
    g_path_special_chars[(unsigned char)'/'] = 1;
    g_path_special_chars[(unsigned char)':'] = 1;
}

// Steps over one character; a lead byte before the terminator counts alone.
static inline size_t sjis_step(const char *s, size_t i)
{
    if (sjis_is_lead((unsigned char)s[i]) && s[i + 1] != '\0')
        return i + 2;
    return i + 1;
}

static int has_special_char(const char *name)
{
    for (size_t i = 0; name[i]; i = sjis_step(name, i))
        if (g_path_special_chars[(unsigned char)name[i]])
            return 1;
    return 0;
}

static int path_too_long(const char *a, const char *b)
{
    std::strncpy(g_path_scratch, a, KV_PATH_MAX - 1);
    g_path_scratch[KV_PATH_MAX - 1] = '\0';
    size_t n = std::strlen(g_path_scratch);
    if (n < KV_PATH_MAX - 1) {
        std::strncpy(g_path_scratch + n, b, KV_PATH_MAX - 1 - n);
        g_path_scratch[KV_PATH_MAX - 1] = '\0';
    }
    report_script_error(100242, 1, g_path_scratch);
    return -1;
}

// Joins base, a '/' when base is not empty, and name into dst; -1 when the
// result does not fit in KV_PATH_MAX bytes.
static int join_path(char *dst, const char *base, const char *name)
{
    size_t nb = std::strlen(base), nn = std::strlen(name);
    size_t sep = nb ? 1 : 0;
    if (nb + sep + nn >= KV_PATH_MAX)
        return -1;
    std::memmove(dst + nb + sep, name, nn + 1);  // name may follow base in dst
    std::memmove(dst, base, nb);
    if (sep)
        dst[nb] = '/';
    return 0;
}

// "../": drops the last written part with its closing '/', and the run of
// '/' in front of it shrinks to one.
static size_t drop_last_part(char *out, size_t w)
{
    size_t t = w;
    while (t > 0 && out[t - 1] == '/')
        t--;
    while (t > 0 && out[t - 1] != '/')
        t--;
    if (t == 0)
        return 0;
    size_t s = t;
    while (s > 0 && out[s - 1] == '/')
        s--;
    out[s] = '/';
    return s + 1;
}

int normalize_script_path(char *out, const char *name, const char *base, int allow_blank)
{
    out[0] = '\0';  // an error leaves the empty path
    if (!has_special_char(name)) {
        if (join_path(out, base, name) != 0)
            return path_too_long(base, name);
        return 0;
    }
    const char *text = name;
    if (name[0] == ':') {
        text = name[1] == '/' ? name + 2 : name + 1;
        base = "";
    } else if (name[0] == '/') {
        text = name + 1;
    }
    if (join_path(g_path_scratch, base, text) != 0)
        return path_too_long(base, text);
    const char *src = g_path_scratch;
    size_t w = 0, i = 0;
    out[0] = '\0';
    while (src[i]) {
        while (src[i] == '/')
            out[w++] = src[i++];
        if (!src[i])
            break;
        size_t start = i;
        while (src[i] && src[i] != '/') {
            if (src[i] == ' ' && !allow_blank) {
                out[0] = '\0';
                report_script_error(100242, 1, g_path_scratch);
                return -1;
            }
            i = sjis_step(src, i);
        }
        if (src[i] == '/')
            i++;
        size_t len = i - start;
        if (len == 2 && std::memcmp(src + start, "./", 2) == 0)
            continue;
        if (len == 3 && std::memcmp(src + start, "../", 3) == 0) {
            w = drop_last_part(out, w);
            continue;
        }
        std::memcpy(out + w, src + start, len);
        w += len;
    }
    out[w] = '\0';
    if (w > 0 && out[w - 1] == '/') {
        out[w - 1] = '\0';
        return 1;
    }
    return 0;
}

TreeNode *find_script_path(int tree, const char *name, int find, char *path, int *kind)
{
    TreeNode *const roots[4] = {g_layer_tree, g_sound_tree, g_task_tree, g_menu_tree};
    char own[KV_PATH_MAX];
    if (!path)
        path = own;
    *kind = normalize_script_path(path, name, g_tree_path_roots[tree], 0);
    if (*kind < 0)
        return nullptr;
    if (find == KV_FIND_AS_WRITTEN)
        find = *kind == 1 ? KV_FIND_FOLDER : KV_FIND_LEAF;
    return name_tree_lookup(roots[tree], path, find);
}

int tree_set_base_path(int tree, const char *text)
{
    if (tree < 0 || tree >= 4 || !g_tree_path_roots[tree])
        return -1;
    size_t i = 0;
    while (text[i]) {
        size_t next = sjis_step(text, i);
        if (next > KV_BASE_PATH_MAX - 1)
            break;  // never cut a double-byte character in two
        i = next;
    }
    std::memcpy(g_tree_path_roots[tree], text, i);
    g_tree_path_roots[tree][i] = '\0';
    return 0;
}
