// The compiler link: block 1 prepared, the compiler started, the ready and
// acknowledge handshake, then block 2 taken once the compiler has ended.
// The blocks belong to another process as well: every value read from them
// is checked, and they are read through volatile pointers while it runs.
#include "shell/compiler_link.h"

#include <cstdio>
#include <cstring>

#include "core/entry.h"
#include "core/error_report.h"
#include "core/linked_records.h"
#include "platform/sys.h"
#include "platform/sys_files.h"
#include "platform/sys_link.h"
#include "platform/sys_shell.h"
#include "shell/startup.h"

const char *const k_link_block1_name = "KAVRENCompilerFileMapObject";
const char *const k_link_block2_name = "KAVRENCompilerFileMapObject2";
const char *const k_link_compiler_path = "system\\RODaz\\RODaz.exe";

static const char k_link_failed[] = "KAVRENコンパイラとデータ通信が出来ませんでした。";

static uint32_t peek_u32(const uint8_t *p)
{
    const volatile uint8_t *v = p;
    return v[0] | (uint32_t)v[1] << 8 | (uint32_t)v[2] << 16 | (uint32_t)v[3] << 24;
}

static void poke_u32(uint8_t *p, uint32_t value)
{
    volatile uint8_t *v = p;
    for (int i = 0; i < 4; i++)
        v[i] = (uint8_t)(value >> (8 * i));
}

int64_t link_block2_size(int32_t announced)
{
    if (announced == 0)
        return 16;
    if (announced < 0 || announced > KV_LINK_BLOCK2_MAX)
        return -1;
    return announced;
}

static bool compiler_present()
{
    FILE *f = sys_fopen(k_link_compiler_path, "rb");
    if (!f)
        return false;
    std::fclose(f);
    return true;
}

// The folder the compiler left, taken only when it ends within its field and
// fits the data folder; otherwise the data folder stays the engine's.
static void take_data_folder(const uint8_t *block1)
{
    const uint8_t *field = block1 + KV_LINK_FOLDER_OFFSET;
    const void *end = std::memchr(field, 0, KV_LINK_FOLDER_SIZE);
    size_t len = end ? (size_t)((const uint8_t *)end - field) : (size_t)KV_LINK_FOLDER_SIZE;
    if (end && len < sizeof g_data_folder)
        std::memcpy(g_data_folder, field, len + 1);
}

// Polls until the compiler says ready (1) or ends without doing so (0).
static int wait_ready(void *process, const uint8_t *block1)
{
    for (;;) {
        if (peek_u32(block1) == 1)
            return 1;
        if (!sys_process_running(process))
            return 0;
        sys_sleep(10);
    }
}

// Block 2 created, the compiler let go on, its end awaited (no time-out: it
// may be compiling a large project), the files taken. 0 ok, -1 failure.
static int take_block2(void *process, SysSharedBlock *block1)
{
    int32_t count = (int32_t)peek_u32(block1->view + 16);
    int64_t size = link_block2_size((int32_t)peek_u32(block1->view + 20));
    SysSharedBlock block2 = {};
    if (size < 0 || sys_shared_create(&block2, k_link_block2_name, (uint32_t)size) != 0)
        return -1;
    std::memset(block2.view, 0, block2.size);
    poke_u32(block1->view + 4, 1);
    while (sys_process_running(process))
        sys_sleep(10);
    int rc = count >= 1 ? take_linked_files(block2.view, block2.size, count) : 0;
    if (count < 0)
        rc = -1;
    sys_shared_close(&block2);
    return rc;
}

int run_compiler_link()
{
    std::memcpy(g_data_folder, g_exe_folder, sizeof g_exe_folder);
    if (!compiler_present()) {
        g_dialog_caption = "License Information";
        report_system_error_text(100000, 1);
        return 1;
    }
    SysSharedBlock block1 = {};
    if (sys_shared_create(&block1, k_link_block1_name, KV_LINK_BLOCK1_SIZE) != 0) {
        message_box_printf(nullptr, "%s", k_link_failed);
        return -1;
    }
    std::memset(block1.view, 0, KV_LINK_BLOCK1_SIZE);
    poke_u32(block1.view + 128, KV_LINK_VERSION);
    std::snprintf((char *)block1.view + KV_LINK_FOLDER_OFFSET, KV_LINK_FOLDER_SIZE, "%s",
                  g_exe_folder);
    char command[64];
    std::snprintf(command, sizeof command, "%s kv", k_link_compiler_path);
    void *process = sys_process_start(command);
    if (!process) {
        sys_shared_close(&block1);
        message_box_printf(nullptr, "KAVRENコンパイラを起動できませんでした。");
        return 1;
    }
    sys_sleep(10);
    init_tables_once();
    if (!wait_ready(process, block1.view)) {
        sys_shared_close(&block1);
        sys_process_close(process);
        return 1;
    }
    int rc = take_block2(process, &block1);
    sys_process_close(process);
    uint8_t result = block1.view[12];
    if (rc == 0)
        take_data_folder(block1.view);
    sys_shared_close(&block1);
    if (rc != 0) {
        message_box_printf(nullptr, "%s", k_link_failed);
        return -1;
    }
    if (result != 1)
        return 1;
    sys_set_current_folder(g_data_folder);
    return 0;
}
