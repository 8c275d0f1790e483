// Object trees: the one node type of the layer, task, sound and menu trees,
// path joining and normalisation, lookup by path, ordered insertion, node
// creation, zeroed allocation and the name hash.
#pragma once

#include "core/kv_base.h"

// Payload records owned by other subsystems (only pointers are kept here).
struct LayerState;
struct ScriptTask;
struct SoundRecord;
struct MenuItem;

struct TreeNode {
    TreeNode *first_child;
    TreeNode *last_child;
    TreeNode *prev;
    TreeNode *next;
    TreeNode *parent;       // null only for a tree root
    char *name;             // heap copy, NUL-terminated; null for a root
    uint32_t name_len;
    uint32_t name_hash;     // murmur2 & 0x7fffffff, bit 31 set for a folder
    uint32_t child_count;
    int64_t order_key;      // siblings stand in ascending key order
    uint8_t is_folder;
    void *payload;
};

enum { KV_FOLDER_HASH_BIT = 0x80000000u };

// Lookup kinds of name_tree_lookup (KV_FIND_AS_WRITTEN: find_script_path only).
enum { KV_FIND_LEAF = 0, KV_FIND_FOLDER = 1, KV_FIND_ANY = 2, KV_FIND_AS_WRITTEN = 3 };

// Every joined path fits in KV_PATH_MAX bytes with its terminator; longer
// joins are refused. A tree's base path holds at most KV_BASE_PATH_MAX - 1 bytes.
enum { KV_PATH_MAX = 1024, KV_BASE_PATH_MAX = 256 };

// The four trees. g_tree_path_roots is indexed layers, sounds, tasks, menus
// (the order of the string system variables 106-109).
enum { KV_TREE_LAYER = 0, KV_TREE_SOUND = 1, KV_TREE_TASK = 2, KV_TREE_MENU = 3 };
extern TreeNode *g_layer_tree;
extern TreeNode *g_task_tree;
extern TreeNode *g_sound_tree;
extern TreeNode *g_menu_tree;
extern char *g_tree_path_roots[4];

// 1 for '.', '/' and ':'; filled by init_path_special_chars at start-up.
extern uint8_t g_path_special_chars[256];
extern char g_path_scratch[KV_PATH_MAX];
void init_path_special_chars();

// MurmurHash2, seed 0, over unsigned bytes (all 32 bits).
uint32_t murmur2(const void *data, size_t len);
// The tree form: low 31 bits of murmur2.
uint32_t tree_name_hash(const char *name, size_t len);

void *alloc_zeroed(size_t n);

// out must hold KV_PATH_MAX bytes. 0 plain path, 1 path ended in '/' (removed),
// -1 error (reported).
int normalize_script_path(char *out, const char *name, const char *base, int allow_blank);
TreeNode *name_tree_lookup(TreeNode *root, const char *path, int kind);
// The node a script path names in tree `tree` (KV_TREE_*), the path normalised
// against the tree's base path into path (KV_PATH_MAX bytes, or null): looked
// up as `find`, where KV_FIND_AS_WRITTEN takes a folder for a path ended in '/'
// and a leaf otherwise. *kind gets normalize_script_path's result (-1 after a
// reported error). Null when missing or bad.
TreeNode *find_script_path(int tree, const char *name, int find, char *path, int *kind);
TreeNode *tree_find_folder_child(TreeNode *node, const char *name, uint32_t len);
TreeNode *tree_path_parent(const char *path, TreeNode *root);
void tree_insert_sorted(TreeNode *parent, TreeNode *node, int64_t key);
TreeNode *create_tree_node(TreeNode *root, const char *path, uint8_t folder, int64_t key);
TreeNode *tree_node_unlink(TreeNode *node);
// Unlinks node and inserts it again among its siblings by key.
void set_layer_order(TreeNode *node, int64_t key);

// Copies text into base path slot `tree` (KV_TREE_*), cut to at most 255
// bytes on a character boundary. 0, or -1 for a bad slot.
int tree_set_base_path(int tree, const char *text);

// Start-up steps.
int create_tree_roots();
int create_sound_root();

// Payload constructors (each returns the new record or null; a null node
// gives null and allocates nothing).
int create_layer_payload(TreeNode *node);
LayerState *attach_new_layer_payload(TreeNode *node);
void attach_payload_ref(TreeNode *node, LayerState *state);
LayerState *share_layer_payload(TreeNode *node, LayerState *state);
ScriptTask *attach_task_payload(TreeNode *node);
SoundRecord *attach_sound_payload(TreeNode *node);
MenuItem *attach_menu_payload(TreeNode *node, const char *text);
