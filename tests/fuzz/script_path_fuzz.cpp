// Path normalisation, tree lookup and creation, media-name forms.
#include "fuzz_core_util.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    static bool ready = false;
    if (!ready) {
        init_path_special_chars();
        create_tree_roots();
        ready = true;
    }
    fuzz_core_quiet();
    if (size < 1)
        return 0;
    uint8_t flags = data[0];
    std::string rest((const char *)data + 1, size - 1);
    size_t cut = rest.find('\0');
    std::string base = cut == std::string::npos ? "" : rest.substr(0, cut);
    std::string name = cut == std::string::npos ? rest : rest.substr(cut + 1);
    name = name.substr(0, name.find('\0'));

    tree_set_base_path(KV_TREE_LAYER, base.c_str());
    if (std::strlen(g_tree_path_roots[KV_TREE_LAYER]) > 255)
        std::abort();
    char out[KV_PATH_MAX];
    int r = normalize_script_path(out, name.c_str(), g_tree_path_roots[KV_TREE_LAYER], flags & 1);
    if (r >= 0) {
        if (std::strlen(out) >= KV_PATH_MAX)
            std::abort();
        TreeNode *parent = tree_path_parent(out, g_layer_tree);
        if (parent && (flags & 2) && out[0]) {
            TreeNode *n = create_tree_node(g_layer_tree, out, (flags >> 2) & 1, (int8_t)flags);
            if (n && name_tree_lookup(g_layer_tree, out, KV_FIND_ANY) == nullptr)
                std::abort();
            if (n) {
                tree_node_unlink(n);
                std::free(n->name);
                std::free(n);
            }
        }
        name_tree_lookup(g_layer_tree, out, flags % 3);
    }
    char media[KV_PATH_MAX];
    std::string copy = name.substr(0, KV_PATH_MAX - 1);
    std::vector<char> buf(copy.begin(), copy.end());
    buf.push_back('\0');
    FileSource src;
    std::memset(&src, 0, sizeof src);
    find_media_file(&src, media, buf.data(), (flags >> 3) & 1);
    return 0;
}
