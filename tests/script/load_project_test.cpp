// Project loading against generated projects: every table, the main task,
// the script-file arrays, label lookup and the kvcfg.kbn edge cases.
#include <algorithm>
#include <cstring>

#include "load_helpers.h"
#include "script/flow.h"
#include "script/args.h"
#include "script/commands.h"
#include "script/scheduler.h"
#include "script/task.h"

using namespace loadtest;

namespace {

class LoadProject : public ::testing::Test {
protected:
    void SetUp() override { reset_engine(); }
    void TearDown() override
    {
        leave_project();
        project_unload();
    }
    ScriptTask *system_task()
    {
        TreeNode *n = name_tree_lookup(g_task_tree, "SYSTEM", KV_FIND_LEAF);
        return n ? (ScriptTask *)n->payload : nullptr;
    }
};

TEST_F(LoadProject, LoadsEveryTableAndPrimesSystem)
{
    LOAD_PROJECT_OR_SKIP("load_basic", "");
    ASSERT_EQ(0, load_all()) << g_last_error_code << " " << g_error_message;
    EXPECT_EQ(0u, g_last_error_code);

    // kvcfg.kbn
    EXPECT_EQ(1000, g_windows[0]->game_width);
    EXPECT_EQ(300, g_windows[0]->game_height);
    EXPECT_STREQ("テスト", g_window_title);
    EXPECT_EQ(1, g_debug_mode);
    EXPECT_EQ(1, g_sound_enabled);
    EXPECT_EQ(1, g_frame_thread_mode);
    EXPECT_EQ(1, g_window_resizable);
    EXPECT_EQ(0, g_window_framed);
    const uint8_t image_order[4] = {2, 1, 3, 4}, sound_order[2] = {2, 1};
    EXPECT_EQ(0, std::memcmp(image_order, g_image_ext_order, 4));
    EXPECT_EQ(0, std::memcmp(sound_order, g_sound_ext_order, 2));
    EXPECT_EQ(1024u, g_frame_texture_size[0]);
    EXPECT_EQ(512u, g_frame_texture_size[1]);

    // kvc.kbn: 104 commands, the command table, errno texts, key map
    ASSERT_EQ(104u, g_command_def_count);
    EXPECT_STREQ("end", g_command_defs[12].name);
    ASSERT_EQ(1, g_command_defs[12].arg_count);
    EXPECT_STREQ("restart", g_command_defs[12].arg_names[0]);
    EXPECT_EQ(31, g_command_defs[29].arg_count);
    EXPECT_EQ(1, g_command_defs[29].arg_kinds[0]);
    EXPECT_EQ(1, g_command_defs[1].arg_kinds[0]);      // layer path: text
    EXPECT_EQ(2, g_command_defs[95].arg_kinds[0]);     // evaluated by the command
    EXPECT_EQ(106, g_command_defs[13].arg_count);
    for (int i = 0; i < KV_COMMAND_COUNT; i++)
        EXPECT_EQ(g_command_registrations[i].handler, g_command_table[i]) << i;
    EXPECT_EQ(cmd_end, g_command_table[12]);
    EXPECT_EQ(cmd_goto, g_command_table[28]);
    EXPECT_EQ(cmd_undefined, g_command_table[24]);
    EXPECT_EQ(cmd_undefined, g_command_table[103]);
    EXPECT_EQ(noop_handler, g_command_table[65]);
    EXPECT_STREQ("errno 0", g_errno_texts[0]);
    EXPECT_STREQ("errno 36", g_errno_texts[36]);
    EXPECT_EQ(200, g_key_map[3]);
    EXPECT_EQ(4, g_key_map[4]);

    // kvt.kbn and kvv.kbn
    EXPECT_EQ(77u, g_var_table_word);
    EXPECT_EQ(1005u, g_var_count);
    ASSERT_NE(nullptr, g_var_defs);
    EXPECT_EQ(1, g_vars[1000]->type);          // globals created
    EXPECT_EQ(5, g_vars[1000]->ints[0]);
    EXPECT_EQ(12, g_vars[1001]->count);
    EXPECT_EQ(0, g_vars[1003]->type);          // file 1 not loaded yet

    // kvt_list.kbn: names by number, values by position, gaps are ""
    ASSERT_EQ(5u, g_script_count);
    EXPECT_STREQ("main.kvs", g_script_names[0]);
    EXPECT_STREQ("sub.kvs", g_script_names[1]);
    ASSERT_NE(nullptr, g_script_names[2]);
    EXPECT_STREQ("", g_script_names[2]);
    EXPECT_STREQ("third.kvs", g_script_names[3]);
    EXPECT_EQ(11u, g_script_values[0]);
    EXPECT_EQ(22u, g_script_values[1]);
    EXPECT_EQ(2u, g_script_values[2]);
    EXPECT_EQ(5u, g_script_file_count);

    // kve.kbn: project texts first, every record kept
    ASSERT_GE(g_error_text_count, 2u);
    EXPECT_EQ(100010u, g_error_texts[0].code);
    EXPECT_STREQ("override", g_error_texts[0].text);
    EXPECT_EQ(123456u, g_error_texts[1].code);

    // kvl.kbn and the main task
    ASSERT_EQ(3u, g_name_table.count);
    EXPECT_EQ(0u, g_name_table.buckets[0]);
    int start = name_table_find("SYSTEM_START", 12);
    ASSERT_GE(start, 0);
    ScriptTask *t = system_task();
    ASSERT_NE(nullptr, t);
    EXPECT_EQ(0, t->file_number);
    EXPECT_EQ(g_name_table.labels[start]->pc, t->pc);
    EXPECT_EQ(0u, t->pc);
    ASSERT_NE(nullptr, g_script_files[0]);
    EXPECT_EQ(g_script_files[0], t->file);
    EXPECT_EQ(g_script_files[0]->handlers[1], t->handlers[1]);
    EXPECT_EQ(g_script_files[0]->line_table, t->line_table);
}

TEST_F(LoadProject, ScriptFileArraysAndLabelPreResolution)
{
    LOAD_PROJECT_OR_SKIP("load_basic", "");
    ASSERT_EQ(0, load_all());
    const ScriptFile *f = g_script_files[0];
    ASSERT_NE(nullptr, f);
    // declare, if, wait, else, elseif, wait, else, wait, endif, loop, if,
    // endif, endloop, goto, goto, gosub x3, end
    ASSERT_EQ(19u, f->instr_count);
    const uint8_t commands[19] = {36, 30, 87, 31, 11, 87, 31, 87, 34, 41, 30, 34, 44, 28, 28, 29, 29, 29, 12};
    for (uint32_t i = 0; i < f->instr_count; i++) {
        EXPECT_EQ(instruction_gate, f->handlers[0][i]) << i;
        // Ifs with a constant condition take the quick handler.
        CommandHandler want = commands[i] == 30 ? cmd_if_quick : g_command_table[commands[i]];
        EXPECT_EQ(want, f->handlers[1][i]) << i;
    }
    ASSERT_NE(nullptr, f->arg_records[1][0].quick);
    EXPECT_EQ(EXPR_QUICK_ONE, f->arg_records[1][0].quick->form);
    EXPECT_EQ(1, f->arg_records[1][0].quick->a.k);
    EXPECT_EQ(nullptr, f->arg_records[1][1].quick);   // a program counter
    // the block layout: if {cond, next branch, end}, elseif {cond, next}
    ASSERT_EQ(3, f->arg_counts[1]);
    EXPECT_EQ(4u, f->arg_records[1][1].length);
    EXPECT_EQ(8u, f->arg_records[1][2].length);
    EXPECT_EQ(7u, f->arg_records[4][1].length);
    EXPECT_EQ(12u, f->arg_records[9][1].length);       // loop end pc
    EXPECT_EQ(f->arg_records[1] + 3, f->arg_records[2]);
    // the line table: description lines
    EXPECT_EQ(15u, f->line_table[0]);

    // a constant goto is resolved, one through a variable is not
    int sub = name_table_find("SUB", 3);
    ASSERT_GE(sub, 0);
    EXPECT_EQ(KV_GOTO_RESOLVED + (uint32_t)sub, f->arg_records[13][0].length);
    EXPECT_LT(f->arg_records[14][0].length, KV_GOTO_RESOLVED);
    // gosub: index 0 stays unresolved (0 means "not resolved")
    const char *targets[3] = {"SYSTEM_START", "SUB", "OTHER"};
    for (int k = 0; k < 3; k++) {
        int index = name_table_find(targets[k], (uint32_t)std::strlen(targets[k]));
        ASSERT_GE(index, 0);
        EXPECT_EQ((uint16_t)index, arg_label_index(&f->arg_records[15 + k][0])) << targets[k];
    }
}

TEST_F(LoadProject, LazyLoadingAndFileVariables)
{
    LOAD_PROJECT_OR_SKIP("load_basic", "");
    ASSERT_EQ(0, load_all());
    EXPECT_EQ(nullptr, g_script_files[1]);
    ASSERT_EQ(1, script_file_load(1));
    const ScriptFile *f1 = g_script_files[1];
    ASSERT_NE(nullptr, f1);
    EXPECT_EQ(1, script_file_load(1));
    EXPECT_EQ(f1, g_script_files[1]);
    EXPECT_EQ(9, g_vars[1003]->ints[0]);
    EXPECT_EQ(42u, f1->line_table[1]);
    // a file of zero instructions loads and creates its variables
    ASSERT_EQ(1, script_file_load(4));
    EXPECT_EQ(0u, g_script_files[4]->instr_count);
    EXPECT_EQ(3, g_vars[1004]->ints[0]);
    // missing and out-of-range files: 0, no report
    EXPECT_EQ(0, script_file_load(2));
    EXPECT_EQ(nullptr, g_script_files[2]);
    EXPECT_EQ(0, script_file_load(5));
    EXPECT_EQ(0, script_file_load(-1));
    EXPECT_EQ(0u, g_last_error_code);
}

TEST_F(LoadProject, LocationOfTheRunningInstruction)
{
    LOAD_PROJECT_OR_SKIP("load_basic", "");
    ASSERT_EQ(0, load_all());
    ASSERT_EQ(1, script_file_load(1));
    const char *name;
    uint32_t line;
    ASSERT_EQ(1, script_location_of(1, 1, &name, &line));
    EXPECT_STREQ("sub.kvs", name);
    EXPECT_EQ(42u, line);
    EXPECT_EQ(0, script_location_of(9, 0, &name, &line));
    EXPECT_STREQ("", name);
    ScriptTask *saved = g_cur_script;
    g_cur_script = system_task();
    g_cur_instr = 0;
    ASSERT_EQ(1, script_current_location(&name, &line));
    EXPECT_STREQ("main.kvs", name);
    EXPECT_EQ(15u, line);
    ASSERT_NE(nullptr, g_error_location_fn);
    g_cur_script = saved;
}

TEST_F(LoadProject, CommandByteBeyondTheTableRunsUndefined)
{
    LOAD_PROJECT_OR_SKIP("load_basic", "script:command");
    ASSERT_EQ(0, load_all()) << g_last_error_code << " " << g_error_message;
    EXPECT_EQ(cmd_undefined, g_script_files[0]->handlers[1][0]);
}

// Command 13 takes ids up to 105; ids beyond a command's own list still load
// (as arguments of no kind) instead of refusing the file.
TEST_F(LoadProject, WideArgumentIdsLoadAndReachTheSlots)
{
    LOAD_PROJECT_OR_SKIP("load_basic", "");
    ASSERT_EQ(0, load_all());
    ASSERT_EQ(1, script_file_load(3)) << g_last_error_code << " " << g_error_message;
    const ScriptFile *f = g_script_files[3];
    ASSERT_EQ(3, f->arg_counts[0]);
    EXPECT_EQ(105, f->arg_records[0][1].id);
    EXPECT_EQ(200, f->arg_records[0][2].id);

    ScriptTask *task = system_task();
    ASSERT_NE(nullptr, task);
    ScriptTask *saved = g_cur_script;
    task_adopt_file(task, 3, f);
    g_cur_script = task;
    g_cur_instr = 0;
    EXPECT_EQ(0, load_command_args(13));
    EXPECT_EQ(3, g_arg_slots.count);
    EXPECT_EQ(3, arg_int(5));
    EXPECT_EQ(2u, arg_pos(105));
    EXPECT_EQ(7, arg_int(105));
    EXPECT_EQ(3u, arg_pos(200));      // present, though not in the list
    EXPECT_FALSE(arg_present(104));
    g_cur_script = saved;
    EXPECT_EQ(0u, g_last_error_code);
}

TEST_F(LoadProject, MissingStartLabelIsReported)
{
    LOAD_PROJECT_OR_SKIP("load_basic", "");
    const std::string kvl = "kvbin/kvl.kbn";
    std::vector<uint8_t> d = read_file(kvl);
    const std::string name = "SYSTEM_START";
    auto at = std::search(d.begin(), d.end(), name.begin(), name.end());
    ASSERT_NE(d.end(), at);
    *at = 'X';
    write_file(kvl, d);
    EXPECT_EQ(-1, load_all());
    EXPECT_EQ(108180u, g_last_error_code);
    EXPECT_NE(0, g_quit_flag.load());
}

TEST_F(LoadProject, ManyErrorTextsAreAllKept)
{
    LOAD_PROJECT_OR_SKIP("load_basic", "kve:many");
    ASSERT_EQ(0, load_all()) << g_last_error_code << " " << g_error_message;
    EXPECT_EQ(256u, g_error_text_count);
    EXPECT_EQ(900000u, g_error_texts[0].code);
    EXPECT_STREQ("text 254", g_error_texts[254].text);
    // the project has no damaged-data text: the engine's keeps the last slot
    EXPECT_EQ(KV_ERR_PROJECT_DATA, g_error_texts[255].code);
    report_system_error(KV_ERR_PROJECT_DATA, 1, "kvbin\\kvt00007.kbn");
    EXPECT_STREQ("[kvbin\\kvt00007.kbn]ファイルのデータが壊れています。", g_error_message);
    // records beyond the reporter's table are kept and found
    EXPECT_STREQ("text 299", project_error_text(900299));
    EXPECT_STREQ("text 299", error_text(900299));
    EXPECT_STREQ("override", project_error_text(100010));
    EXPECT_EQ(nullptr, project_error_text(1));
}

TEST_F(LoadProject, PackedProjectLoadsFromThePack)
{
    LOAD_PROJECT_OR_SKIP("load_basic", "pack");
    ASSERT_EQ(0, build_pack_index()) << g_error_message;
    int r = load_all();
    reset_pack_index();
    ASSERT_EQ(0, r) << g_last_error_code << " " << g_error_message;
    EXPECT_EQ(104u, g_command_def_count);
    EXPECT_STREQ("テスト", g_window_title);
    ASSERT_NE(nullptr, g_script_files[0]);
    EXPECT_EQ(19u, g_script_files[0]->instr_count);
}

// --- kvcfg.kbn edge cases (patched in place) ----------------------------------------

struct ConfigCase {
    uint32_t w, h;
    uint32_t code;            // 0: accepted
    uint32_t tex_w, tex_h;    // expected texture sides when accepted
};

TEST_F(LoadProject, GameSizeLimits)
{
    LOAD_PROJECT_OR_SKIP("load_basic", "");
    const ConfigCase cases[] = {
        {0, 0, 0, 2048, 2048}, {127, 480, 901020, 0, 0}, {640, 8193, 901020, 0, 0},
        {128, 16, 0, 256, 256}, {8192, 8192, 0, 4096, 4096}, {4097, 600, 0, 4096, 1024},
        {640, 15, 901020, 0, 0}, {8193, 480, 901020, 0, 0},
    };
    const std::string cfg = "kvbin/kvcfg.kbn";
    for (const ConfigCase &c : cases) {
        reset_engine();
        patch_u32(cfg, 16, c.w);
        patch_u32(cfg, 20, c.h);
        int r = load_project_config();
        EXPECT_EQ(c.code, g_last_error_code) << c.w << "x" << c.h;
        EXPECT_EQ(c.code ? -1 : 0, r) << c.w << "x" << c.h;
        if (!c.code) {
            EXPECT_EQ(c.w ? (int32_t)c.w : 1920, g_windows[0]->game_width);
            EXPECT_EQ(c.tex_w, g_frame_texture_size[0]) << c.w;
            EXPECT_EQ(c.tex_h, g_frame_texture_size[1]) << c.h;
        }
    }
}

TEST_F(LoadProject, TitleLimitsAndThreadMode)
{
    LOAD_PROJECT_OR_SKIP("load_basic", "");
    const std::string cfg = "kvbin/kvcfg.kbn";
    std::vector<uint8_t> base = read_file(cfg);
    base.resize(78);
    for (uint32_t len : {0u, 1u, 128u, 129u}) {
        reset_engine();
        std::vector<uint8_t> d = base;
        d[76] = (uint8_t)len;
        d[77] = 0;
        d.insert(d.end(), len, 'T');
        write_file(cfg, d);
        int r = load_project_config();
        if (len > 128) {
            EXPECT_EQ(-1, r);
            EXPECT_EQ(901000u, g_last_error_code);
        } else {
            EXPECT_EQ(0, r);
            EXPECT_EQ(len ? len : 1, std::strlen(g_window_title));
        }
    }
    reset_engine();
    base[76] = 0;
    write_file(cfg, base);
    patch_u32(cfg, 40, 2);
    EXPECT_NE(0, load_project_config());
    EXPECT_EQ(901020u, g_last_error_code);
    // the extension codes are 16 bits each: high bytes are not copied
    reset_engine();
    patch_u32(cfg, 40, 0);
    patch_u32(cfg, 28, 0x01020304u);
    ASSERT_EQ(0, load_project_config());
    EXPECT_EQ(4, g_image_ext_order[0]);
    EXPECT_EQ(2, g_image_ext_order[1]);
}

// --- the label table -----------------------------------------------------------------

TEST_F(LoadProject, LabelScanRunsPastItsBucket)
{
    LOAD_PROJECT_OR_SKIP("load_basic", "");
    ASSERT_EQ(0, load_all());
    // Every bucket pointing at 0: the scan still finds each label.
    for (auto &b : g_name_table.buckets)
        b = 0;
    for (uint32_t i = 0; i < g_name_table.count; i++) {
        const char *n = g_name_table.labels[i]->name;
        EXPECT_EQ((int)i, name_table_find(n, (uint32_t)std::strlen(n)));
    }
    EXPECT_EQ(-1, name_table_find("NOPE", 4));
    EXPECT_EQ(-1, name_table_find("SUB", 2));
    // A bucket start beyond the table finds nothing.
    uint32_t h = murmur2("SUB", 3);
    g_name_table.buckets[h >> 24] = g_name_table.count;
    EXPECT_EQ(-1, name_table_find("SUB", 3));
}

}  // namespace
