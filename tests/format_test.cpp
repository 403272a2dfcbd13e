// Number forms: the writer's "%d"/"%f" and the reader's atoi/atof, checked
// against the C run-time in the "C" locale where that is the reference.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <random>
#include <string>

#include "datafile/format.h"

namespace {

std::string Real(double v) {
    char buf[tovra::kMaxRealText];
    return std::string(buf, tovra::FormatReal(buf, v));
}

std::string Printf(double v) {
    char buf[400];
    std::snprintf(buf, sizeof buf, "%f", v);
    return buf;
}

std::uint64_t Bits(double v) {
    std::uint64_t b;
    std::memcpy(&b, &v, sizeof b);
    return b;
}

TEST(FormatReal, MatchesPrintfOnRandomValues) {
    std::mt19937_64 rng(12345);
    std::uniform_int_distribution<std::uint64_t> any;
    std::uniform_real_distribution<double> exponent(-12, 30);
    for (int i = 0; i < 200000; ++i) {
        double v;
        if (i % 2) {
            std::uint64_t b = any(rng);
            std::memcpy(&v, &b, sizeof v);
            if (std::isnan(v)) continue;
        } else {
            v = std::pow(10.0, exponent(rng)) * (i % 4 ? 1 : -1);
        }
        ASSERT_EQ(Real(v), Printf(v)) << std::hexfloat << v;
    }
    for (double v : {0.0, -0.0, 0.5e-6, 1.5e-6, 2.5e-6, 0.125, 1e15 + 0.5, 9007199254740993.0,
                     std::numeric_limits<double>::max(), std::numeric_limits<double>::min(),
                     std::numeric_limits<double>::denorm_min(), std::numeric_limits<double>::infinity(),
                     -std::numeric_limits<double>::infinity()})
        EXPECT_EQ(Real(v), Printf(v)) << v;
}

TEST(FormatInt, Edges) {
    char buf[12];
    for (std::int32_t v : {0, 1, -1, -9997, INT32_MAX, INT32_MIN}) {
        EXPECT_EQ(std::string(buf, tovra::FormatInt(buf, v)), std::to_string(v));
    }
    for (int i : {0, 9, 12, 99, 169}) {
        char expect[8];
        std::snprintf(expect, sizeof expect, "%3d", i);
        EXPECT_EQ(std::string(buf, tovra::FormatIndex(buf, i)), expect);
    }
}

TEST(ParseInt, AsAtoiWithWrapAround) {
    const struct {
        const char *text;
        std::int32_t value;
        bool wrapped;
    } cases[] = {
        {"42", 42, false},       {"  \t\n\v\f\r-17x", -17, false}, {"+5", 5, false},
        {"+-5", 0, false},       {"-", 0, false},                  {"", 0, false},
        {"abc", 0, false},       {"1 2", 1, false},                {"2147483647", INT32_MAX, false},
        {"-2147483648", INT32_MIN, false}, {"2147483648", INT32_MIN, true},
        {"-2147483649", INT32_MAX, true},  {"4294967296", 0, true}, {"4294967301", 5, true},
        {"0x10", 0, false},      {"00012", 12, false},
    };
    for (const auto &c : cases) {
        tovra::NumberScan scan;
        EXPECT_EQ(tovra::ParseInt(c.text, &scan), c.value) << c.text;
        EXPECT_EQ(scan.wrapped, c.wrapped) << c.text;
    }
}

TEST(ParseReal, Table) {
    const double inf = std::numeric_limits<double>::infinity();
    const struct {
        const char *text;
        double value;
        std::size_t used;
    } cases[] = {
        {"1.5", 1.5, 3},         {" -2.5e3x", -2500, 7},  {"1e", 1, 1},       {"7e+", 7, 1},
        {"7e-2", 0.07, 4},       {".5", 0.5, 2},          {"5.", 5, 2},       {".", 0, 0},
        {"+.e5", 0, 0},          {"0x10", 0, 1},          {"inf", inf, 3},    {"-Infinity", -inf, 9},
        {"INFINITE", inf, 3},    {"1e400", inf, 5},       {"-1e400", -inf, 6}, {"1e-400", 0, 6},
        {"0e999999999999", 0, 14}, {"", 0, 0},            {"  ", 0, 0},       {"--1", 0, 0},
        {"4.9e-324", 4.9e-324, 8},
    };
    for (const auto &c : cases) {
        tovra::NumberScan scan;
        double v = tovra::ParseReal(c.text, &scan);
        EXPECT_EQ(Bits(v), Bits(c.value)) << c.text << " gave " << v;
        EXPECT_EQ(scan.used, c.used) << c.text;
    }
    EXPECT_TRUE(std::isnan(tovra::ParseReal("nan")));
    tovra::NumberScan scan;
    EXPECT_TRUE(std::isnan(tovra::ParseReal("nan(abc_1)x", &scan)));
    EXPECT_EQ(scan.used, 10u);
    EXPECT_TRUE(std::isnan(tovra::ParseReal("-nan(", &scan)));
    EXPECT_EQ(scan.used, 4u);
}

// Random texts from the characters of numbers, against glibc's strtod in
// the "C" locale (correctly rounded, the same grammar without hex forms).
TEST(ParseReal, MatchesStrtodOnRandomTexts) {
    const char alphabet[] = "0123456789012345678901234567890123456789..eE+- \tinfaty()_";
    std::mt19937 rng(777);
    std::uniform_int_distribution<int> len(0, 30);
    std::uniform_int_distribution<std::size_t> pick(0, sizeof alphabet - 2);
    for (int i = 0; i < 300000; ++i) {
        std::string s;
        for (int n = len(rng); n > 0; --n) s += alphabet[pick(rng)];
        char *end = nullptr;
        double want = std::strtod(s.c_str(), &end);
        tovra::NumberScan scan;
        double got = tovra::ParseReal(s.c_str(), &scan);
        if (std::isnan(want)) {
            ASSERT_TRUE(std::isnan(got)) << s;
        } else {
            ASSERT_EQ(Bits(got), Bits(want == 0 && end == s.c_str() ? 0.0 : want)) << '"' << s << '"';
        }
        if (end != s.c_str()) {
            ASSERT_EQ(scan.used, static_cast<std::size_t>(end - s.c_str())) << s;
        }
    }
}

}  // namespace

namespace {

// Decimals as the writer and other programs write them: fixed forms with
// few and many digits, against strtod.
TEST(ParseReal, MatchesStrtodOnFixedForms) {
    std::mt19937_64 rng(31337);
    std::uniform_real_distribution<double> exponent(-8, 22);
    const char *forms[] = {"%f", "%.0f", "%.3f", "%.10f", "%.17f", "%.1f"};
    char text[512];
    for (int i = 0; i < 300000; ++i) {
        double v = std::pow(10.0, exponent(rng)) * (i % 3 ? 1 : -1);
        std::snprintf(text, sizeof text, forms[i % 6], v);
        ASSERT_EQ(Bits(tovra::ParseReal(text)), Bits(std::strtod(text, nullptr))) << text;
    }
}

}  // namespace
