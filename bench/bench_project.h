// Shared scaffolding of the script benchmarks: a project written by the
// generator into a folder under /tmp (removed when the program ends) and
// loaded as start-up loads it, figures printed by the lua5.4 interpreter,
// and the minimum of repetitions (the machine is shared: the figure to read).
#pragma once

#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

#include "core/error_report.h"
#include "core/pack.h"
#include "core/tree.h"
#include "core/window.h"
#include "script/expr.h"
#include "script/project.h"
#include "script/task.h"
#include "script/vars.h"
#include "shell/startup.h"

namespace benchproj {

struct DirCleanup {
    std::vector<std::string> dirs;
    ~DirCleanup()
    {
        if (chdir("/tmp") != 0)
            return;
        for (const std::string &d : dirs)
            std::system(("rm -rf '" + d + "'").c_str());
    }
};
inline DirCleanup g_generated;

// Generates the project `desc` describes, makes its folder the current one
// and loads it (after any earlier one) with a main task on SYSTEM; false with
// the reason in *why.
inline bool load_generated_project(const std::string &desc, std::string *why)
{
    char tmpl[] = "/tmp/kvbench_XXXXXX";
    if (!mkdtemp(tmpl)) {
        *why = "mkdtemp";
        return false;
    }
    std::string dir = tmpl;
    g_generated.dirs.push_back(dir);
    std::ofstream(dir + "/desc.txt") << desc;
    std::string cmd = "python3 '" KV_GENERATOR "' project '" + dir + "/desc.txt' '" + dir +
                      "/out' >/dev/null 2>&1";
    if (std::system(cmd.c_str()) != 0 || chdir((dir + "/out").c_str()) != 0) {
        *why = "the project generator failed";
        return false;
    }
    g_error_shown = 1;
    project_unload();
    var_table_free();
    create_window_objects();
    init_path_special_chars();
    init_pack_name_table();
    create_tree_roots();
    TreeNode *sys = name_tree_lookup(g_task_tree, "SYSTEM", KV_FIND_LEAF);
    ScriptTask *t = script_task_create();
    t->main_task = 1;
    sys->payload = t;
    init_expr_op_table(1);
    init_assign_op_table();
    if (load_project_config() != 0 || load_project_and_prime_system() != 0) {
        *why = "the project did not load";
        return false;
    }
    return true;
}

// The number a Lua chunk prints (it times itself with os.clock); -1 when
// lua5.4 did not run.
inline double lua_figure(const std::string &code)
{
    FILE *p = popen(("lua5.4 -e \"" + code + "\" 2>/dev/null").c_str(), "r");
    if (!p)
        return -1;
    char buf[64] = {};
    size_t n = fread(buf, 1, sizeof buf - 1, p);
    pclose(p);
    return n ? std::atof(buf) : -1;
}

inline double min_of(const std::vector<double> &v)
{
    return *std::min_element(v.begin(), v.end());
}

}  // namespace benchproj
