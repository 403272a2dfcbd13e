// The reader: what a file leaves in the five buffers, the messages, the
// limit and its MaxAnz carried between calls, and the cutting into lines.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "datafile/datafile.h"
#include "support/fake_message.h"
#include "support/test_util.h"

using namespace tovra_test;

namespace {

std::string Rep(char c, std::size_t n) { return std::string(n, c); }

// A value line with an 11-character label.
std::string V(const std::string &value, const std::string &label = "XFELD(  0) ") {
    return label + value;
}

// Joins lines with `eol` between them.
std::string Join(const std::vector<std::string> &lines, const std::string &eol = "\r\n") {
    std::string out;
    for (std::size_t i = 0; i < lines.size(); ++i) {
        if (i) out += eol;
        out += lines[i];
    }
    return out;
}

// What the reader leaves for the example data file.
Data ExampleRead() {
    Data d = ResetData();
    SetText(d.KTEIL, "Test ");
    d.IFELD[0] = 7;
    d.IFELD[1] = -12;
    d.DFELD[0] = 1.5;
    SetText(d.CFELD[0], "abc");
    d.PFELD[0] = 0.25;
    return d;
}

const std::vector<std::string> kExample = {
    "# KTEIL",      "           Test",     "# IFELD", "IFELD(  0) 7",
    "IFELD(  1) -12", "# DFELD",           "DFELD(  0) 1.500000", "# CFELD",
    "CFELD(  0) abc", "# PFELD",           "DFELD(  0) 0.250000", "# END "};

struct ReadCase {
    const char *name;
    std::string file;
    // Turns the reset data set (head text " ") into the expected one.
    std::function<void(Data &)> expect;
    // The expected messages, given the buffers that were read into.
    std::function<std::vector<std::string>(const Data &)> messages;
};

std::vector<std::string> None(const Data &) { return {}; }

std::vector<ReadCase> Cases() {
    auto limit = [](std::function<const void *(const Data &)> buffer, int maxAnz) {
        return [buffer, maxAnz](const Data &d) {
            return std::vector<std::string>{LimitMessage(KkOf(buffer(d)), maxAnz)};
        };
    };
    std::vector<ReadCase> c;
    c.push_back({"example with CR LF", Join(kExample), [](Data &d) { d = ExampleRead(); }, None});
    c.push_back({"example with LF only", Join(kExample, "\n"), [](Data &d) { d = ExampleRead(); }, None});
    c.push_back({"example with a final line end", Join(kExample) + "\r\n", [](Data &d) { d = ExampleRead(); }, None});
    c.push_back({"empty file", "", [](Data &) {}, None});

    // Limits: the first value line beyond a section's slots.
    {
        std::vector<std::string> l = {"# IFELD"};
        for (int i = 1; i <= 6; ++i) l.push_back(V(std::to_string(i)));
        l.push_back("# DFELD");
        l.push_back(V("9"));
        c.push_back({"sixth IFELD value", Join(l),
                     [](Data &d) { for (int i = 0; i < 5; ++i) d.IFELD[i] = i + 1; },
                     limit([](const Data &d) { return d.IFELD; }, 4)});
    }
    {
        std::vector<std::string> l = {"# KTEIL", V("head"), "# DFELD"};
        for (int i = 0; i < 171; ++i) l.push_back(V(std::to_string(i) + ".5"));
        l.push_back("# IFELD");
        l.push_back(V("9"));
        c.push_back({"171st DFELD value", Join(l),
                     [](Data &d) {
                         SetText(d.KTEIL, "head ");
                         for (int i = 0; i < 170; ++i) d.DFELD[i] = i + 0.5;
                     },
                     limit([](const Data &d) { return d.DFELD; }, 169)});
    }
    {
        std::vector<std::string> l = {"# CFELD"};
        for (int i = 0; i < 11; ++i) l.push_back(V("t" + std::to_string(i)));
        c.push_back({"eleventh CFELD value", Join(l),
                     [](Data &d) { for (int i = 0; i < 10; ++i) SetText(d.CFELD[i], "t" + std::to_string(i)); },
                     limit([](const Data &d) { return &d.CFELD[0][0]; }, 9)});
    }
    {
        std::vector<std::string> l = {"# PFELD"};
        for (int i = 0; i < 16; ++i) l.push_back(V(std::to_string(i)));
        l.push_back("# KTEIL");
        l.push_back(V("lost"));
        c.push_back({"sixteenth PFELD value", Join(l),
                     [](Data &d) { for (int i = 0; i < 15; ++i) d.PFELD[i] = i; },
                     limit([](const Data &d) { return d.PFELD; }, 14)});
    }
    c.push_back({"ten CFELD values fill every slot", [] {
                     std::vector<std::string> l = {"# CFELD"};
                     for (int i = 0; i < 10; ++i) l.push_back(V("c"));
                     return Join(l);
                 }(),
                 [](Data &d) { for (auto &s : d.CFELD) SetText(s, "c"); }, None});

    // Headers.
    c.push_back({"unrecognised and lower-case headers are skipped",
                 Join({"# ifeld", V("1"), "#IFELD", V("2"), "# IFELDX", V("3"), "# XFELD", V("4"), V("5")}),
                 [](Data &d) { d.IFELD[0] = 3; }, None});
    c.push_back({"a header with more words", Join({"# IFELD and more words", V("42")}),
                 [](Data &d) { d.IFELD[0] = 42; }, None});
    c.push_back({"short header lines", Join({"# IFEL", V("1"), "#", V("2"), "# EN", V("3")}), [](Data &) {}, None});
    c.push_back({"lines after the end line are not read",
                 Join({"# IFELD", V("1"), "# ENDE", "# IFELD", V("2"), "# CFELD", V("x")}),
                 [](Data &d) { d.IFELD[0] = 1; }, None});
    c.push_back({"a repeated section overwrites from slot 0",
                 Join({"# IFELD", V("1"), V("2"), V("3"), "# DFELD", "# IFELD", V("9")}),
                 [](Data &d) { d.IFELD[0] = 9; d.IFELD[1] = 2; d.IFELD[2] = 3; }, None});
    c.push_back({"sections in any order", Join({"# PFELD", V("2"), "# KTEIL", V("k"), "# IFELD", V("1")}),
                 [](Data &d) { d.PFELD[0] = 2; SetText(d.KTEIL, "k "); d.IFELD[0] = 1; }, None});
    c.push_back({"labels with any text, the index not read",
                 Join({"# IFELD", "IFELD(  4) 1", "hello world42", "           7", "0123456789a8"}),
                 [](Data &d) { d.IFELD[0] = 1; d.IFELD[1] = 42; d.IFELD[2] = 7; d.IFELD[3] = 8; }, None});
    c.push_back({"short and empty value lines give 0 and empty texts",
                 Join({"# IFELD", "", "IFELD(  1)", "IFELD(  2) 5", "# CFELD", "", "CFELD(  1) x"}),
                 [](Data &d) {
                     d.IFELD[2] = 5;
                     SetText(d.CFELD[0], "");
                     SetText(d.CFELD[1], "x");
                 },
                 None});

    // Head text and text slots.
    c.push_back({"two head-text lines: the last wins", Join({"# KTEIL", V("first"), V("second")}),
                 [](Data &d) { SetText(d.KTEIL, "second "); }, None});
    c.push_back({"head text loses its trailing blanks", Join({"# KTEIL", "           Test   "}),
                 [](Data &d) { SetText(d.KTEIL, "Test "); }, None});
    c.push_back({"head text of blanks only", Join({"# KTEIL", Rep(' ', 20)}),
                 [](Data &d) { SetText(d.KTEIL, "  "); }, None});
    c.push_back({"head-text line of exactly 11 blanks", Join({"# KTEIL", Rep(' ', 11)}),
                 [](Data &d) { SetText(d.KTEIL, " "); }, None});
    c.push_back({"head text of 79 characters is cut to 78 before the blank",
                 Join({"# KTEIL", Rep(' ', 11) + Rep('h', 100)}),
                 [](Data &d) { SetText(d.KTEIL, Rep('h', 78) + " "); }, None});
    c.push_back({"head text of 78 characters gets its blank",
                 Join({"# KTEIL", Rep(' ', 11) + Rep('h', 78)}),
                 [](Data &d) { SetText(d.KTEIL, Rep('h', 78) + " "); }, None});
    c.push_back({"CFELD texts: three blanks, a tab kept, cut at 79",
                 Join({"# CFELD", V("   "), V("a\t"), V(" b  "), V(Rep('c', 90) + "   ")}),
                 [](Data &d) {
                     SetText(d.CFELD[0], " ");
                     SetText(d.CFELD[1], "a\t");
                     SetText(d.CFELD[2], " b");
                     SetText(d.CFELD[3], Rep('c', 79));
                 },
                 None});

    // The bytes of text mode.
    c.push_back({"a lone CR stays in the line", Join({"# CFELD", V("a\rb"), V("c\r\r"), V("d")}) + "\r",
                 [](Data &d) {
                     SetText(d.CFELD[0], "a\rb");
                     SetText(d.CFELD[1], "c\r\r");
                     SetText(d.CFELD[2], "d\r");
                 },
                 None});
    c.push_back({"0x1A ends the file; its line is still read",
                 Join({"# IFELD", V("5"), V("6\x1a" "7"), V("8")}),
                 [](Data &d) { d.IFELD[0] = 5; d.IFELD[1] = 6; }, None});
    c.push_back({"0x1A at the start of a line", Join({"# IFELD", V("5"), "\x1a" + V("6")}),
                 [](Data &d) { d.IFELD[0] = 5; }, None});
    c.push_back({"a NUL ends a piece's text", Join({"# CFELD", V(std::string("ab\0cd", 5)), std::string("\0#", 2) + V("x"), V("y")}),
                 [](Data &d) {
                     SetText(d.CFELD[0], "ab");
                     SetText(d.CFELD[1], "");
                     SetText(d.CFELD[2], "y");
                 },
                 None});
    c.push_back({"a NUL in the header line", Join({std::string("# IF\0ELD", 8), V("5"), std::string("# IFELD\0x", 9), V("6")}),
                 [](Data &d) { d.IFELD[0] = 6; }, None});

    // Pieces of 253 characters.
    auto longLines = [](bool finalEol) {
        std::vector<std::string> l = {"# CFELD"};
        for (std::size_t n : {252u, 253u, 254u, 506u}) {
            std::string line = "CFELD(  0) ";
            for (std::size_t i = line.size(); i < n; ++i) line += static_cast<char>('a' + i % 26);
            l.push_back(line);
        }
        return Join(l) + (finalEol ? "\r\n" : "");
    };
    auto alpha = [](std::size_t from, std::size_t count) {
        std::string s;
        for (std::size_t i = from; i < from + count; ++i) s += static_cast<char>('a' + i % 26);
        return s;
    };
    c.push_back({"lines of 252, 253, 254 and 506 characters", longLines(false),
                 [alpha](Data &d) {
                     SetText(d.CFELD[0], alpha(11, 79));  // 252: one piece
                     SetText(d.CFELD[1], alpha(11, 79));  // 253: the piece ...
                     SetText(d.CFELD[2], "");             // ... and an empty one
                     SetText(d.CFELD[3], alpha(11, 79));  // 254: 253 ...
                     SetText(d.CFELD[4], "");             // ... and 1 character
                     SetText(d.CFELD[5], alpha(11, 79));  // 506: 253, 253 ...
                     SetText(d.CFELD[6], alpha(264, 79));
                     // ... and no empty piece: the file ends without a line end
                 },
                 None});
    c.push_back({"a 506-character line followed by a line end", longLines(true),
                 [alpha](Data &d) {
                     SetText(d.CFELD[0], alpha(11, 79));
                     SetText(d.CFELD[1], alpha(11, 79));
                     SetText(d.CFELD[2], "");
                     SetText(d.CFELD[3], alpha(11, 79));
                     SetText(d.CFELD[4], "");
                     SetText(d.CFELD[5], alpha(11, 79));
                     SetText(d.CFELD[6], alpha(264, 79));
                     SetText(d.CFELD[7], "");
                 },
                 None});
    c.push_back({"a 253-character piece may start a header", Join({"# IFELD", Rep('x', 253) + "# END", V("1")}),
                 [](Data &) {}, None});
    c.push_back({"a CR LF split by the 253 boundary", Join({"# CFELD", V(Rep('q', 242)), V("z")}),
                 [](Data &d) {
                     SetText(d.CFELD[0], Rep('q', 79));
                     SetText(d.CFELD[1], "");
                     SetText(d.CFELD[2], "z");
                 },
                 None});

    // Numbers.
    c.push_back({"integers as atoi, wrapping",
                 Join({"# IFELD", V(" \t+12abc"), V("+-5"), V("2147483648"), V("-4294967297"), V("99999999999999999999")}),
                 [](Data &d) {
                     d.IFELD[0] = 12;
                     d.IFELD[1] = 0;
                     d.IFELD[2] = INT32_MIN;
                     d.IFELD[3] = -1;
                     d.IFELD[4] = 1661992959;  // 1e20 - 1 modulo 2^32
                 },
                 None});
    c.push_back({"reals as atof", Join({"# DFELD", V("1.5e3x"), V("  -.25"), V("1e"), V("7e+"), V("0x10"), V("abc"), V("inf"), V("-1e400"), V("1e-400")}),
                 [](Data &d) {
                     d.DFELD[0] = 1500;
                     d.DFELD[1] = -0.25;
                     d.DFELD[2] = 1;
                     d.DFELD[3] = 7;
                     d.DFELD[4] = 0;
                     d.DFELD[5] = 0;
                     d.DFELD[6] = HUGE_VAL;
                     d.DFELD[7] = -HUGE_VAL;
                     d.DFELD[8] = 0;
                 },
                 None});
    return c;
}

class ReaderTest : public ::testing::Test {
protected:
    void SetUp() override {
        ClearMessages();
        tovra::MaxAnz = 0;  // as after loading the library
    }
    // Reads `bytes` as a file into a data set filled with garbage first.
    int ReadBytes(const std::string &bytes, Data &d) {
        std::string path = dir.file("in.dat");
        WriteFile(path, bytes);
        std::memset(&d, 0x5a, sizeof d);
        return Read(path, d);
    }
    TempDir dir;
};

TEST_F(ReaderTest, Files) {
    for (const ReadCase &c : Cases()) {
        SCOPED_TRACE(c.name);
        ClearMessages();
        tovra::MaxAnz = 0;
        Data got;
        ASSERT_EQ(ReadBytes(c.file, got), 0);
        Data want = ResetData();
        SetText(want.KTEIL, " ");
        c.expect(want);
        std::string why;
        EXPECT_TRUE(SameData(got, want, &why)) << why;
        EXPECT_EQ(Messages(), c.messages(got));
    }
}

TEST_F(ReaderTest, MissingFile) {
    Data d;
    std::memset(&d, 0x5a, sizeof d);
    std::string path = dir.file("missing.dat");
    EXPECT_EQ(Read(path, d), 1);
    ASSERT_EQ(Messages().size(), 1u);
    EXPECT_EQ(Messages()[0], OpenReadMessage(path));
    std::string why;
    EXPECT_TRUE(SameData(d, ResetData(), &why)) << "no blank after a failed open\n" << why;
}

TEST_F(ReaderTest, LongPathInTheMessageInFull) {
    Data d;
    std::string path = dir.file(std::string(6000, 'r'));
    EXPECT_EQ(Read(path, d), 1);
    ASSERT_EQ(Messages().size(), 1u);
    EXPECT_EQ(Messages()[0], OpenReadMessage(path));
}

// MaxAnz outlives a call: a value line before any header shows what the
// previous call left.
TEST_F(ReaderTest, ValueLineBeforeAnyHeaderShowsTheLastMaxAnz) {
    struct Step {
        const char *name;
        std::string previous;  // read first
        int maxAnz;
    };
    const Step steps[] = {
        {"first call after loading", "", 0},
        {"after a file with an end line", Join({"# DFELD", V("1"), "# END "}), 0},
        {"after a file that ended in DFELD", Join({"# IFELD", "# DFELD", V("1")}), 169},
        {"after a limit in CFELD", [] {
             std::vector<std::string> l = {"# CFELD"};
             for (int i = 0; i < 11; ++i) l.push_back(V("c"));
             return Join(l);
         }(), 9},
        {"after an unrecognised section", Join({"# PFELD", "# OTHER"}), 0},
    };
    for (const Step &s : steps) {
        SCOPED_TRACE(s.name);
        Data d;
        if (!s.previous.empty()) ReadBytes(s.previous, d);
        ClearMessages();
        ASSERT_EQ(ReadBytes(Join({V("1"), "# IFELD", V("2")}), d), 0);
        EXPECT_EQ(Messages(), (std::vector<std::string>{LimitMessage(-9999, s.maxAnz)}));
        Data want = ResetData();
        SetText(want.KTEIL, " ");
        std::string why;
        EXPECT_TRUE(SameData(d, want, &why)) << why;
    }
    // A missing file leaves MaxAnz as it was.
    Data d;
    tovra::MaxAnz = 14;
    EXPECT_EQ(Read(dir.file("missing"), d), 1);
    ClearMessages();
    ReadBytes(V("1"), d);
    EXPECT_EQ(Messages(), (std::vector<std::string>{LimitMessage(-9999, 14)}));
}

TEST(TrimTrailingBlanks, Cases) {
    const struct {
        const char *in, *out;
    } cases[] = {{"", ""}, {" ", " "}, {"   ", " "}, {"a  ", "a"}, {"a\t ", "a\t"}, {" a ", " a"}, {"ab", "ab"}};
    for (const auto &c : cases) {
        char buf[16];
        std::strcpy(buf, c.in);
        tovra::TrimTrailingBlanks(buf);
        EXPECT_STREQ(buf, c.out) << '"' << c.in << '"';
    }
}

}  // namespace
