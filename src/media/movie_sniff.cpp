// The MPEG kind of a movie file from its pack header, and the movie file
// name rule (ASCII lower case, '\' separators).
#include <cstdio>
#include <cstring>

#include "core/pack.h"
#include "media/movie.h"

int movie_mpeg_kind(const char *path)
{
    FILE *f = std::fopen(path, "rb");
    if (!f)
        return 0;
    unsigned char head[5];
    size_t got = std::fread(head, 1, sizeof head, f);
    std::fclose(f);
    if (got < sizeof head)
        return 255;
    static const unsigned char pack_start[4] = {0x00, 0x00, 0x01, 0xBA};
    if (std::memcmp(head, pack_start, 4) != 0)
        return 255;
    if ((head[4] & 0xF0) == 0x20)
        return 1;
    if ((head[4] & 0xC0) == 0x40)
        return 2;
    return 255;
}

bool movie_normalize_name(char *out, size_t size, const char *name)
{
    size_t n = std::strlen(name);
    if (n + 1 > size)
        return false;
    std::memcpy(out, name, n + 1);
    path_to_lower(out);
    for (size_t i = 0; i < n; i++) {
        if (sjis_is_lead((unsigned char)out[i]) && out[i + 1]) {
            i++;
            continue;
        }
        if (out[i] == '/')
            out[i] = '\\';
    }
    return true;
}
