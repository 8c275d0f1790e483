// Fuzz target: the script-file loader (header, sections, argument records,
// label pre-resolution) on arbitrary bytes, with fixed command definitions
// and a fixed label table.
#include "kbn_fuzz_support.h"
#include "script/project_private.h"
#include "script/script_file.h"

// Command definitions: 104 commands named "c", each with 31 number
// arguments, then 37 errno texts and the key map.
static std::vector<uint8_t> command_defs_image()
{
    std::vector<uint8_t> d(16, 0);
    d[8] = 104;
    for (int c = 0; c < 104; c++) {
        d.push_back('c');
        d.push_back(0);
        d.push_back(31);
        for (int a = 0; a < 31; a++) {
            d.push_back('a');
            d.push_back(0);
            d.push_back(0);
            d.push_back(0);
        }
    }
    d.insert(d.end(), 37, 0);
    d.insert(d.end(), 256, 0);
    return d;
}

// Labels "A" and "B" in file 0.
static void make_labels()
{
    const char *names[2] = {"A", "B"};
    g_name_table.count = 2;
    g_name_table.labels = (LabelRecord **)std::calloc(2, sizeof(LabelRecord *));
    for (int i = 0; i < 2; i++) {
        LabelRecord *l = (LabelRecord *)std::calloc(1, sizeof(LabelRecord));
        l->name = strdup(names[i]);
        l->hash = murmur2(names[i], 1);
        g_name_table.labels[i] = l;
    }
    if (g_name_table.labels[0]->hash > g_name_table.labels[1]->hash) {
        LabelRecord *t = g_name_table.labels[0];
        g_name_table.labels[0] = g_name_table.labels[1];
        g_name_table.labels[1] = t;
    }
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    static bool ready;
    kbnfuzz::setup_once();
    if (!ready) {
        ready = true;
        static std::vector<uint8_t> defs = command_defs_image();
        kbnfuzz::hand_over("kvbin\\kvc.kbn", defs.data(), defs.size());
        load_command_defs();
        make_labels();
    }
    std::vector<uint8_t> copy(data, data + size);
    kbnfuzz::hand_over("kvbin\\kvt00000.kbn", copy.data(), copy.size());
    if (script_file_load(0) == 1) {
        const ScriptFile *f = g_script_files[0];
        for (uint32_t i = 0; i < f->instr_count; i++)
            if (!f->handlers[0][i] || !f->handlers[1][i])
                std::abort();
        script_file_free(g_script_files[0]);
        g_script_files[0] = nullptr;
    }
    return 0;
}
