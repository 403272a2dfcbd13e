// tovra::ShowMessage for the tool: "TOVRA: " and the text on one line of
// standard error. The library's texts begin with a line feed, which is
// dropped. The limit message holds the byte 0x81 (u with diaeresis in the
// DOS code pages the texts are written in): on a Windows console it is
// written unchanged, elsewhere a text that is not valid UTF-8 is converted
// from cp850 so that the terminal shows the letter.
#include <cstdio>
#include <string>

#include "codepage.h"
#include "interface/platform.h"
#include "tool_message.h"

namespace tovra_tool {

namespace {

bool gMuted = false;
int gCount = 0;

#if !defined(_WIN32)
bool ValidUtf8(const std::string &s) {
    const CodePage *latin1 = FindCodePage("latin1");
    std::string bytes;
    long bad = 0;
    // Encoding to Latin-1 fails on malformed UTF-8 (-1) and on characters
    // above U+00FF, which are well-formed.
    return EncodeText(*latin1, s, bytes, &bad) || bad != -1;
}
#endif

}  // namespace

void SetMessagesMuted(bool muted) { gMuted = muted; }
int MessageCount() { return gCount; }

}  // namespace tovra_tool

namespace tovra {

void ShowMessage(const char *text) {
    ++tovra_tool::gCount;
    if (tovra_tool::gMuted) return;
    std::string t(text);
    while (!t.empty() && t[0] == '\n') t.erase(0, 1);
    for (std::string::size_type i = 0; (i = t.find('\n', i)) != std::string::npos; i += 2) {
        t.replace(i, 1, "\n  ");
    }
#if !defined(_WIN32)
    if (!tovra_tool::ValidUtf8(t)) {
        std::string utf8;
        tovra_tool::DecodeText(*tovra_tool::FindCodePage("cp850"), t, utf8, nullptr);
        t = utf8;
    }
#endif
    std::string line = "TOVRA: " + t + "\n";
    std::fflush(stdout);
    std::fwrite(line.data(), 1, line.size(), stderr);
    std::fflush(stderr);
}

}  // namespace tovra
