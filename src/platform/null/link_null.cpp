// Stand-in compiler-link services: heap blocks with names, and a compiler
// played by a test's function.
#include "platform/sys_link.h"
#include "platform/null/link_null.h"

#include <cstdlib>
#include <cstring>
#include <string>

namespace {
struct NullBlock {
    std::string name;
    uint8_t *view;
    uint32_t size;
};
NullBlock g_blocks[4];
std::string g_foreign;
NullCompilerStep g_step;
std::string g_command_line;
int g_polls;
int g_process;   // the one handle given out
}  // namespace

void null_set_compiler(NullCompilerStep step) { g_step = step; }
void null_shared_hold_foreign(const char *name, bool held) { g_foreign = held ? name : ""; }
const char *null_last_command_line() { return g_command_line.c_str(); }

uint8_t *null_shared_view(const char *name, uint32_t *size)
{
    for (NullBlock &b : g_blocks)
        if (b.view && b.name == name) {
            if (size)
                *size = b.size;
            return b.view;
        }
    return nullptr;
}

int null_shared_open_count()
{
    int n = 0;
    for (NullBlock &b : g_blocks)
        n += b.view != nullptr;
    return n;
}

int sys_shared_create(SysSharedBlock *block, const char *name, uint32_t size)
{
    *block = {};
    if (g_foreign == name || null_shared_view(name, nullptr))
        return -1;
    for (NullBlock &b : g_blocks) {
        if (b.view)
            continue;
        b.view = (uint8_t *)std::malloc(size ? size : 1);
        if (!b.view)
            return -1;
        std::memset(b.view, 0xCD, size);   // a fresh mapping is zero; the engine clears it anyway
        b.name = name;
        b.size = size;
        block->handle = &b;
        block->view = b.view;
        block->size = size;
        return 0;
    }
    return -1;
}

void sys_shared_close(SysSharedBlock *block)
{
    NullBlock *b = (NullBlock *)block->handle;
    if (b) {
        std::free(b->view);
        b->view = nullptr;
        b->name.clear();
    }
    *block = {};
}

void *sys_process_start(const char *command_line)
{
    g_command_line = command_line;
    g_polls = 0;
    return g_step ? &g_process : nullptr;
}

int sys_process_running(void *process)
{
    return process && g_step && g_step(g_polls++);
}

void sys_process_close(void *) {}
