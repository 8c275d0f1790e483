// Fuzz target: the loader of kve.kbn on arbitrary bytes, and the reporter
// formatting the loaded texts with typed arguments.
#include "kbn_fuzz_support.h"
#include "script/project_private.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    kbnfuzz::hand_over_copy("kvbin\\kve.kbn", data, size);
    if (load_error_messages() == 0) {
        // The damaged-data text (the project's or the engine's) and a few
        // of the project's own, each with a text and a number argument.
        report_system_error(KV_ERR_PROJECT_DATA, 1, "kvbin\\kvt00001.kbn");
        for (uint32_t i = 0; i < g_project_error_text_count && i < 4; i++) {
            report_system_error(g_project_error_texts[i].code, 0, "name", -7, 3u);
            if (project_error_text(g_project_error_texts[i].code) == nullptr)
                std::abort();
        }
    }
    return 0;
}
