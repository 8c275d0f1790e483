// Object trees: lookup by path, ordered insertion, creation and unlinking.
#include <cstdlib>
#include <cstring>

#include "core/error_report.h"
#include "core/tree.h"

void *alloc_zeroed(size_t n)
{
    return std::calloc(1, n ? n : 1);
}

// End of the path part that starts at i: the next '/' or the terminator.
static size_t part_end(const char *path, size_t i)
{
    while (path[i] && path[i] != '/') {
        if (sjis_is_lead((unsigned char)path[i]) && path[i + 1])
            i++;
        i++;
    }
    return i;
}

TreeNode *tree_find_folder_child(TreeNode *node, const char *name, uint32_t len)
{
    uint32_t h = tree_name_hash(name, len) + KV_FOLDER_HASH_BIT;
    for (TreeNode *c = node->first_child; c; c = c->next)
        if (c->name_hash == h && c->name_len == len && std::memcmp(c->name, name, len) == 0)
            return c;
    return nullptr;
}

static void report_missing_folder(const char *name, size_t len)
{
    char folder[256];
    if (len > 255)
        len = 255;
    std::memcpy(folder, name, len);
    folder[len] = '\0';
    report_script_error(100230, 1, folder);
}

// Walks every part closed by '/'; *last receives the offset of the last part.
static TreeNode *walk_folders(TreeNode *root, const char *path, size_t *last)
{
    TreeNode *node = root;
    size_t i = 0;
    for (;;) {
        size_t e = part_end(path, i);
        if (!path[e])
            break;
        TreeNode *child = tree_find_folder_child(node, path + i, (uint32_t)(e - i));
        if (!child) {
            report_missing_folder(path + i, e - i);
            return nullptr;
        }
        node = child;
        i = e + 1;
    }
    *last = i;
    return node;
}

TreeNode *tree_path_parent(const char *path, TreeNode *root)
{
    size_t last;
    return walk_folders(root, path, &last);
}

TreeNode *name_tree_lookup(TreeNode *root, const char *path, int kind)
{
    size_t last;
    TreeNode *node = walk_folders(root, path, &last);
    if (!node)
        return nullptr;
    const char *name = path + last;
    uint32_t len = (uint32_t)std::strlen(name);
    uint32_t h = tree_name_hash(name, len);
    for (TreeNode *c = node->first_child; c; c = c->next) {
        bool match = kind == KV_FIND_LEAF     ? c->name_hash == h
                     : kind == KV_FIND_FOLDER ? c->name_hash == h + KV_FOLDER_HASH_BIT
                                              : (c->name_hash & 0x7fffffffu) == h;
        if (match && c->name_len == len && std::memcmp(c->name, name, len) == 0)
            return c;
    }
    return nullptr;
}

void tree_insert_sorted(TreeNode *parent, TreeNode *node, int64_t key)
{
    node->parent = parent;
    if (!parent->first_child) {
        node->prev = node->next = nullptr;
        parent->first_child = parent->last_child = node;
    } else {
        TreeNode *after = parent->first_child;
        while (after && after->order_key <= key)
            after = after->next;
        if (after) {
            node->next = after;
            node->prev = after->prev;
            if (after->prev)
                after->prev->next = node;
            else
                parent->first_child = node;
            after->prev = node;
        } else {
            node->prev = parent->last_child;
            node->next = nullptr;
            parent->last_child->next = node;
            parent->last_child = node;
        }
    }
    node->order_key = key;
    parent->child_count++;
}

TreeNode *create_tree_node(TreeNode *root, const char *path, uint8_t folder, int64_t key)
{
    if (!path) {
        report_system_error(900020, 1);
        return nullptr;
    }
    size_t last;
    TreeNode *parent = walk_folders(root, path, &last);
    if (!parent)
        return nullptr;
    const char *name = path + last;
    size_t len = std::strlen(name);
    TreeNode *node = (TreeNode *)alloc_zeroed(sizeof(TreeNode));
    char *copy = (char *)std::malloc(len + 1);
    if (!node || !copy) {
        std::free(node);
        std::free(copy);
        report_system_error(100010, 1);
        return nullptr;
    }
    std::memcpy(copy, name, len + 1);
    node->name = copy;
    node->name_len = (uint32_t)len;
    node->name_hash = tree_name_hash(name, len) + (folder ? (uint32_t)KV_FOLDER_HASH_BIT : 0u);
    node->is_folder = folder ? 1 : 0;
    tree_insert_sorted(parent, node, key);
    return node;
}

// Removes node from its parent's list and returns the parent. A node without
// a parent (a root, or one already unlinked) is left as it is.
TreeNode *tree_node_unlink(TreeNode *node)
{
    TreeNode *parent = node ? node->parent : nullptr;
    if (!parent)
        return nullptr;
    if (node->prev)
        node->prev->next = node->next;
    else
        parent->first_child = node->next;
    if (node->next)
        node->next->prev = node->prev;
    else
        parent->last_child = node->prev;
    node->prev = node->next = nullptr;
    node->parent = nullptr;
    parent->child_count--;
    return parent;
}
