// Shared between the project loaders (not for other subsystems).
#pragma once

#include "core/error_report.h"
#include "core/kv_base.h"

struct ScriptFile;

// The kept file images (names, texts and kvv.kbn point into them).
struct ProjectImages {
    uint8_t *kvc;
    uint8_t *kve;
    uint8_t *kvv;
};
extern ProjectImages g_project_images;

extern char g_empty_script_name[1];

void free_command_defs(void);
void free_script_names(void);
void free_labels(void);
void free_error_texts(void);
void script_file_free(ScriptFile *file);

// The file names the loaders read and report.
#define KV_PATH_KVC "kvbin\\kvc.kbn"
#define KV_PATH_KVT "kvbin\\kvt.kbn"
#define KV_PATH_KVT_LIST "kvbin\\kvt_list.kbn"
#define KV_PATH_KVCFG "kvbin\\kvcfg.kbn"
#define KV_PATH_KVL "kvbin\\kvl.kbn"
#define KV_PATH_KVV "kvbin\\kvv.kbn"
#define KV_PATH_KVE "kvbin\\kve.kbn"

// script_file_load that also tells a damaged file (reported) from a missing one.
int script_file_load_status(int number, bool *damaged);
void install_error_location(void);
