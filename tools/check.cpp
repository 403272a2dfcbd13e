// The checks ride on the reader itself (ParseStream with an observer), so
// that every finding describes what the library does with the line. What
// follows an end line or a limit is taken from the same LineReader.
#include "check.h"

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <memory>

#include "datafile/datafile.h"
#include "datafile/format.h"
#include "datafile/reader.h"
#include "tool_message.h"

namespace tovra_tool {

using tovra::kSections;
using tovra::Piece;

namespace {

// A text for a message: printable ASCII as is, every other byte as \xNN,
// long texts shortened.
std::string Quote(const char *text, std::size_t n, std::size_t max = 40) {
    static const char kHex[] = "0123456789ABCDEF";
    std::string out = "\"";
    for (std::size_t i = 0; i < n && i < max; ++i) {
        unsigned char c = static_cast<unsigned char>(text[i]);
        if (c == '"' || c == '\\') {
            out += '\\';
            out += static_cast<char>(c);
        } else if (c >= 0x20 && c < 0x7F) {
            out += static_cast<char>(c);
        } else {
            out += "\\x";
            out += kHex[c >> 4];
            out += kHex[c & 15];
        }
    }
    out += n > max ? "\"..." : "\"";
    return out;
}
std::string Quote(const std::string &s) { return Quote(s.data(), s.size()); }

std::string Count(long n, const char *one, const char *many) {
    return std::to_string(n) + " " + (n == 1 ? one : many);
}

// "IFELD(  0) " for a slot.
std::string Label(int section, int slot) {
    char index[3];
    tovra::FormatIndex(index, slot);
    return std::string(kSections[section].label) + "(" + std::string(index, 3) + ") ";
}

bool AllSpace(const char *s) {
    for (; *s; ++s) {
        if (!tovra::IsCSpace(*s)) return false;
    }
    return true;
}

// A section from its header line to the next header line.
struct Open {
    bool active = false;
    int section = tovra::kUnrecognised;
    long line = 0;
    std::string header;
    long values = 0;
    long firstLine = 0;  // of an earlier header of the same section
};

struct Checker : tovra::ReadObserver {
    std::vector<Finding> findings;
    Open open;
    long firstHeader[tovra::kSectionCount] = {};
    long headLine = 0;     // the line that last set the head text
    int endStyle = -1;     // 1: CR LF, 0: LF, -1: no line end seen yet
    long endStyleLine = 0;
    bool mixedReported = false;
    int pieceOfLine = 0;
    long lastLine = 0;
    long limitLine = 0;
    std::size_t limitFinding = 0;

    void Add(long line, bool error, const std::string &message) {
        findings.push_back({line, error, message});
    }

    void Close() {
        if (!open.active) return;
        if (open.section == tovra::kUnrecognised) {
            if (open.values > 0) {
                Add(open.line, true,
                    "unrecognised header " + Quote(open.header) + Hint(open.header) + ": its " +
                        Count(open.values, "value line is", "value lines are") + " skipped");
            } else {
                Add(open.line, false, "unrecognised header " + Quote(open.header) + Hint(open.header) + ": ignored");
            }
        } else if (open.firstLine > 0) {
            const char *name = kSections[open.section].name;
            if (open.values > 0 && open.section != tovra::kKteil) {
                Add(open.line, true,
                    std::string("section ") + name + " again (first at line " + std::to_string(open.firstLine) +
                        "): its " + Count(open.values, "value overwrites slot 0", "values overwrite slots 0 to ") +
                        (open.values > 1 ? std::to_string(open.values - 1) : ""));
            } else {
                Add(open.line, false,
                    std::string("section ") + name + " again (first at line " + std::to_string(open.firstLine) + ")");
            }
        }
        open = Open();
    }

    // A guess at the header that was meant: letters only, upper case.
    static std::string Hint(const std::string &header) {
        std::string letters;
        for (char c : header) {
            if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
            if (c >= 'A' && c <= 'Z') letters += c;
        }
        for (const tovra::SectionInfo &s : kSections) {
            if (letters.compare(0, 5, s.name) == 0) return std::string(" (did you mean \"") + s.header + "\"?)";
        }
        if (letters.compare(0, 3, "END") == 0) return " (did you mean \"# END \"?)";
        return "";
    }

