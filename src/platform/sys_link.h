// Platform services of the compiler link: named shared memory, starting the
// compiler and watching it end. Implemented over Win32 in
// src/platform/win32/link_win32.cpp; src/platform/null/link_null.cpp is the
// stand-in for native builds, where tests play the compiler.
#pragma once

#include <cstdint>

struct SysSharedBlock {
    void *handle;
    uint8_t *view;    // size bytes, readable and writable
    uint32_t size;
};

// Creates the named block of size bytes and maps it. 0 ok; -1 when it cannot
// be created or mapped, or when a block of that name exists already (another
// engine talks to its compiler): then nothing is kept.
int sys_shared_create(SysSharedBlock *block, const char *name, uint32_t size);
void sys_shared_close(SysSharedBlock *block);

// Starts a program from a command line (relative to the current folder),
// shown normally. Null when it cannot be started.
void *sys_process_start(const char *command_line);
// 1 while the process runs, 0 once it has ended.
int sys_process_running(void *process);
void sys_process_close(void *process);
