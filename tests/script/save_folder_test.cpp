// The save folder is made level by level, top down, on Windows paths: from
// the folder beside the executable and from the special folders (drive
// letter, blanks, Shift-JIS names whose trail byte is a backslash).
#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

#include "script/save.h"

namespace {

std::set<std::string> g_present;
std::vector<std::string> g_made;

std::string without_slash(const char *path)
{
    std::string p = path;
    if (!p.empty() && p.back() == '\\')
        p.pop_back();
    return p;
}

int fake_kind(const char *path)
{
    return g_present.count(without_slash(path)) ? 1 : -1;
}

int fake_make(const char *path)
{
    g_made.push_back(path);
    g_present.insert(without_slash(path));
    return 0;
}

}  // namespace

TEST(SaveFolder, EveryMissingLevelIsMadeTopDown)
{
    const std::string docs = "C:\\Docs";
    const std::string sjis = "C:\\\x83\x5C\x83\x74\x83\x67";   // a name whose first trail byte is '\'
    struct Case {
        std::string folder;
        std::set<std::string> present;
        std::vector<std::string> made;
    } cases[] = {
        {"save\\", {}, {"save"}},
        {"save\\", {"save"}, {}},
        {docs + "\\My Games\\MySoftware_SaveData\\MyGame\\save\\", {docs},
         {docs + "\\My Games", docs + "\\My Games\\MySoftware_SaveData",
          docs + "\\My Games\\MySoftware_SaveData\\MyGame",
          docs + "\\My Games\\MySoftware_SaveData\\MyGame\\save"}},
        {docs + "\\MySoftware_SaveData\\MyGame\\save\\", {docs, docs + "\\MySoftware_SaveData"},
         {docs + "\\MySoftware_SaveData\\MyGame", docs + "\\MySoftware_SaveData\\MyGame\\save"}},
        {sjis + "\\save\\", {}, {sjis, sjis + "\\save"}},
    };
    for (const Case &c : cases) {
        g_present = c.present;
        g_present.insert("C:");
        g_made.clear();
        g_save_file_ops.path_kind = fake_kind;
        g_save_file_ops.make_folder = fake_make;
        save_dir_create(c.folder.c_str());
        save_file_ops_reset();
        EXPECT_EQ(g_made, c.made) << c.folder;
    }
}