    void OnPiece(const Piece &p) override {
        lastLine = p.line;
        pieceOfLine = p.first ? 0 : pieceOfLine + 1;
        if (!p.first) {
            std::size_t from = tovra::kPieceLength * static_cast<std::size_t>(pieceOfLine) + 1;
            if (p.length == 0 && p.ended) {
                Add(p.line, true,
                    "line of exactly " + std::to_string(from - 1) +
                        " characters: the reader takes an empty line after it");
            } else {
                Add(p.line, true,
                    "line longer than 253 characters: characters " + std::to_string(from) + " to " +
                        std::to_string(from + p.length - 1) + " are read as a line of their own");
            }
        }
        if (p.hasNul) {
            std::size_t at = std::strlen(p.text);
            if (at + 1 < p.length) {
                Add(p.line, true,
                    "NUL byte after " + Count(static_cast<long>(at), "character", "characters") +
                        ": the rest of the line (" +
                        Count(static_cast<long>(p.length - at - 1), "character", "characters") + ") is not read");
            } else {
                Add(p.line, false, "NUL byte at the end of the line");
            }
        }
        if (std::memchr(p.text, '\r', p.length) != nullptr) {
            Add(p.line, false, "carriage return without a line feed: it does not end the line, it stays in it");
        }
        if (p.ended) {
            int style = p.crlf ? 1 : 0;
            if (endStyle < 0) {
                endStyle = style;
                endStyleLine = p.line;
            } else if (style != endStyle && !mixedReported) {
                mixedReported = true;
                Add(p.line, false,
                    std::string("mixed line ends: this line ends in ") + (p.crlf ? "CR LF" : "LF") + ", line " +
                        std::to_string(endStyleLine) + " in " + (endStyle ? "CR LF" : "LF"));
            }
        }
    }

    void OnHeader(const Piece &p, int section) override {
        Close();
        const char *t = p.text;
        if (section == tovra::kEndOfData) {
            if (std::strncmp(t, tovra::kEndLine, tovra::kEndMatch) == 0 && AllSpace(t + tovra::kEndMatch)) return;
            Add(p.line, false, "header " + Quote(t, std::strlen(t)) + " is read as the end line");
            return;
        }
        open.active = true;
        open.section = section;
        open.line = p.line;
        open.header = t;
        if (section < 0) return;
        if (!AllSpace(t + tovra::kHeaderLength)) {
            Add(p.line, false,
                std::string("text after \"") + kSections[section].header + "\" is ignored: " +
                    Quote(t + tovra::kHeaderLength, std::strlen(t + tovra::kHeaderLength)));
        }
        if (firstHeader[section] > 0) {
            open.firstLine = firstHeader[section];
        } else {
            firstHeader[section] = p.line;
        }
    }

    void CheckLabel(const Piece &p, int section, int slot, const char *value) {
        std::size_t n = std::min(std::strlen(p.text), tovra::kLabelLength);
        std::string label(p.text, n);
        const char *name = kSections[section].name;
        std::string where = std::string(name) + " slot " + std::to_string(slot);
        if (section == tovra::kKteil) {
            if (label.find_first_not_of(' ') != std::string::npos) {
                Add(p.line, true,
                    "the first 11 characters of a head-text line are not read: " + Quote(label) + " is lost");
            }
            return;
        }
        std::string expected = Label(section, slot);
        if (label == expected) return;
        // NAME ( index ) with blanks around the index.
        std::size_t i = 0;
        std::string labelName;
        while (i < label.size() && ((label[i] >= 'A' && label[i] <= 'Z') || (label[i] >= 'a' && label[i] <= 'z'))) {
            labelName += label[i++];
        }
        long index = -1;
        std::size_t close = std::string::npos;
        const char *t = p.text;
        std::size_t len = std::strlen(t);
        if (i < len && t[i] == '(') {
            std::size_t k = i + 1;
            while (k < len && t[k] == ' ') ++k;
            if (k < len && t[k] >= '0' && t[k] <= '9') {
                index = 0;
                while (k < len && t[k] >= '0' && t[k] <= '9' && index < 100000) index = index * 10 + (t[k++] - '0');
                while (k < len && t[k] == ' ') ++k;
                if (k < len && t[k] == ')') close = k;
            }
        }
        bool shifted = close != std::string::npos ? (close != 9 || n < 11 || label[10] != ' ')
                                                  : (n == 11 && label[10] != ' ' && *value != '\0');
        if (shifted) {
            std::string what = close != std::string::npos
                                   ? "label " + Quote(std::string(t, std::min(len, close + 2))) + " is not 11 characters long"
                                   : "label " + Quote(label) + " does not end in a blank";
            Add(p.line, true, what + ": the value is read from the 12th character on, as " +
                                  Quote(value, std::strlen(value)));
            return;
        }
        if (close == std::string::npos) {
            Add(p.line, false, "label " + Quote(label) + " is not " + Quote(expected) + ": the value fills " + where);
            return;
        }
        if (labelName != kSections[section].label) {
            if (section == tovra::kPfeld && labelName == "PFELD") {
                Add(p.line, false, "label " + Quote(label) + ": PFELD lines carry the label " + Quote(expected));
            } else {
                Add(p.line, false, "label " + Quote(label) + " names " + (labelName.empty() ? "nothing" : labelName) +
                                       ", but the value fills " + where);
            }
        }
        if (index != slot) {
            Add(p.line, true,
                "label " + Quote(label) + " says slot " + std::to_string(index) + ", but the value fills " + where);
        } else if (labelName == kSections[section].label) {
            Add(p.line, false, "label " + Quote(label) + " is not in the form " + Quote(expected));
        }
    }

