// The sound test files of tests/media/data and a file reader, shared by the
// sound tests and the sound benchmark.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

namespace sndtest {

inline std::vector<uint8_t> read_file(const std::string &path)
{
    std::vector<uint8_t> out;
    FILE *f = std::fopen(path.c_str(), "rb");
    if (!f)
        return out;
    uint8_t buf[65536];
    size_t n;
    while ((n = std::fread(buf, 1, sizeof buf, f)) > 0)
        out.insert(out.end(), buf, buf + n);
    std::fclose(f);
    return out;
}

inline std::string data_path(const char *name)
{
    return std::string(KV_SOURCE_DIR) + "/tests/media/data/" + name;
}

}  // namespace sndtest
