// The data file reader.
//
// The reader follows the current section in KK and fills the host's buffer
// for it slot by slot. It stops at "# END", at the end of the file, or with
// the limit message at the first value line beyond a section's slots (and
// at any value line before the first header).
#include "reader.h"

#include <climits>
#include <cstring>

#include "datafile.h"
#include "format.h"
#include "messages.h"

namespace tovra {

std::int32_t MaxAnz = 0;

std::int32_t KkNumber(const void *buffer) {
    std::uint32_t low = static_cast<std::uint32_t>(reinterpret_cast<std::uintptr_t>(buffer));
    std::int32_t number;
    std::memcpy(&number, &low, sizeof number);
    return number;
}

void TrimTrailingBlanks(char *text) {
    std::size_t n = std::strlen(text);
    while (n > 1 && text[n - 1] == ' ') text[--n] = '\0';
}

namespace {

// KK before the first header line and in an unrecognised section.
constexpr std::int32_t kKkNoHeader = -9999;
constexpr std::int32_t kKkUnrecognised = -999;

// Copies at most 79 characters into a cleared 80-byte slot and trims it.
void StoreText(char *slot, const char *value) {
    std::memset(slot, 0, kSlotSize);
    std::size_t n = 0;
    while (n < kMaxText && value[n] != '\0') ++n;
    std::memcpy(slot, value, n);
    TrimTrailingBlanks(slot);
}

int HeaderSection(const char *line) {
    for (const SectionInfo &s : kSections) {
        if (std::strncmp(line, s.header, kHeaderLength) == 0) return s.id;
    }
    if (std::strncmp(line, kEndLine, kEndMatch) == 0) return kEndOfData;
    return kUnrecognised;
}

void *SectionBuffer(const DataSet &data, int section) {
    switch (section) {
        case kKteil: return data.KTEIL;
        case kIfeld: return data.IFELD;
        case kDfeld: return data.DFELD;
        case kCfeld: return data.CFELD;
        case kPfeld: return data.PFELD;
        default: return nullptr;
    }
}

}  // namespace

ReadEnd ParseStream(LineReader &reader, std::FILE *file, const DataSet &data,
                    ReadObserver *observer) {
    LineReaderInit(reader, file);
    int section = kUnrecognised;
    bool anyHeader = false;
    // Until the first header the counter stands above every limit.
    std::int32_t counter = INT32_MAX;
    Piece piece;
    while (NextPiece(reader, piece)) {
        if (observer) observer->OnPiece(piece);
        const char *line = piece.text;
        if (line[0] == '#') {
            MaxAnz = 0;
            section = HeaderSection(line);
            anyHeader = true;
            counter = 0;
            if (observer) observer->OnHeader(piece, section);
            if (section == kEndOfData) return kReadEndLine;
            if (section >= 0) MaxAnz = kSections[section].maxAnz;
            continue;
        }
        if (counter > MaxAnz) {
            std::int32_t kk = !anyHeader ? kKkNoHeader
                              : section < 0 ? kKkUnrecognised
                                            : KkNumber(SectionBuffer(data, section));
            ShowLimitExceeded(kk, MaxAnz);
            if (observer) observer->OnLimit(piece, kk, MaxAnz);
            return kReadLimit;
        }
        // The value text: everything from column 11 on.
        // A NUL in the piece ends its text early.
        std::size_t length = piece.hasNul ? std::strlen(line) : piece.length;
        const char *value = length > kLabelLength ? line + kLabelLength : "";
        int slot = section == kUnrecognised ? -1 : counter;
        switch (section) {
            case kIfeld: data.IFELD[counter++] = ParseInt(value); break;
            case kDfeld: data.DFELD[counter++] = ParseReal(value); break;
            case kPfeld: data.PFELD[counter++] = ParseReal(value); break;
            case kCfeld: StoreText(data.CFELD + kSlotSize * static_cast<std::size_t>(counter++), value); break;
            case kKteil: StoreText(data.KTEIL, value); break;  // the last line wins
            default: break;  // an unrecognised section: skipped
        }
        if (observer) observer->OnValue(piece, section, slot, value);
    }
    return kReadEndOfFile;
}

int ParseD99999File(const char *path, char *KTEIL, std::int32_t *IFELD, double *DFELD,
                    char *CFELD, double *PFELD, ReadObserver *observer) {
    std::FILE *file = std::fopen(path, "rb");
    if (file == nullptr) {
        ShowCannotOpenForReading(path);
        return 1;
    }
    // One reader with its block buffer per call; the frame holds ~33 KiB.
    LineReader reader;
    ParseStream(reader, file, DataSet{KTEIL, IFELD, DFELD, CFELD, PFELD}, observer);
    std::fclose(file);
    return 0;
}

int ReadD99999Data(const char *path, char *KTEIL, std::int32_t *IFELD, double *DFELD,
                   char *CFELD, double *PFELD, ReadObserver *observer) {
    std::memset(KTEIL, 0, kSlotSize);
    for (std::size_t i = 0; i < static_cast<std::size_t>(kSections[kCfeld].slots); ++i) {
        char *slot = CFELD + kSlotSize * i;
        std::memset(slot, 0, kSlotSize);
        std::memcpy(slot, kCfeldEnd, sizeof kCfeldEnd);
    }
    // Slots the file does not fill read as 0, which the writer takes as an
    // ordinary value: a data set read and written back keeps full lists.
    for (int i = 0; i < kSections[kIfeld].slots; ++i) IFELD[i] = 0;
    for (int i = 0; i < kSections[kDfeld].slots; ++i) DFELD[i] = 0.0;
    for (int i = 0; i < kSections[kPfeld].slots; ++i) PFELD[i] = 0.0;

    if (ParseD99999File(path, KTEIL, IFELD, DFELD, CFELD, PFELD, observer) != 0) return 1;

    // One blank is appended to the head text. A head text of 79 characters
    // is cut to 78 first, so the result still fits the 80 bytes of KTEIL.
    std::size_t n = std::strlen(KTEIL);
    if (n > kMaxText - 1) n = kMaxText - 1;
    KTEIL[n] = ' ';
    KTEIL[n + 1] = '\0';
    return 0;
}

}  // namespace tovra
