// Error reports and settings files with arbitrary bytes: the project's error
// text, the script file name, a built-in text's string argument and the
// settings file all come from the input. Nothing may overflow, every text
// stays terminated inside its buffer, and no conversion of the input is
// ever interpreted.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>

#include "core/error_report.h"
#include "core/quit.h"
#include "core/settings.h"

static std::string g_file;

static bool fuzz_location(const char **file, int32_t *line)
{
    *file = g_file.c_str();
    *line = 12345;
    return true;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    reset_engine_settings();
    apply_engine_settings(data, size);
    apply_save_settings(data, size);

    // Split the input in three texts at NUL bytes.
    std::string part[3];
    size_t k = 0;
    for (size_t i = 0; i < size; i++) {
        if (data[i] == 0 && k < 2)
            k++;
        else if (data[i] != 0)
            part[k] += (char)data[i];
    }
    g_file = part[1];
    g_error_texts[0] = {800001, part[0].c_str()};
    g_error_text_count = 1;
    g_error_location_fn = fuzz_location;
    g_error_shown = 1;   // nothing is shown

    report_script_error(800001, 0, part[2].c_str(), 7);
    if (std::strlen(g_error_message) >= sizeof g_error_message)
        std::abort();
    report_script_error(104100, 0, part[2].c_str(), part[0].c_str());
    report_system_error(104130, 0, 3);
    report_script_error_text(104060, 0);
    if (std::strlen(g_error_text) >= sizeof g_error_text)
        std::abort();
    // A project text holding no '%' comes out unchanged (when it fits).
    if (part[0].find('%') == std::string::npos && part[0].size() < 200 &&
        part[1].size() < 200) {
        report_system_error(800001, 0);
        if (part[0] != g_error_message)
            std::abort();
    }
    g_error_location_fn = nullptr;
    g_error_text_count = 0;
    g_quit_flag = 0;
    return 0;
}
