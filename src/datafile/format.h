// The data file format: section table, fixed texts and the number forms.
//
// A data file is 8-bit text in five sections. Each section starts with a
// header line ("# KTEIL", "# IFELD", ...), each value line carries an
// 11-character label that readers skip, and the value starts in column 11.
// The file ends with "# END ". Numbers are formatted and parsed here without
// the C run-time's printf/strtod, so the bytes never depend on the locale.
#ifndef TOVRA_DATAFILE_FORMAT_H
#define TOVRA_DATAFILE_FORMAT_H

#include <cstddef>
#include <cstdint>

namespace tovra {

enum Section { kKteil = 0, kIfeld, kDfeld, kCfeld, kPfeld, kSectionCount };

struct SectionInfo {
    Section id;
    const char *name;    // "KTEIL", ...
    const char *header;  // the header line, "# KTEIL", ...
    const char *label;   // label name of its value lines ("" for KTEIL)
    int slots;
    int maxAnz;  // highest slot index the reader admits
};

// In the order in which the writer writes the sections.
extern const SectionInfo kSections[kSectionCount];

constexpr std::size_t kSlotSize = 80;
constexpr std::size_t kMaxText = 79;  // characters of a text slot
constexpr std::size_t kLabelLength = 11;
constexpr std::size_t kPieceLength = 253;  // the reader takes lines in pieces of this size
constexpr std::size_t kHeaderLength = 7;   // "# IFELD"
constexpr const char kEndLine[] = "# END ";
constexpr std::size_t kEndMatch = 5;  // a reader recognises "# END" by 5 characters
constexpr const char kCfeldEnd[] = "END_OF_CFELD";

// End-of-list tests of the writer.
bool IsIntEnd(std::int32_t v);
bool IsRealEnd(double v);

// Longest text FormatReal produces: "-" and 309 integer digits, ".", 6 digits.
constexpr std::size_t kMaxRealText = 320;

// "%d". `out` needs 12 bytes. Returns the length; no NUL is written.
std::size_t FormatInt(char *out, std::int32_t v);
// "%3d" for a slot index 0..999. `out` needs 3 bytes.
std::size_t FormatIndex(char *out, int index);
// "%f": fixed, exactly six decimals, every integer digit, point as separator;
// "inf", "-inf", "nan" for the special values. `out` needs kMaxRealText.
std::size_t FormatReal(char *out, double v);

// Details of a conversion, for diagnostics.
struct NumberScan {
    std::size_t used = 0;  // characters consumed, white space and sign included
    bool digits = false;   // something convertible was found
    bool wrapped = false;  // integer outside the 32-bit range, wrapped modulo 2^32
    bool overflow = false;  // real too large: converted to an infinity
};

// C white space: blank, \t, \n, \v, \f, \r.
bool IsCSpace(char c);

// As atoi, but wrapping beyond 32 bits: white space, one optional sign,
// decimal digits; no digits give 0.
std::int32_t ParseInt(const char *text, NumberScan *scan = nullptr);

// As atof in the "C" locale, correctly rounded: white space, one optional
// sign, then the longest prefix that is a decimal number (digits, point,
// fraction, a complete exponent) or "inf", "infinity", "nan", "nan(...)".
// No hexadecimal forms. Nothing convertible gives 0.
double ParseReal(const char *text, NumberScan *scan = nullptr);

}  // namespace tovra

#endif
