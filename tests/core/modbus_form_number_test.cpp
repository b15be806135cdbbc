#include "modbus/form_number.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <limits>

namespace {

constexpr int32_t kMax = std::numeric_limits<int32_t>::max();
constexpr int32_t kMin = std::numeric_limits<int32_t>::min();

TEST(ReadFormNumber, TakesLeadingDecimalDigitsOnly)
{
    EXPECT_EQ(ReadFormNumber("42"), 42);
    EXPECT_EQ(ReadFormNumber("  \t17"), 17);
    EXPECT_EQ(ReadFormNumber("+8"), 8);
    EXPECT_EQ(ReadFormNumber("-300"), -300);
    EXPECT_EQ(ReadFormNumber("12e3"), 12);
    EXPECT_EQ(ReadFormNumber("1.5"), 1);
    EXPECT_EQ(ReadFormNumber("007"), 7);
    EXPECT_EQ(ReadFormNumber("5 6"), 5);
}

TEST(ReadFormNumber, TextWithoutLeadingDigitsIsZero)
{
    for (const char *text : {"", " ", "e5", ".5", "-", "+-3", "abc", "- 4"})
        EXPECT_EQ(ReadFormNumber(text), 0) << '"' << text << '"';
}

TEST(ReadFormNumber, ClampsToTheNearest32BitValue)
{
    EXPECT_EQ(ReadFormNumber("2147483647"), kMax);
    EXPECT_EQ(ReadFormNumber("2147483648"), kMax);
    EXPECT_EQ(ReadFormNumber("4294967297"), kMax); // would wrap to 1
    EXPECT_EQ(ReadFormNumber("99999999999999999999999999"), kMax);
    EXPECT_EQ(ReadFormNumber("-2147483648"), kMin);
    EXPECT_EQ(ReadFormNumber("-2147483649"), kMin);
    EXPECT_EQ(ReadFormNumber("-99999999999999999999999999"), kMin);
}

TEST(GridCells, AreCutToTheElementWidth)
{
    EXPECT_EQ(ReadCoilCell(""), 0);
    EXPECT_EQ(ReadCoilCell("1"), 1);
    EXPECT_EQ(ReadCoilCell("255"), 255);
    EXPECT_EQ(ReadCoilCell("256"), 0);
    EXPECT_EQ(ReadCoilCell("-1"), 255);
    EXPECT_EQ(ReadRegisterCell(""), 0);
    EXPECT_EQ(ReadRegisterCell("4660"), 0x1234);
    EXPECT_EQ(ReadRegisterCell("65536"), 0);
    EXPECT_EQ(ReadRegisterCell("70000"), 70000 - 65536);
    EXPECT_EQ(ReadRegisterCell("-1"), 0xFFFF);
    EXPECT_EQ(ReadRegisterCell("99999999999"), 0xFFFF); // 2^31 - 1 cut to 16 bits
}

// Addresses and register values are 16-bit request fields: a number that does
// not fit is refused rather than cut to another address or value.
TEST(FormFields, AddressesFitSixteenBitsOrAreRefused)
{
    EXPECT_EQ(FieldAddress(""), 0);
    EXPECT_EQ(FieldAddress("+5"), 5);
    EXPECT_EQ(FieldAddress("65535"), 0xFFFF);
    for (const char *text : {"-1", "65536", "70000", "99999999999999999999", "-99999999999999999999"})
        EXPECT_FALSE(FieldAddress(text).has_value()) << text;
}

TEST(FormFields, RegisterValuesTakeSignedAndUnsigned16BitNumbers)
{
    EXPECT_EQ(FieldRegisterValue(""), 0);
    EXPECT_EQ(FieldRegisterValue("+5"), 5);
    EXPECT_EQ(FieldRegisterValue("-1"), 0xFFFF);
    EXPECT_EQ(FieldRegisterValue("-32768"), 0x8000);
    EXPECT_EQ(FieldRegisterValue("65535"), 0xFFFF);
    for (const char *text : {"-32769", "65536", "99999999999999999999", "-99999999999999999999"})
        EXPECT_FALSE(FieldRegisterValue(text).has_value()) << text;
}

} // namespace
