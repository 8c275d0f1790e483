// The dropped-file list: a script may lower its count, and freeing it still
// releases every name it holds (the leak check of the sanitizer build).
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>

#include "core/window.h"

TEST(DroppedFiles, FreeingAfterTheCountWasLowered)
{
    for (int32_t lowered : {0, 1, 3}) {
        g_dropped_files = (char **)std::calloc(3, sizeof(char *));
        for (int i = 0; i < 3; i++)
            g_dropped_files[i] = (char *)std::calloc(261, 1);
        g_dropped_files_held = 3;
        g_dropped_file_count = lowered;
        free_dropped_files();
        EXPECT_EQ(g_dropped_files, nullptr);
        EXPECT_EQ(g_dropped_file_count, 0);
        EXPECT_EQ(g_dropped_files_held, 0);
    }
}
