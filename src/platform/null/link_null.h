// Test hooks of the stand-in compiler-link platform: the compiler is a
// function the test gives, called on every poll of the running process.
#pragma once

#include <cstdint>

// step(poll) plays the compiler: it reads and writes the blocks (through
// null_shared_view) and returns 1 while the compiler runs, 0 once it ended.
// null: the compiler cannot be started.
typedef int (*NullCompilerStep)(int poll);
void null_set_compiler(NullCompilerStep step);
// The view of a block that exists now (null when none), and its size.
uint8_t *null_shared_view(const char *name, uint32_t *size);
// A block of that name held by somebody else (true) or not.
void null_shared_hold_foreign(const char *name, bool held);
// The command line of the last start.
const char *null_last_command_line();
// Blocks still open (each create must be matched by a close).
int null_shared_open_count();
