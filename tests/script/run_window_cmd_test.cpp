// The window commands' refusals, run from a script: each bad request ends
// the game with its own code, and a good one beside it reports nothing.
#include <gtest/gtest.h>

#include <string>

#include "core/error_report.h"
#include "core/quit.h"
#include "script/run_helpers.h"

namespace {

struct WindowCase {
    const char *line;
    uint32_t code;
};

}  // namespace

TEST(RunWindowCommands, RefusalsReportTheirCodes)
{
    const WindowCase cases[] = {
        {"window_setup window=0 z=2", 0},
        {"window_setup window=0 z=3", 101310},       // window 0 behind itself
        {"window_setup window=0 arg18=2", 0},
        {"window_setup window=0 arg18=3", 101310},   // close mode 3 is for sub-windows
        {"window_setup window=2 x=5", 101320},       // a new window needs a title
        {"window_setup window=4 x=5", 101000},
        {"window_hide window=0", 101330},
    };
    for (const WindowCase &c : cases) {
        SCOPED_TRACE(c.line);
        LOAD_OR_SKIP(std::string("project width=640 height=480\nscript 0 \"main.kvs\"\n"
                                 "label SYSTEM_START\n    ") +
                     c.line + "\n    end\n");
        runtest::run_until_quit(5);
        EXPECT_EQ(g_last_error_code, c.code) << g_error_text;
    }
}
