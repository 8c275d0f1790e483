// The command-line words kept for the switches and the system variables.
#include <cstdlib>
#include <cstring>

#include "shell/startup.h"

static char *copy_word(const char *word)
{
    size_t n = std::strlen(word);
    char *s = (char *)std::calloc(n + 2, 1);
    if (s)
        std::memcpy(s, word, n);
    return s;
}

void copy_command_line(int argc, char **argv)
{
    free_command_line();
    int count = argc - 1;
    if (count > 8)
        count = 8;
    if (count < 0)
        count = 0;
    g_argv_count = count;
    for (int i = 0; i < 9; i++)
        g_argv_copy[i] = copy_word(i <= count && i < argc && argv[i] ? argv[i] : "");
}

void free_command_line()
{
    for (char *&s : g_argv_copy) {
        std::free(s);
        s = nullptr;
    }
    g_argv_count = 0;
}
