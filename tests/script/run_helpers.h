// Helpers of the script-running tests: generated projects loaded into a fresh
// engine, the scheduler passes of a frame step, and expression code written
// out as the generator's hex form.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <initializer_list>
#include <string>

struct ScriptTask;
struct TreeNode;

namespace runtest {

// Fresh engine state: windows (window 0 is 640 x 480 and active), trees with
// the main task, project tables, variables, error state, quit flag, counters.
void reset_engine();

// Generates the project of description `desc` into a new temporary folder,
// makes it the current folder, resets the engine and loads the project.
// Returns "" on success, else why it could not be had (the caller skips when
// the generator is missing, and fails otherwise). Windows builds take the
// project from the folder KV_RUN_FIXTURES names (one sub-folder per
// description, named by its hash), or with KV_RUN_DUMP only write the
// description there for the end-to-end script to generate.
std::string load_generated(const std::string &desc);
// True where generated projects can be had (python3, or the variables above).
bool generator_available();

// The scheduler passes of one frame step: repeated while a pass request was
// made. Returns the number of passes.
int run_frame_passes();
// Frames until the quit flag or max_frames; returns the frames run.
int run_until_quit(int max_frames);

ScriptTask *system_task();
TreeNode *system_node();

int64_t ivar(uint32_t id, int64_t element = 0);
double fvar(uint32_t id, int64_t element = 0);
std::string svar(uint32_t id, int64_t element = 0);

// Expression code as "hex:..." from postfix tokens: decimal numbers (64-bit
// pushes), 1.5-style doubles, "$N" (element 0 of variable N), "$N[" ... "]"
// (an indexed element: the values between are the indices), "\"text\"",
// and the operator characters of the evaluator (+ - * / % = ! > < Z S A O ^ & |).
std::string E(std::initializer_list<const char *> tokens);
std::string E(int64_t value);

}  // namespace runtest

#define LOAD_OR_SKIP(desc)                                                     \
    do {                                                                       \
        if (!runtest::generator_available())                                   \
            GTEST_SKIP() << "the project generator does not run here";         \
        std::string why_ = runtest::load_generated(desc);                      \
        ASSERT_EQ(why_, "");                                                   \
    } while (0)