    void CheckNumber(const Piece &p, int section, const char *value) {
        tovra::NumberScan scan;
        bool integer = section == tovra::kIfeld;
        std::int32_t i = 0;
        double r = 0;
        if (integer) {
            i = tovra::ParseInt(value, &scan);
        } else {
            r = tovra::ParseReal(value, &scan);
        }
        std::string read = integer ? std::to_string(i) : RealShort(r);
        if (!scan.digits) {
            Add(p.line, true,
                (AllSpace(value) ? std::string("no value") : "no number in " + Quote(value, std::strlen(value))) +
                    ": read as 0");
            return;
        }
        if (!AllSpace(value + scan.used)) {
            Add(p.line, true,
                "text after the number is ignored: " + Quote(value + scan.used, std::strlen(value + scan.used)) +
                    " (read as " + read + ")");
        }
        std::string number(value, scan.used);
        number.erase(0, number.find_first_not_of(" \t\n\v\f\r"));
        if (scan.wrapped) {
            Add(p.line, true, "integer " + number + " is outside the 32-bit range: read as " + read);
        }
        if (scan.overflow) Add(p.line, true, "real " + number + " is too large: read as " + read);
        if (integer ? tovra::IsIntEnd(i) : tovra::IsRealEnd(r)) {
            Add(p.line, false,
                read + (integer ? " is below -9997" : " is below -9997.77 or NaN") +
                    ": a host that writes the data set back ends " + kSections[section].name + " here");
        }
    }

    static std::string RealShort(double v) {
        char text[tovra::kMaxRealText];
        std::size_t n = tovra::FormatReal(text, v);
        return std::string(text, n);
    }

    void CheckText(const Piece &p, int section, const char *value) {
        std::size_t n = std::strlen(value);
        if (n > tovra::kMaxText) {
            Add(p.line, true,
                "text of " + std::to_string(n) + " characters is cut to 79: " + Quote(value + tovra::kMaxText, n - 79) +
                    " is lost");
            n = tovra::kMaxText;
        }
        std::string kept(value, n);
        std::string trimmed = kept;
        while (trimmed.size() > 1 && trimmed.back() == ' ') trimmed.pop_back();
        if (trimmed != kept) {
            Add(p.line, false,
                trimmed == " " ? std::string("a text of blanks only is read as one blank")
                               : "trailing blanks are removed: read as " + Quote(trimmed));
        }
        if (section == tovra::kCfeld && trimmed == tovra::kCfeldEnd) {
            Add(p.line, false, "\"END_OF_CFELD\": a host that writes the data set back ends CFELD here");
        }
    }

    void OnValue(const Piece &p, int section, int slot, const char *value) override {
        if (!open.active) return;
        ++open.values;
        if (section < 0) return;
        // The rest of a split line has no label of its own; its split is
        // reported already.
        if (p.first) CheckLabel(p, section, slot, value);
        if (section == tovra::kKteil || section == tovra::kCfeld) {
            CheckText(p, section, value);
        } else {
            CheckNumber(p, section, value);
        }
        if (section == tovra::kKteil) {
            if (!p.first) {
                Add(p.line, true, "the rest of the split line replaces the head text");
            } else if (headLine > 0) {
                Add(p.line, true, "a second head-text line: it replaces the one on line " + std::to_string(headLine));
            }
            headLine = p.line;
        }
    }

