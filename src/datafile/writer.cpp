// The data file writer.
//
// The file is formed line by line into a small output buffer and handed to
// the platform's save, which writes a temporary file and replaces the
// target only when every byte has reached the disk. Line ends are CR LF on
// every platform; the file ends right after "# END ".
#include <cstring>

#include "../interface/platform.h"
#include "datafile.h"
#include "format.h"
#include "messages.h"

namespace tovra {

namespace {

// Collects the bytes of the file and passes them on in large pieces.
struct Output {
    SaveFile *file;
    bool ok;
    std::size_t used;
    char buffer[8192];
};

void Flush(Output &out) {
    if (out.ok && out.used > 0) out.ok = SaveWrite(out.file, out.buffer, out.used);
    out.used = 0;
}

// The longest line: CR LF, an 11-character label and a real of
// kMaxRealText characters.
constexpr std::size_t kMaxLine = 2 + kLabelLength + kMaxRealText;
static_assert(kMaxLine <= sizeof(Output::buffer), "a line must fit the output buffer");

// Returns room for a line of up to kMaxLine bytes; commit it with Commit.
char *Reserve(Output &out) {
    if (sizeof out.buffer - out.used < kMaxLine) Flush(out);
    return out.buffer + out.used;
}

void Commit(Output &out, const char *end) {
    out.used = static_cast<std::size_t>(end - out.buffer);
}

// Starts a line: its line end, then the label "NAME(%3d) " of slot `index`.
char *PutLabel(char *p, const char *name, int index) {
    *p++ = '\r';
    *p++ = '\n';
    std::size_t n = std::strlen(name);
    std::memcpy(p, name, n);
    p += n;
    *p++ = '(';
    p += FormatIndex(p, index);
    *p++ = ')';
    *p++ = ' ';
    return p;
}

// Copies a text of at most 79 characters, up to its NUL; never reads past
// the 80 bytes of its slot. A line feed or a 0x1A would break the file
// (a value across lines, or the end of the file for text-mode readers), so
// each is written as a blank.
char *PutText(char *p, const char *text) {
    for (std::size_t i = 0; i < kMaxText && text[i] != '\0'; ++i) {
        char c = text[i];
        *p++ = (c == '\n' || c == '\x1a') ? ' ' : c;
    }
    return p;
}

void PutHeader(Output &out, const char *header, bool first) {
    char *p = Reserve(out);
    if (!first) {
        *p++ = '\r';
        *p++ = '\n';
    }
    std::size_t n = std::strlen(header);
    std::memcpy(p, header, n);
    Commit(out, p + n);
}

void PutIntegers(Output &out, const SectionInfo &s, const std::int32_t *values) {
    PutHeader(out, s.header, false);
    for (int i = 0; i < s.slots && !IsIntEnd(values[i]); ++i) {
        char *p = PutLabel(Reserve(out), s.label, i);
        Commit(out, p + FormatInt(p, values[i]));
    }
}

void PutReals(Output &out, const SectionInfo &s, const double *values) {
    PutHeader(out, s.header, false);
    for (int i = 0; i < s.slots && !IsRealEnd(values[i]); ++i) {
        char *p = PutLabel(Reserve(out), s.label, i);
        Commit(out, p + FormatReal(p, values[i]));
    }
}

// Writes the whole file; false when a write failed.
bool Emit(SaveFile *file, const char *KTEIL, const std::int32_t *IFELD, const double *DFELD,
          const char *CFELD, const double *PFELD) {
    Output out;
    out.file = file;
    out.ok = true;
    out.used = 0;

    PutHeader(out, kSections[kKteil].header, true);
    char *p = Reserve(out);
    *p++ = '\r';
    *p++ = '\n';
    std::memset(p, ' ', kLabelLength);
    Commit(out, PutText(p + kLabelLength, KTEIL));

    PutIntegers(out, kSections[kIfeld], IFELD);
    PutReals(out, kSections[kDfeld], DFELD);

    const SectionInfo &c = kSections[kCfeld];
    PutHeader(out, c.header, false);
    for (int i = 0; i < c.slots; ++i) {
        const char *slot = CFELD + kSlotSize * static_cast<std::size_t>(i);
        // The whole text is compared: "END_OF_CFELD " is an ordinary text.
        // strncmp stops within the slot's 80 bytes.
        if (std::strncmp(slot, kCfeldEnd, sizeof kCfeldEnd) == 0) break;
        Commit(out, PutText(PutLabel(Reserve(out), c.label, i), slot));
    }

    PutReals(out, kSections[kPfeld], PFELD);
    PutHeader(out, kEndLine, false);
    Flush(out);
    return out.ok;
}

}  // namespace

int WriteD99999File(const char *path, const char *KTEIL, const std::int32_t *IFELD,
                    const double *DFELD, const char *CFELD, const double *PFELD) {
    SaveFile *file = SaveOpen(path, false);
    if (file == nullptr) {
        ShowCannotOpenForWriting(path);
        return 1;
    }
    SaveResult result = kSaveFailed;
    if (Emit(file, KTEIL, IFELD, DFELD, CFELD, PFELD)) {
        result = SaveFinish(file);
    } else {
        SaveAbort(file);
    }
    if (result == kSaveRetryDirect) {
        // The target could not be replaced (held open by another program,
        // say); it is untouched. Write it in place instead.
        file = SaveOpen(path, true);
        if (file == nullptr) {
            ShowCannotOpenForWriting(path);
            return 1;
        }
        result = kSaveFailed;
        if (Emit(file, KTEIL, IFELD, DFELD, CFELD, PFELD)) {
            result = SaveFinish(file);
        } else {
            SaveAbort(file);
        }
    }
    if (result != kSaveDone) {
        ShowCannotWrite(path);
        return 1;
    }
    return 0;
}

}  // namespace tovra
