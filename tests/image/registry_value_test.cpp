// The registry reader: a value this test writes reads back terminated; a
// missing key or value, or a buffer too small, fails with an empty buffer.
#ifdef _WIN32
#include <windows.h>
#endif

#include <gtest/gtest.h>

#include <cstring>

#include "platform/sys_file_ops.h"

#ifdef _WIN32
TEST(RegistryValue, ReadsBackWhatWasWritten)
{
    const char *sub = "Software\\KavrenTest\\RegistryValue";
    HKEY key;
    ASSERT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, sub, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key,
                              nullptr),
              ERROR_SUCCESS);
    const char text[] = "C:\\Games\\Kavren";
    RegSetValueExA(key, "Path", 0, REG_SZ, (const BYTE *)text, sizeof text);
    RegSetValueExA(key, "Raw", 0, REG_BINARY, (const BYTE *)"abcd", 4);   // no terminator
    RegCloseKey(key);
    uintptr_t hkcu = (uintptr_t)HKEY_CURRENT_USER;
    char buf[64];
    std::memset(buf, 'x', sizeof buf);
    EXPECT_EQ(read_registry_value(hkcu, sub, "Path", buf, sizeof buf), 0);
    EXPECT_STREQ(buf, text);
    std::memset(buf, 'x', sizeof buf);
    EXPECT_EQ(read_registry_value(hkcu, sub, "Raw", buf, sizeof buf), 0);
    EXPECT_STREQ(buf, "abcd");
    char small[4];
    EXPECT_EQ(read_registry_value(hkcu, sub, "Path", small, sizeof small), -1);
    EXPECT_EQ(small[0], 0);
    EXPECT_EQ(read_registry_value(hkcu, sub, "Missing", buf, sizeof buf), -1);
    EXPECT_EQ(buf[0], 0);
    EXPECT_EQ(read_registry_value(hkcu, "Software\\KavrenTest\\Nowhere", "Path", buf, sizeof buf), -1);
    RegDeleteKeyA(HKEY_CURRENT_USER, sub);
    RegDeleteKeyA(HKEY_CURRENT_USER, "Software\\KavrenTest");
}
#else
TEST(RegistryValue, StandInHoldsNothing)
{
    char buf[8] = "xxxxxxx";
    EXPECT_EQ(read_registry_value(0x80000001u, "Software", "Path", buf, sizeof buf), -1);
    EXPECT_EQ(buf[0], 0);
}
#endif
