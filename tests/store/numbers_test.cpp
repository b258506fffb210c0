// Number texts: the runtime conversions and the helpers built on them. Every
// case runs twice, under the C locale and under a French C locale (as Qt sets it
// when the program starts), with both decimal separators of the program.
#include "store/numbers.h"

#include "french_c_locale.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <random>

namespace {

struct LocaleCase {
    bool frenchCLocale;
    char separator;
};

class Numbers : public ::testing::TestWithParam<LocaleCase> {
protected:
    void SetUp() override
    {
        if (GetParam().frenchCLocale && !TrySetFrenchCLocale())
            std::printf("note: no French C locale could be had; running under C\n");
        scope_ = std::make_unique<ScopedDecimalSeparator>(GetParam().separator);
    }
    void TearDown() override
    {
        scope_.reset();
        ResetCLocale();
    }
    // The text with "," standing for the separator under test.
    std::string L(std::string text) const
    {
        for (char& c : text)
            if (c == ',') c = GetParam().separator;
        return text;
    }

private:
    std::unique_ptr<ScopedDecimalSeparator> scope_;
};

INSTANTIATE_TEST_SUITE_P(Locales, Numbers,
                         ::testing::Values(LocaleCase{false, ','}, LocaleCase{false, '.'}, LocaleCase{true, ','},
                                           LocaleCase{true, '.'}),
                         [](const auto& info) {
                             return std::string(info.param.frenchCLocale ? "FrenchCLocale" : "CLocale")
                                    + (info.param.separator == ',' ? "Comma" : "Dot");
                         });

constexpr std::int32_t MissingInt = std::numeric_limits<std::int32_t>::min();
constexpr double kInf = std::numeric_limits<double>::infinity();
constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

TEST_P(Numbers, FloatToStrWritesFifteenDigitsInTheGeneralFormat)
{
    // "," stands for the separator under test.
    const std::pair<double, const char*> cases[] = {
        {0.1 + 0.2, "0,3"}, {1e15, "1E15"}, {1e14, "100000000000000"}, {1e-5, "1E-5"}, {1e-4, "0,0001"},
        {1.5e20, "1,5E20"}, {1.23e-7, "1,23E-7"}, {-2.5, "-2,5"}, {1.0 / 3, "0,333333333333333"},
        {2.0 / 3, "0,666666666666667"}, {100, "100"}, {1234567.125, "1234567,125"}, {-0.0, "0"}, {0.0, "0"},
        {1e300, "1E300"}, {-1e-300, "-1E-300"}, {kNaN, "NAN"}, {kInf, "INF"}, {-kInf, "-INF"},
        // Halves at the 15th digit round away from zero, not to even.
        {123456789012344.5, "123456789012345"}, {-123456789012344.5, "-123456789012345"},
        // Rounding that carries into a new digit.
        {9.9999999999999999, "10"}, {999999999999999.9, "1E15"},
    };
    for (const auto& [value, text] : cases) EXPECT_EQ(FloatToStr(value), L(text)) << text;
}

TEST_P(Numbers, GeneralAndFixedFormats)
{
    struct Case {
        char format;   // 'G'eneral (precision) or 'F'ixed (digits)
        double value;
        int digits;
        const char* text;
    };
    const Case cases[] = {
        {'G', 3.14159, 4, "3,142"}, {'G', 123456, 2, "1,2E5"}, {'G', 2.5, 1, "3"},
        {'G', 0.1 + 0.2, 18, "0,300000000000000044"}, {'F', 30, 3, "30,000"}, {'F', 2.5, 0, "3"},
        {'F', -2.5, 0, "-3"}, {'F', 0.0005, 3, "0,001"}, {'F', -0.0004, 3, "0,000"}, {'F', 45.123456, 3, "45,123"},
        {'F', 0.05, 1, "0,1"}, {'F', 1234.5, 2, "1234,50"}, {'F', 1e16, 2, "1E16"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(c.format == 'G' ? FloatToStrGeneral(c.value, c.digits) : FloatToStrFixed(c.value, c.digits), L(c.text))
            << c.text;
}

TEST_P(Numbers, FormatFloatWidthFitsTheWidthExactly)
{
    struct Case {
        int width;
        double value;
        const char* text;
    };
    const Case cases[] = {
        {5, 3.14159, "3,142"}, {8, 1.5, "     1,5"}, {5, 123456, "1,2E5"},
        {2, -7, "-7"},
        // Where no precision fits ("1E300" never gets shorter): blanks of the width.
        {3, 1e300, "   "}, {1, -7, " "}, {4, -1e300, "    "}, {0, 1, ""},
    };
    for (const Case& c : cases) EXPECT_EQ(FormatFloatWidth(c.width, c.value), L(c.text)) << c.width << " " << c.value;
}

TEST_P(Numbers, TolerantIntegerReadingReportsWhereItStopped)
{
    struct Case {
        const char* text;
        std::int32_t value;
        int error;
    };
    const Case cases[] = {
        {"12abc", 12, 3},  {"", 0, 1},           {"   ", 0, 4},          {"-", 0, 2},
        {"$", 0, 2},       {"-7x", 7, 3},        {" 12", 12, 0},         {"12 ", 12, 3},
        {"+5", 5, 0},      {"$FF", 255, 0},      {"$ff", 255, 0},        {"-$10", -16, 0},
        {"$FFFFFFFF", -1, 0}, {"$80000000", MissingInt, 0}, {"2147483647", 2147483647, 0},
        {"-2147483648", MissingInt, 0}, {"2147483648", 214748364, 10}, {"99999999999", 999999999, 10},
        {"1.5", 1, 2},     {"0x10", 0, 2},       {"12é", 12, 3},
    };
    for (const Case& c : cases) {
        int err = -1;
        EXPECT_EQ(ValInt(c.text, err), c.value) << c.text;
        EXPECT_EQ(err, c.error) << c.text;
        EXPECT_EQ(StrToIntVal(c.text), c.value) << c.text;
        EXPECT_EQ(LastValError, c.error) << c.text;
    }
    EXPECT_EQ(StrToIntDefault("12abc", -1), -1);
    EXPECT_EQ(StrToIntDefault("-12", -1), -12);
}

TEST_P(Numbers, StrictIntegerReadingRaisesTheRuntimeMessage)
{
    EXPECT_EQ(StrToInt("-12"), -12);
    EXPECT_EQ(StrToInt("$1F"), 31);
    try {
        StrToInt("12a");
        FAIL() << "no error";
    } catch (const EConvertError& e) {
        EXPECT_STREQ(e.what(), "'12a' n'est pas une valeur enti\xC3\xA8re correcte");
        EXPECT_EQ(e.ValueKind(), EConvertError::Kind::Integer);  // what the importers word by
    }
    EXPECT_THROW(StrToInt(""), EConvertError);
    EXPECT_THROW(StrToInt("2147483648"), EConvertError);
    EXPECT_FALSE(TryStrToInt("1 "));
    EXPECT_EQ(StrToIntDef("x", 4), 4);
}

TEST_P(Numbers, TolerantFloatReadingTakesDotAndTheSeparator)
{
    int err = -1;
    EXPECT_EQ(ValFloat("2.5", err), 2.5);
    EXPECT_EQ(err, 0);
    EXPECT_EQ(ValFloat(".5", err), 0.5);
    EXPECT_EQ(ValFloat("5.", err), 5.0);
    EXPECT_EQ(ValFloat("-1.5E-3", err), -0.0015);
    EXPECT_EQ(ValFloat(" 3", err), 3.0);
    ValFloat("1e", err);
    EXPECT_EQ(err, 3);
    ValFloat("1.5x", err);
    EXPECT_EQ(err, 4);
    ValFloat("3 ", err);
    EXPECT_EQ(err, 2);
    ValFloat("1e400", err);
    EXPECT_NE(err, 0);
    EXPECT_EQ(ValFloat("1e-400", err), 0.0);
    EXPECT_EQ(err, 0);

    EXPECT_EQ(StrToFloatVal("2.5"), 2.5);
    EXPECT_EQ(LastValError, 0);
    EXPECT_EQ(StrToFloatVal(L("2,5")), 2.5);
    EXPECT_EQ(LastValError, 0);
    EXPECT_TRUE(IsFloatText(L("-12,75E2")));
    EXPECT_FALSE(IsFloatText("12abc"));
    EXPECT_EQ(LastValError, 3);
    EXPECT_EQ(StrToFloatDefault("x", 7.5), 7.5);
    EXPECT_EQ(StrToFloatDefault(L("7,25"), 0), 7.25);
}

TEST_P(Numbers, StrictFloatReadingTakesOnlyTheSeparator)
{
    EXPECT_EQ(StrToFloat(L("2,5")), 2.5);
    EXPECT_EQ(StrToFloat(L(" -1,5e2 ")), -150.0);
    const std::string other = GetParam().separator == ',' ? "2.5" : "2,5";
    try {
        StrToFloat(other);
        FAIL() << "no error";
    } catch (const EConvertError& e) {
        EXPECT_EQ(std::string(e.what()), "'" + other + "' n'est pas une valeur en virgule flottante correcte");
        EXPECT_EQ(e.ValueKind(), EConvertError::Kind::Float);
    }
    EXPECT_THROW(StrToFloat(""), EConvertError);
    EXPECT_THROW(StrToFloat("1e400"), EConvertError);
    EXPECT_THROW(StrToFloat("abc"), EConvertError);
    // StrToFloatDot reads "." whatever the separator.
    EXPECT_EQ(StrToFloatDot("2.5"), 2.5);
    EXPECT_EQ(StrToFloatDot(L("2,5")), 2.5);
    EXPECT_THROW(StrToFloatDot("2.5x"), EConvertError);
    EXPECT_EQ(TimesThousandText(L("1,5")), "1500");
    EXPECT_EQ(TimesThousandText(L("0,0123")), L("12,3"));
    EXPECT_EQ(TimesThousandText(""), "");
    EXPECT_THROW(TimesThousandText("abc"), EConvertError);
}

TEST_P(Numbers, FloatTextReadsBackToTheSameValueWithinFifteenDigits)
{
    std::mt19937_64 rng(42);
    std::uniform_real_distribution<double> mant(-10.0, 10.0);
    std::uniform_int_distribution<int> exp(-30, 30);
    for (int k = 0; k < 5000; ++k) {
        const double v = mant(rng) * std::pow(10.0, exp(rng));
        const double back = StrToFloat(FloatToStr(v));
        EXPECT_LE(std::fabs(back - v), std::fabs(v) * 1e-14) << FloatToStr(v);
    }
}

TEST(CheckedConversions, NeverLetAnInvalidDoubleThrough)
{
    EXPECT_EQ(TryTruncToInt32(-2.7), -2);
    EXPECT_EQ(TryTruncToInt32(2147483647.9), 2147483647);
    EXPECT_EQ(TryTruncToInt32(-2147483648.9), MissingInt);
    EXPECT_FALSE(TryTruncToInt32(2147483648.0));
    EXPECT_FALSE(TryTruncToInt32(-2147483649.0));
    EXPECT_FALSE(TryTruncToInt32(kNaN));
    EXPECT_FALSE(TryTruncToInt32(kInf));
    EXPECT_FALSE(TryTruncToInt32(-kInf));
    EXPECT_FALSE(TryTruncToInt64(1e19));
    EXPECT_EQ(TryTruncToInt64(-9.2e18), static_cast<std::int64_t>(-9.2e18));
    EXPECT_EQ(TruncToInt32OrMin(kNaN), MissingInt);
    try {
        TruncToInt32Checked(1e20);
        FAIL() << "no error";
    } catch (const EConvertError& e) {
        EXPECT_STREQ(e.what(), "'1E20' n'est pas une valeur enti\xC3\xA8re correcte");
        EXPECT_EQ(e.ValueKind(), EConvertError::Kind::Integer);
    }
    EXPECT_THROW(TruncToInt32Checked(kNaN), EConvertError);

    EXPECT_EQ(TryRoundHalfEvenToInt32(2.5), 2);
    EXPECT_EQ(TryRoundHalfEvenToInt32(3.5), 4);
    EXPECT_EQ(TryRoundHalfEvenToInt32(-2.5), -2);
    EXPECT_EQ(TryRoundHalfEvenToInt32(-3.5), -4);
    EXPECT_EQ(TryRoundHalfEvenToInt32(0.5), 0);
    EXPECT_EQ(TryRoundHalfEvenToInt32(10.500000000000002), 11);
    EXPECT_EQ(TryRoundHalfEvenToInt32(-0.4), 0);
    EXPECT_FALSE(TryRoundHalfEvenToInt32(2147483647.5));
    EXPECT_EQ(TryRoundHalfEvenToInt32(2147483646.5), 2147483646);
    EXPECT_FALSE(TryRoundHalfEvenToInt32(kNaN));
    EXPECT_EQ(TryRoundHalfEvenToInt64(4503599627370497.0), 4503599627370497);
    EXPECT_THROW(RoundHalfEvenToInt32Checked(kInf), EConvertError);
    EXPECT_EQ(RoundHalfEvenToInt32Clamped(1e300), 2147483647);
    EXPECT_EQ(RoundHalfEvenToInt32Clamped(-kInf), MissingInt);
    EXPECT_EQ(RoundHalfEvenToInt32Clamped(kNaN), 0);
}

TEST(DecimalSeparator, IsOneProcessWideSettingTakenFromTheLocale)
{
    ScopedDecimalSeparator keep('.');
    EXPECT_THROW(SetDecimalSeparator('5'), std::invalid_argument);
    EXPECT_THROW(SetDecimalSeparator('-'), std::invalid_argument);
    EXPECT_THROW(SetDecimalSeparator(' '), std::invalid_argument);
    EXPECT_EQ(GetDecimalSeparator(), '.');
    {
        ScopedDecimalSeparator comma(',');
        EXPECT_EQ(GetDecimalSeparator(), ',');
    }
    EXPECT_EQ(GetDecimalSeparator(), '.');

    const char* saved = std::getenv("LC_ALL");
    const std::string savedValue = saved ? saved : "";
    ::setenv("LC_ALL", "C", 1);
    EXPECT_EQ(DecimalSeparatorFromLocale(), '.');
    if (TrySetFrenchCLocale()) {
        ResetCLocale();
        ::setenv("LC_ALL", "fr_FR.UTF-8", 1);
        EXPECT_EQ(DecimalSeparatorFromLocale(), ',');
        EXPECT_EQ(GetDecimalSeparator(), '.');   // asking changes nothing
        InitDecimalSeparatorFromLocale();
        EXPECT_EQ(GetDecimalSeparator(), ',');
        // Reading the user's separator leaves the process locale alone.
        EXPECT_FALSE(CLocaleHasDecimalComma());
    }
    if (saved) ::setenv("LC_ALL", savedValue.c_str(), 1);
    else ::unsetenv("LC_ALL");
}

}  // namespace
