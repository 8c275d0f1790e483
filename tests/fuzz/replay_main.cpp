// Replays fuzz inputs without libFuzzer: every file named on the command line,
// or found directly inside a named folder, is passed to the target once.
// Fails when an input fails or anything was printed on the engine's behalf.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <dirent.h>
#include <string>
#include <sys/stat.h>
#include <vector>

#include "platform/null/output_null.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size);

static int replay_file(const std::string &path)
{
    FILE *f = std::fopen(path.c_str(), "rb");
    if (!f) {
        std::fprintf(stderr, "cannot open %s\n", path.c_str());
        return 1;
    }
    std::vector<uint8_t> buf;
    uint8_t chunk[65536];
    size_t n;
    while ((n = std::fread(chunk, 1, sizeof chunk, f)) > 0)
        buf.insert(buf.end(), chunk, chunk + n);
    std::fclose(f);
    LLVMFuzzerTestOneInput(buf.empty() ? nullptr : buf.data(), buf.size());
    return 0;
}

int main(int argc, char **argv)
{
    int files = 0, failures = 0;
    for (int i = 1; i < argc; i++) {
        struct stat st;
        if (stat(argv[i], &st) != 0) {
            std::fprintf(stderr, "no such input: %s\n", argv[i]);
            failures++;
            continue;
        }
        if (!S_ISDIR(st.st_mode)) {
            failures += replay_file(argv[i]);
            files++;
            continue;
        }
        DIR *d = opendir(argv[i]);
        while (struct dirent *e = d ? readdir(d) : nullptr) {
            if (e->d_name[0] == '.')
                continue;
            failures += replay_file(std::string(argv[i]) + "/" + e->d_name);
            files++;
        }
        if (d)
            closedir(d);
    }
    std::printf("replayed %d inputs\n", files);
    // A fuzz run must write only the fuzzer's own lines, however many inputs
    // the engine rejects.
    if (null_printed_lines() > 0) {
        std::fprintf(stderr, "the inputs printed %d reports\n", null_printed_lines());
        failures++;
    }
    return failures ? 1 : 0;
}
