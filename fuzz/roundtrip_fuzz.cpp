// A data set decoded from the bytes is written with WriteD99999Data and read
// back with ReadD99999Data. The read data set must equal the written one
// but for the differences of the file format:
// - reals compare as their six-decimal "%f" text;
// - a text is cut at its NUL or after 79 characters, its line feeds and
//   0x1A bytes are written as blanks, and it loses its trailing blanks (a
//   text of blanks only keeps one, an empty text stays empty);
// - the head text gets one blank appended, a 79-character one being cut to
//   78 characters first;
// - each list ends at its first end marker; numeric slots past the end read
//   back as 0, text slots as "END_OF_CFELD".
// The one exception: a real whose line (11-character label and "%f" text)
// is 253 characters or longer is cut by the reader into pieces of 253
// characters, each read as a value line of its own. For the first such real
// (in file order) everything before it must be equal, its slot must hold
// the number of the first piece (the first 242 characters of its text), the
// slot after it the number of the second piece, or, when the list has no
// slot left, the one message must be the limit message. Nothing after that
// is compared; there may be no message or one limit message.
#include <fuzzer/FuzzedDataProvider.h>

#include <cfloat>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>
#include <string>
#include <vector>

#include "datafile/format.h"
#include "support.h"
#include "tovra.h"

using namespace tovra_fuzz;

