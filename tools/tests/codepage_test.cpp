// The code page tables: known characters, the bytes without one, and that
// every byte with a character converts to UTF-8 and back to itself.
#include <gtest/gtest.h>

#include <string>

#include "codepage.h"

using namespace tovra_tool;

namespace {

TEST(CodePage, KnownCharacters) {
    struct Case {
        const char *page;
        unsigned char byte;
        long unicode;  // -1: no character
    };
    const Case cases[] = {
        {"cp1252", 0x41, 0x41},    {"cp1252", 0x80, 0x20AC}, {"cp1252", 0x81, -1},
        {"cp1252", 0x8D, -1},      {"cp1252", 0x8F, -1},     {"cp1252", 0x90, -1},
        {"cp1252", 0x9D, -1},      {"cp1252", 0x9F, 0x0178}, {"cp1252", 0xE9, 0x00E9},
        {"cp850", 0x81, 0x00FC},   {"cp850", 0x9E, 0x00D7},  {"cp850", 0xD5, 0x0131},
        {"cp850", 0xE1, 0x00DF},   {"cp437", 0x81, 0x00FC},  {"cp437", 0x9E, 0x20A7},
        {"cp437", 0xE1, 0x00DF},   {"cp437", 0xFF, 0x00A0},  {"latin1", 0x81, 0x0081},
        {"latin1", 0xA4, 0x00A4},  {"ISO-8859-1", 0xFF, 0x00FF},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(std::string(c.page) + " " + std::to_string(c.byte));
        const CodePage *cp = FindCodePage(c.page);
        ASSERT_NE(cp, nullptr);
        EXPECT_EQ(ToUnicode(*cp, c.byte), c.unicode);
    }
    EXPECT_EQ(FindCodePage("utf-8"), nullptr);
}

TEST(CodePage, EveryByteWithACharacterConvertsBack) {
    for (const char *name : {"cp1252", "cp850", "cp437", "latin1"}) {
        SCOPED_TRACE(name);
        const CodePage &cp = *FindCodePage(name);
        int defined = 0;
        for (int b = 0; b < 256; ++b) {
            std::string bytes(1, static_cast<char>(b)), utf8, back;
            std::size_t bad = 99;
            if (!DecodeText(cp, bytes, utf8, &bad)) {
                EXPECT_EQ(bad, 0u);
                continue;
            }
            ++defined;
            long badChar = 0;
            ASSERT_TRUE(EncodeText(cp, utf8, back, &badChar)) << b;
            EXPECT_EQ(back, bytes);
        }
        EXPECT_EQ(defined, std::string(name) == "cp1252" ? 251 : 256);
    }
}

TEST(CodePage, EncodingRefusesWhatThePageLacks) {
    const CodePage &cp850 = *FindCodePage("cp850");
    std::string out;
    long bad = 0;
    EXPECT_FALSE(EncodeText(cp850, "\xE2\x82\xAC", out, &bad));  // the euro sign
    EXPECT_EQ(bad, 0x20AC);
    EXPECT_FALSE(EncodeText(*FindCodePage("latin1"), "\xC5\x93", out, &bad));  // oe ligature
    EXPECT_EQ(bad, 0x0153);
    EXPECT_TRUE(EncodeText(*FindCodePage("cp1252"), "\xC5\x93", out, &bad));
    EXPECT_EQ(out, "\x9C");
    // Malformed UTF-8: a lone continuation byte, an overlong form, a surrogate.
    for (const char *s : {"\x80", "\xC0\xAF", "\xED\xA0\x80", "\xC3"}) {
        EXPECT_FALSE(EncodeText(cp850, s, out, &bad)) << s;
        EXPECT_EQ(bad, -1);
    }
    EXPECT_EQ(DescribeChar(0x20AC), "U+20AC (\xE2\x82\xAC)");
}

}  // namespace
