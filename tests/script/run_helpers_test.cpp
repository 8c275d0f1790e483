// Helpers of the script-running tests (see run_helpers.h), and the checks of
// the helpers' own expression writer.
#include "script/run_helpers.h"

#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>
#include <vector>
#ifdef _WIN32
#include <direct.h>
#else
#include <unistd.h>
#endif

#include "core/error_report.h"
#include "core/input.h"
#include "core/pack.h"
#include "core/quit.h"
#include "core/tree.h"
#include "core/window.h"
#include "platform/sys.h"
#include "script/args.h"
#include "script/expr.h"
#include "script/project.h"
#include "script/scheduler.h"
#include "script/script_file.h"
#include "script/task.h"
#include "script/vars.h"
#include "shell/main_loop.h"
#include "shell/startup.h"
#include "text/font_list.h"
#include "text/image_text.h"

namespace runtest {

static std::string g_workdir;

#ifndef _WIN32
// The last generated project goes when the tests end.
static struct WorkdirCleanup {
    ~WorkdirCleanup()
    {
        if (!g_workdir.empty() && chdir("/tmp") == 0)
            std::system(("rm -rf '" + g_workdir + "'").c_str());
    }
} g_workdir_cleanup;
#endif

// A task payload that the scheduler can run (frame 0, both enable bytes 1).
static void ensure_task_payload(TreeNode *node, int main)
{
    if (!node)
        return;
    ScriptTask *t = (ScriptTask *)node->payload;
    if (!t || !t->frames[0]) {
        t = script_task_create();
        node->payload = t;
    }
    t->main_task = (uint8_t)main;
}

void reset_engine()
{
    g_quit_flag = 0;
    g_error_shown = 1;   // nothing is shown, nothing blocks
    g_last_error_code = 0;
    g_error_text[0] = 0;
    create_window_objects();
    for (int i = 0; i < KV_WINDOW_COUNT; i++) {
        g_windows[i]->game_width = 640;
        g_windows[i]->game_height = 480;
    }
    g_windows[0]->active = 1;
    g_window_slots[0] = 1;
    init_path_special_chars();
    init_pack_name_table();   // the script key
    // The engine never frees its trees; the old roots stay reachable here so
    // that the leak checker reports only real leaks.
    // (Never destroyed: the checker runs after the static destructors.)
    static std::vector<void *> *old_roots = new std::vector<void *>;
    for (TreeNode *r : {g_task_tree, g_layer_tree, g_sound_tree, g_menu_tree})
        if (r)
            old_roots->push_back(r);
    for (char *path : g_tree_path_roots)
        if (path)
            old_roots->push_back(path);
    create_tree_roots();
    for (TreeNode *c = g_task_tree->first_child; c; c = c->next)
        ensure_task_payload(c, !c->is_folder && c->name && std::strcmp(c->name, "SYSTEM") == 0);
    project_unload();
    var_table_free();
    init_expr_op_table(1);
    init_assign_op_table();
    register_key_callbacks();
    static bool fonts_listed;   // as start-up does; the list is kept for the run
    if (!fonts_listed) {
        fonts_listed = true;
        enumerate_fonts();
    }
    image_text_hooks_install();
    g_pass_count = 0;
    g_frame_count = 0;
    g_pass_request = 0;
    g_paused = 0;
    g_run_inactive = 1;
    g_cur_script = nullptr;
    g_cur_task_node = nullptr;
    g_cur_instr = 0;
    g_script_clock = sys_milliseconds;
    g_arg_slots.count = 0;
    std::memset(g_arg_slots.map, 0, sizeof g_arg_slots.map);
}

// Windows builds have no generator: the end-to-end script first runs the
// tests with KV_RUN_DUMP set (each description is written there, named by its
// hash), generates those projects, then runs them again with KV_RUN_FIXTURES
// naming the folder of the generated projects.
#ifdef _WIN32
static std::string desc_hash(const std::string &desc)
{
    uint64_t h = 1469598103934665603ull;
    for (unsigned char c : desc) {
        h ^= c;
        h *= 1099511628211ull;
    }
    char buf[17];
    std::snprintf(buf, sizeof buf, "%016llx", (unsigned long long)h);
    return buf;
}
#endif

static int change_folder(const std::string &path)
{
#ifdef _WIN32
    return _chdir(path.c_str());
#else
    return chdir(path.c_str());
#endif
}

static std::string load_current_folder()
{
    reset_engine();
    if (load_project_config() != 0)
        return "load_project_config failed: " + std::to_string(g_last_error_code);
    if (load_project_and_prime_system() != 0)
        return "load_project_and_prime_system failed: " + std::to_string(g_last_error_code) + " " +
               g_error_text;
    return "";
}

bool generator_available()
{
#ifdef _WIN32
    return std::getenv("KV_RUN_DUMP") || std::getenv("KV_RUN_FIXTURES");
#else
    static int ok = -1;
    if (ok < 0)
        ok = std::system("python3 -c 'import sys' >/dev/null 2>&1") == 0;
    return ok == 1;
#endif
}

std::string load_generated(const std::string &desc)
{
#ifdef _WIN32
    if (const char *dump = std::getenv("KV_RUN_DUMP")) {
        std::ofstream f(std::string(dump) + "\\" + desc_hash(desc) + ".txt", std::ios::binary);
        f << desc;
        reset_engine();   // the test goes on with no project; its results do not count
        return "";
    }
    const char *fixtures = std::getenv("KV_RUN_FIXTURES");
    if (!fixtures)
        return "no generator";
    if (change_folder(std::string(fixtures) + "\\" + desc_hash(desc)) != 0)
        return "no generated project " + desc_hash(desc);
    return load_current_folder();
#else
    if (!g_workdir.empty() && chdir("/tmp") == 0)
        std::system(("rm -rf '" + g_workdir + "'").c_str());
    char tmpl[] = "/tmp/kvrun_XXXXXX";
    if (!mkdtemp(tmpl))
        return "mkdtemp failed";
    g_workdir = tmpl;
    std::string desc_path = g_workdir + "/desc.txt", out = g_workdir + "/out";
    {
        std::ofstream f(desc_path, std::ios::binary);
        f << desc;
    }
    std::string cmd = "python3 '" KV_GENERATOR "' project '" + desc_path + "' '" + out + "' > '" +
                      g_workdir + "/gen.log' 2>&1";
    if (std::system(cmd.c_str()) != 0) {
        std::ifstream log(g_workdir + "/gen.log");
        std::stringstream ss;
        ss << log.rdbuf();
        return "generator failed: " + ss.str();
    }
    if (change_folder(out) != 0)
        return "chdir failed";
    return load_current_folder();
#endif
}

int run_frame_passes()
{
    int passes = 0;
    g_frame_count++;
    do {
        g_pass_request = 0;
        g_pass_count++;
        passes++;
        if (run_script_tasks(g_task_tree))
            g_quit_flag = 1;
    } while (g_pass_request && !g_quit_flag);
    return passes;
}

int run_until_quit(int max_frames)
{
    int n = 0;
    while (!g_quit_flag && n < max_frames) {
        run_frame_passes();
        n++;
    }
    return n;
}

TreeNode *system_node()
{
    return g_task_tree ? name_tree_lookup(g_task_tree, "SYSTEM", KV_FIND_LEAF) : nullptr;
}

ScriptTask *system_task()
{
    TreeNode *n = system_node();
    return n ? (ScriptTask *)n->payload : nullptr;
}

int64_t ivar(uint32_t id, int64_t element)
{
    return var_get_int(id, element);
}

double fvar(uint32_t id, int64_t element)
{
    return var_get_float(id, element);
}

std::string svar(uint32_t id, int64_t element)
{
    const char *s = var_get_string(id, element);
    return s ? s : "";
}

static void put_op(std::vector<uint8_t> &out, char op, const std::vector<uint8_t> &operand)
{
    out.push_back((uint8_t)op);
    out.push_back((uint8_t)(operand.size() & 0xFF));
    out.push_back((uint8_t)(operand.size() >> 8));
    out.insert(out.end(), operand.begin(), operand.end());
}

static void put_le(std::vector<uint8_t> &v, uint64_t x, int n)
{
    for (int i = 0; i < n; i++)
        v.push_back((uint8_t)(x >> (8 * i)));
}

std::string E(std::initializer_list<const char *> tokens)
{
    std::vector<uint8_t> code;
    for (const char *tok : tokens) {
        std::string t = tok;
        std::vector<uint8_t> operand;
        if (t.size() > 1 && t[0] == '$') {
            operand.push_back('`');
            put_le(operand, (uint64_t)std::strtoul(t.c_str() + 1, nullptr, 10), 2);
            put_op(code, t.back() == '[' ? 'V' : 'H', operand);
        } else if (t == "]") {
            put_op(code, ')', operand);
        } else if (t.size() >= 2 && t[0] == '"') {
            operand.push_back('"');
            operand.insert(operand.end(), t.begin() + 1, t.end() - 1);
            operand.push_back('"');
            put_op(code, 'M', operand);
        } else if (!t.empty() && (std::isdigit((unsigned char)t[0]) ||
                                  (t[0] == '-' && t.size() > 1))) {
            if (t.find('.') != std::string::npos) {
                double d = std::strtod(t.c_str(), nullptr);
                uint64_t bits;
                std::memcpy(&bits, &d, 8);
                put_le(operand, bits, 8);
                put_op(code, 'F', operand);
            } else {
                put_le(operand, (uint64_t)std::strtoll(t.c_str(), nullptr, 10), 8);
                put_op(code, 'L', operand);
            }
        } else {
            put_op(code, t[0], operand);
        }
    }
    static const char hex[] = "0123456789abcdef";
    std::string s = "hex:";
    for (uint8_t b : code) {
        s += hex[b >> 4];
        s += hex[b & 15];
    }
    return s;
}

std::string E(int64_t value)
{
    std::string v = std::to_string(value);
    return E({v.c_str()});
}

}  // namespace runtest

TEST(RunHelpers, ExpressionWriterProducesPostfixCode)
{
    EXPECT_EQ(runtest::E({"$1000", "1", "+"}),
              "hex:" "480300" "60e803" "4c0800" "0100000000000000" "2b0000");
}