    void OnLimit(const Piece &p, std::int32_t, std::int32_t) override {
        if (!open.active) {
            Add(p.line, true, "value line before any header: the reader stops here with its limit message");
        } else {
            const tovra::SectionInfo &s = kSections[open.section];
            Add(p.line, true,
                std::string("more than ") + std::to_string(s.slots) + " values in " + s.name +
                    ": the reader stops here with its limit message");
            Close();
        }
        limitLine = p.line;
        limitFinding = findings.size() - 1;
    }
};

// Offset of the first 0x1A in the file and the line it stands in.
bool FindEofByte(const char *path, long &line, long &after) {
    std::FILE *f = std::fopen(path, "rb");
    if (f == nullptr) return false;
    line = 1;
    int c;
    bool found = false;
    while ((c = std::getc(f)) != EOF) {
        if (c == 0x1a) {
            found = true;
            break;
        }
        if (c == '\n') ++line;
    }
    after = 0;
    while (found && std::getc(f) != EOF) ++after;
    std::fclose(f);
    return found;
}

}  // namespace

bool CheckDataFile(const char *path, std::vector<Finding> &findings, std::string *why) {
    std::FILE *file = std::fopen(path, "rb");
    if (file == nullptr) {
        *why = std::strerror(errno);
        return false;
    }
    // Buffers of its own (zeroed): only the findings matter here.
    struct Scratch : tovra::DataBuffers {
        tovra::LineReader reader;
    };
    auto s = std::make_unique<Scratch>();
    Checker c;
    const std::int32_t maxAnz = tovra::MaxAnz;
    SetMessagesMuted(true);
    tovra::ReadEnd end = tovra::ParseStream(
        s->reader, file, tovra::DataSet{s->KTEIL, s->IFELD, s->DFELD, &s->CFELD[0][0], s->PFELD}, &c);
    SetMessagesMuted(false);
    tovra::MaxAnz = maxAnz;
    c.Close();
    const bool eofByteRead = s->reader.sawEofByte;
    if (end == tovra::kReadEndOfFile) {
        if (c.lastLine == 0 && !eofByteRead) {
            c.Add(1, false, "empty file: no sections and no end line");
        } else {
            c.Add(c.lastLine == 0 ? 1 : c.lastLine, false,
                  "no end line \"# END \": the reader reads to the end of the file");
        }
    } else {
        // What the reader does not get to.
        Piece p;
        long lines = 0;
        long first = 0;
        while (tovra::NextPiece(s->reader, p)) {
            if (!p.first) continue;
            ++lines;
            if (first == 0) first = p.line;
            if (p.text[0] != '#') continue;
            for (const tovra::SectionInfo &sec : kSections) {
                if (std::strncmp(p.text, sec.header, tovra::kHeaderLength) == 0) {
                    c.Add(p.line, true,
                          std::string("section ") + sec.name + " is not read: " +
                              (end == tovra::kReadEndLine ? "it comes after the end line"
                                                          : "the reader stopped at line " + std::to_string(c.limitLine)));
                }
            }
        }
        if (end == tovra::kReadEndLine && lines > 0) {
            c.Add(first, false, Count(lines, "line after the end line is", "lines after the end line are") + " not read");
        }
        if (end == tovra::kReadLimit && lines > 0) {
            c.findings[c.limitFinding].message +=
                "; the " + Count(lines, "line", "lines") + " after it " + (lines == 1 ? "is" : "are") + " not read";
        }
    }
    const bool readError = s->reader.readError;
    std::fclose(file);
    if (readError) {
        *why = "read error";
        return false;
    }
    long line = 0;
    long after = 0;
    if (FindEofByte(path, line, after)) {
        if (eofByteRead && after > 0) {
            c.Add(line, true,
                  "byte 0x1A ends the file for a reader: the " + Count(after, "byte", "bytes") +
                      " after it are not read");
        } else {
            c.Add(line, false, "byte 0x1A ends the file for a reader");
        }
    }
    findings = c.findings;
    std::stable_sort(findings.begin(), findings.end(),
                     [](const Finding &a, const Finding &b) { return a.line < b.line; });
    return true;
}

int CheckStatus(const std::vector<Finding> &findings) {
    int status = 0;
    for (const Finding &f : findings) status = std::max(status, f.error ? 2 : 1);
    return status;
}

}  // namespace tovra_tool
