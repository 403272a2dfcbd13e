// The 8-bit code pages the tool converts texts with, to and from UTF-8.
// Tables of our own: the conversion never depends on the C run-time or
// the system's locale.
#ifndef TOVRA_TOOLS_CODEPAGE_H
#define TOVRA_TOOLS_CODEPAGE_H

#include <cstdint>
#include <string>

namespace tovra_tool {

struct CodePage;

// "cp1252", "cp850", "cp437", "latin1" (also "iso-8859-1"); case is
// ignored. nullptr for any other name.
const CodePage *FindCodePage(const std::string &name);
const char *CodePageName(const CodePage &cp);
// The names FindCodePage knows, for messages: "cp1252, cp850, cp437, latin1".
const char *CodePageNames();

// The character of `byte`, or -1 when the code page has none for it.
// Bytes below 0x80 are ASCII in every code page.
long ToUnicode(const CodePage &cp, unsigned char byte);

// Bytes -> UTF-8. False at the first byte that has no character, whose
// index goes to `bad`.
bool DecodeText(const CodePage &cp, const std::string &bytes, std::string &utf8,
                std::size_t *bad);

// UTF-8 -> bytes. False at the first character the code page lacks (its
// code point goes to `badChar`) or at malformed UTF-8 (`badChar` -1).
bool EncodeText(const CodePage &cp, const std::string &utf8, std::string &bytes, long *badChar);

// "U+20AC" with the character itself in UTF-8 after it: "U+20AC (€)".
std::string DescribeChar(long codePoint);
// Appends the UTF-8 form of a code point.
void AppendUtf8(std::string &out, long codePoint);

}  // namespace tovra_tool

#endif
