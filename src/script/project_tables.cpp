// The tables of the compiled project and their release.
#include <cstdlib>

#include "core/error_report.h"
#include "script/kbn_read.h"
#include "script/project.h"
#include "script/project_private.h"
#include "script/script_file.h"

CommandDef *g_command_defs;
uint32_t g_command_def_count;
const char *g_errno_texts[37];
uint8_t g_key_map[256];
uint32_t g_var_table_word;
uint32_t g_script_count;
char **g_script_names;
uint32_t *g_script_values;
NameTable g_name_table;
const uint8_t *g_var_defs;
uint32_t g_var_defs_size;
uint32_t g_game_width, g_game_height;
char g_window_title[264];
uint8_t g_frame_thread_mode;
uint8_t g_window_resizable;
uint8_t g_window_framed = 1;
uint8_t g_project_flags[3];
uint32_t g_frame_texture_size[2];
ScriptFile **g_script_files;
uint32_t g_script_file_count;

ProjectImages g_project_images;

// Script names that the list does not give point here, never at null.
char g_empty_script_name[1] = "";

static void free_image(uint8_t **p)
{
    std::free(*p);
    *p = nullptr;
}

void free_command_defs(void)
{
    for (uint32_t i = 0; g_command_defs && i < g_command_def_count; i++) {
        std::free(g_command_defs[i].arg_names);
        std::free(g_command_defs[i].arg_kinds);
        std::free(g_command_defs[i].arg_classes);
    }
    std::free(g_command_defs);
    g_command_defs = nullptr;
    g_command_def_count = 0;
    for (auto &t : g_errno_texts)
        t = "";
    free_image(&g_project_images.kvc);
}

void free_script_names(void)
{
    for (uint32_t i = 0; g_script_names && i < g_script_count; i++)
        if (g_script_names[i] != g_empty_script_name)
            std::free(g_script_names[i]);
    std::free(g_script_names);
    std::free(g_script_values);
    g_script_names = nullptr;
    g_script_values = nullptr;
    g_script_count = 0;
}

void free_labels(void)
{
    for (uint32_t i = 0; g_name_table.labels && i < g_name_table.count; i++) {
        if (g_name_table.labels[i])
            std::free(g_name_table.labels[i]->name);
        std::free(g_name_table.labels[i]);
    }
    std::free(g_name_table.labels);
    g_name_table.labels = nullptr;
    g_name_table.count = 0;
    for (auto &b : g_name_table.buckets)
        b = 0;
}

void free_error_texts(void)
{
    std::free(g_project_error_texts);
    g_project_error_texts = nullptr;
    g_project_error_text_count = 0;
    g_error_text_count = 0;
    for (auto &e : g_error_texts) {
        e.code = 0;
        e.text = "";
    }
    free_image(&g_project_images.kve);
}

void project_unload(void)
{
    if (g_script_files) {
        for (uint32_t i = 0; i < g_script_file_count; i++)
            script_file_free(g_script_files[i]);
        std::free(g_script_files);
    }
    g_script_files = nullptr;
    g_script_file_count = 0;
    free_command_defs();
    free_script_names();
    free_labels();
    free_error_texts();
    free_image(&g_project_images.kvv);
    g_var_defs = nullptr;
    g_var_defs_size = 0;
    g_var_table_word = 0;
}