namespace {

constexpr std::size_t kLabel = 11;
constexpr std::size_t kPiece = 253;

// Bytes a text is made of when it is drawn from a small alphabet of edges.
const char kEdgeBytes[] = {' ', '\n', '\r', '\x1a', '#', 'a', '\x81', '\xff', '\t', 'E', '\0'};

void DecodeText(FuzzedDataProvider &in, char *slot, bool cfeld) {
    std::memset(slot, 0, 80);
    std::uint8_t mode = in.ConsumeIntegral<std::uint8_t>();
    if (cfeld && mode % 8 == 0) {
        std::strcpy(slot, "END_OF_CFELD");
        return;
    }
    if (cfeld && mode % 8 == 1) {
        std::strcpy(slot, "END_OF_CFELD ");  // an ordinary text
        return;
    }
    std::size_t length = in.ConsumeIntegralInRange<std::size_t>(0, 80);  // 80: no NUL at all
    // Room beyond the 80 bytes: GCC 12's vectorizer otherwise warns of a
    // write past the end it cannot make (the length is at most 80).
    char text[96];
    for (std::size_t i = 0; i < length; ++i) {
        std::uint8_t b = in.ConsumeIntegral<std::uint8_t>();
        text[i] = (mode & 0x10) ? kEdgeBytes[b % sizeof kEdgeBytes] : static_cast<char>(b);
    }
    std::memcpy(slot, text, length);
    if (mode & 0x20) {  // trailing blanks
        for (std::size_t i = length; i < 80 && i < length + (mode & 7); ++i) slot[i] = ' ';
    }
}

std::int32_t DecodeInt(FuzzedDataProvider &in) {
    switch (in.ConsumeIntegral<std::uint8_t>() % 8) {
        case 0: return -9998;  // the end marker
        case 1: return -9997;  // the lowest ordinary value
        case 2: return INT32_MIN;
        case 3: return INT32_MAX;
        default: return in.ConsumeIntegral<std::int32_t>();
    }
}

double DecodeReal(FuzzedDataProvider &in) {
    std::uint8_t tag = in.ConsumeIntegral<std::uint8_t>();
    double sign = (tag & 0x80) ? -1.0 : 1.0;
    switch (tag % 16) {
        case 0: {
            std::uint64_t bits = in.ConsumeIntegral<std::uint64_t>();
            double v;
            std::memcpy(&v, &bits, sizeof v);
            return v;
        }
        case 1: return sign * std::numeric_limits<double>::quiet_NaN();
        case 2: return std::numeric_limits<double>::infinity();
        case 3: return -std::numeric_limits<double>::infinity();
        case 4: return sign * 1e300;
        case 5: {
            int exponent = in.ConsumeIntegralInRange<int>(-30, 308);
            double mantissa = 1.0 + in.ConsumeIntegralInRange<int>(0, 999999) / 1e6;
            return sign * mantissa * std::pow(10.0, exponent);
        }
        case 6: return -9997.77;  // written
        case 7: return -9997.78;  // ends the list
        case 8: return std::nextafter(-9997.77, (tag & 0x80) ? -1e9 : 0.0);
        case 9: return in.ConsumeIntegral<std::int32_t>() / 1000.0;
        case 10: return sign * DBL_MAX;
        case 11: return sign * std::pow(10.0, in.ConsumeIntegralInRange<int>(238, 245));
        case 12: return sign * DBL_MIN * in.ConsumeIntegralInRange<int>(0, 3) / 4.0;
        case 13: return sign * (in.ConsumeIntegral<std::uint32_t>() + 0.5e-6 * in.ConsumeIntegralInRange<int>(0, 3));
        default: return in.ConsumeFloatingPoint<double>();
    }
}

std::string Real(double v) {
    char text[tovra::kMaxRealText];
    return std::string(text, tovra::FormatReal(text, v));
}

// The text as the writer writes it: up to its NUL, at most 79 characters,
// line feeds and 0x1A as blanks.
std::string Written(const char *slot) {
    std::string t;
    for (std::size_t i = 0; i < 79 && slot[i] != '\0'; ++i)
        t += (slot[i] == '\n' || slot[i] == '\x1a') ? ' ' : slot[i];
    return t;
}

std::string Trimmed(std::string t) {
    while (t.size() > 1 && t.back() == ' ') t.pop_back();
    return t;
}

void CheckSlot(const char *got, const std::string &want, const std::string &what) {
    char expect[80] = {};
    std::memcpy(expect, want.data(), want.size());
    Check(std::memcmp(got, expect, 80) == 0, what + ": got \"" + std::string(got) + "\", want \"" + want + "\"");
}

struct Input {
    std::vector<char> KTEIL = std::vector<char>(80);
    std::vector<std::int32_t> IFELD = std::vector<std::int32_t>(5);
    std::vector<double> DFELD = std::vector<double>(170);
    std::vector<char> CFELD = std::vector<char>(800);
    std::vector<double> PFELD = std::vector<double>(15);
};

// The length of a list as the writer sees it.
int IntLength(const std::vector<std::int32_t> &v) {
    int n = 0;
    while (n < static_cast<int>(v.size()) && !tovra::IsIntEnd(v[n])) ++n;
    return n;
}
int RealLength(const std::vector<double> &v) {
    int n = 0;
    while (n < static_cast<int>(v.size()) && !tovra::IsRealEnd(v[n])) ++n;
    return n;
}

// Index of the first real of the list's first `n` whose line reaches 253
// characters, or -1.
int FirstLongReal(const std::vector<double> &v, int n) {
    for (int i = 0; i < n; ++i)
        if (kLabel + Real(v[i]).size() >= kPiece) return i;
    return -1;
}

// Compares a real list; with a long real at `split`, only up to the piece
// after it. False when the comparison stopped at a split.
bool CheckReals(const std::vector<double> &in, const double *got, int maxAnz, const char *name) {
    int n = RealLength(in);
    int split = FirstLongReal(in, n);
    int upTo = split < 0 ? static_cast<int>(in.size()) : split;
    for (int i = 0; i < upTo; ++i) {
        std::string want = i < n ? Real(in[i]) : Real(0.0);
        Check(Real(got[i]) == want, std::string(name) + "[" + std::to_string(i) + "]: got " +
                                        Real(got[i]) + ", want " + want);
    }
    if (split < 0) return true;
    // The line "LABEL(nnn) <text>" is read as its first 253 characters
    // (value: the text's first 242) and then the rest as a line of its own.
    std::string text = Real(in[split]);
    std::string first = text.substr(0, kPiece - kLabel);
    std::string rest = text.substr(kPiece - kLabel);
    std::string label = std::string(name) + "[" + std::to_string(split) + "]";
    Check(Real(got[split]) == Real(tovra::ParseReal(first.c_str())), label + ": not the first piece");
    if (split + 1 <= maxAnz) {
        std::string value = rest.size() > kLabel ? rest.substr(kLabel) : "";
        Check(Real(got[split + 1]) == Real(tovra::ParseReal(value.c_str())),
              label + ": the next slot does not hold the second piece");
    } else {
        Check(Messages().size() == 1 && Messages()[0].compare(0, 15, "\nAbbruch in KK=") == 0 &&
                  Messages()[0].find(" wurde MaxAnz=" + std::to_string(maxAnz) + " ") != std::string::npos,
              label + ": the piece beyond the last slot gives no limit message");
    }
    Check(Messages().size() <= 1, "more than one message");
    if (!Messages().empty())
        Check(Messages()[0].compare(0, 15, "\nAbbruch in KK=") == 0, "a message other than the limit");
    return false;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
    static const std::string path = ScratchDir() + "/roundtrip.dat";
    static GuardedData out;
    FuzzedDataProvider in(data, size);

    Input d;
    DecodeText(in, d.KTEIL.data(), false);
    for (auto &v : d.IFELD) v = DecodeInt(in);
    // Most inputs are short: the lists are filled from the front and their
    // remaining slots get ordinary values or markers in a cheap pattern.
    std::size_t dfeldDecoded = in.ConsumeIntegralInRange<std::size_t>(0, 170);
    for (std::size_t i = 0; i < 170; ++i) d.DFELD[i] = i < dfeldDecoded ? DecodeReal(in) : static_cast<double>(i);
    for (int i = 0; i < 10; ++i) DecodeText(in, d.CFELD.data() + 80 * i, true);
    for (auto &v : d.PFELD) v = DecodeReal(in);

    ClearMessages();
    int written = WriteD99999Data(path.c_str(), d.KTEIL.data(), d.IFELD.data(), d.DFELD.data(),
                                  d.CFELD.data(), d.PFELD.data(), 0, 0, 0);
    Check(written == 0, "the write did not return 0");
    Check(Messages().empty(), "the write showed a message");

    out.Prepare(0xEE);
    int read = ReadD99999Data(path.c_str(), out.KTEIL(), out.IFELD(), out.DFELD(), out.CFELD(), out.PFELD());
    out.CheckGuards();
    Check(read == 0, "the read did not return 0");

    // The head text.
    std::string head = Trimmed(Written(d.KTEIL.data()));
    if (head.size() > 78) head.resize(78);
    CheckSlot(out.KTEIL(), head + " ", "KTEIL");

    int n = IntLength(d.IFELD);
    for (int i = 0; i < 5; ++i) {
        std::int32_t want = i < n ? d.IFELD[i] : 0;
        Check(out.IFELD()[i] == want, "IFELD[" + std::to_string(i) + "]: got " +
                                          std::to_string(out.IFELD()[i]) + ", want " + std::to_string(want));
    }

    if (!CheckReals(d.DFELD, out.DFELD(), 169, "DFELD")) return 0;

    bool ended = false;
    for (int i = 0; i < 10; ++i) {
        const char *slot = d.CFELD.data() + 80 * i;
        ended = ended || std::strncmp(slot, "END_OF_CFELD", 13) == 0;
        CheckSlot(out.CFELD() + 80 * i, ended ? "END_OF_CFELD" : Trimmed(Written(slot)),
                  "CFELD[" + std::to_string(i) + "]");
    }

    if (!CheckReals(d.PFELD, out.PFELD(), 14, "PFELD")) return 0;
    Check(Messages().empty(), "the read showed a message");
    return 0;
}
