// Every damaged variant of every project file gives its report (or, for
// kvl.kbn missing, a silent failure) and leaves nothing half-built.
#include <cstring>
#include <string>

#include "load_helpers.h"

using namespace loadtest;

namespace {

struct DamageCase {
    const char *kind;
    uint32_t code;   // expected g_last_error_code (0: silent failure)
};

const DamageCase k_cases[] = {
    {"kvc:truncate", 901050}, {"kvc:half", 901050}, {"kvc:count", 901050},
    {"kvc:header", 901050}, {"kvc:missing", 104060},
    {"kvt:version", 105000}, {"kvt:highest", 901050}, {"kvt:truncate", 901050},
    {"kvt:missing", 104060},
    {"kvt_list:truncate", 901050}, {"kvt_list:count", 901050}, {"kvt_list:number", 901030},
    {"kvt_list:namelen", 901050}, {"kvt_list:missing", 104060},
    {"kvcfg:truncate", 901050}, {"kvcfg:width", 901020}, {"kvcfg:height", 901020},
    {"kvcfg:thread", 901020}, {"kvcfg:title", 901000}, {"kvcfg:titlelen", 901000},
    {"kvcfg:titlecut", 901050}, {"kvcfg:missing", 104060},
    {"kvl:truncate", 901050}, {"kvl:count", 901050}, {"kvl:buckets", 901050},
    {"kvl:file", 901050}, {"kvl:block", 901050}, {"kvl:loop", 901050},
    {"kvl:namelen", 901050}, {"kvl:pc", 901050}, {"kvl:missing", 0},
    {"kvv:truncate", 901050}, {"kvv:count", 901050}, {"kvv:dims", 901050},
    {"kvv:product", 901050}, {"kvv:overflow", 901050}, {"kvv:strlen", 901050},
    {"kvv:id", 900070}, {"kvv:missing", 104060},
    {"kve:truncate", 901050}, {"kve:count", 901050}, {"kve:missing", 104060},
    {"script:truncate", 901050}, {"script:header", 901050}, {"script:sizes", 901050},
    {"script:count", 901050}, {"script:argc", 901050},
    {"script:offset", 901050}, {"script:length", 901050}, {"script:pc", 901050},
    {"script:missing", 104060},
};

class LoadDamage : public ::testing::TestWithParam<DamageCase> {
protected:
    void SetUp() override { reset_engine(); }
    void TearDown() override
    {
        leave_project();
        project_unload();
    }
};

TEST_P(LoadDamage, ReportsAndStops)
{
    const DamageCase &c = GetParam();
    LOAD_PROJECT_OR_SKIP("load_basic", c.kind);
    EXPECT_NE(0, load_all());
    EXPECT_EQ(c.code, g_last_error_code) << c.kind << ": " << g_error_message;
    if (c.code) {
        EXPECT_NE(0, g_quit_flag.load());
    }
    // The report of a damaged file names it, through the engine's text.
    if (c.code == 901050) {
        std::string file = std::string(c.kind).substr(0, std::string(c.kind).find(':'));
        file = file == "script" ? "kvt00000" : file;
        std::string text = "[kvbin\\" + file + ".kbn]ファイルのデータが壊れています。";
        EXPECT_STREQ(text.c_str(), g_error_message) << c.kind;
    }
    // A damaged script file leaves its slot empty, and stays refused.
    if (std::string(c.kind).rfind("script:", 0) == 0 && g_script_files) {
        EXPECT_EQ(nullptr, g_script_files[0]);
        EXPECT_EQ(0, script_file_load(0));
        EXPECT_EQ(nullptr, g_script_files[0]);
    }
}

std::string case_name(const ::testing::TestParamInfo<DamageCase> &info)
{
    std::string s = info.param.kind;
    for (char &ch : s)
        if (ch == ':')
            ch = '_';
    return s;
}

INSTANTIATE_TEST_SUITE_P(EveryFile, LoadDamage, ::testing::ValuesIn(k_cases), case_name);

}  // namespace
