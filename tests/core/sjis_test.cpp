#include <gtest/gtest.h>

#include "core/kv_base.h"

TEST(ShiftJis, LeadBytes)
{
    EXPECT_FALSE(sjis_is_lead(0x80));
    EXPECT_TRUE(sjis_is_lead(0x81));
    EXPECT_TRUE(sjis_is_lead(0x9F));
    EXPECT_FALSE(sjis_is_lead(0xA0));
    EXPECT_FALSE(sjis_is_lead(0xDF));
    EXPECT_TRUE(sjis_is_lead(0xE0));
    EXPECT_TRUE(sjis_is_lead(0xFC));
    EXPECT_FALSE(sjis_is_lead(0xFD));
}
