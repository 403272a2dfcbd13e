#include "format.h"

#include <charconv>
#include <cmath>
#include <cstring>
#include <limits>
#include <system_error>

namespace tovra {

const SectionInfo kSections[kSectionCount] = {
    {kKteil, "KTEIL", "# KTEIL", "", 1, 0},
    {kIfeld, "IFELD", "# IFELD", "IFELD", 5, 4},
    {kDfeld, "DFELD", "# DFELD", "DFELD", 170, 169},
    {kCfeld, "CFELD", "# CFELD", "CFELD", 10, 9},
    // The PFELD lines carry the label DFELD: only the header tells the two
    // real lists apart.
    {kPfeld, "PFELD", "# PFELD", "DFELD", 15, 14},
};

bool IsIntEnd(std::int32_t v) { return v < -9997; }

bool IsRealEnd(double v) { return std::isnan(v) || v < -9997.77; }

std::size_t FormatInt(char *out, std::int32_t v) {
    auto r = std::to_chars(out, out + 12, v);
    return static_cast<std::size_t>(r.ptr - out);
}

std::size_t FormatIndex(char *out, int index) {
    char digits[12];
    auto r = std::to_chars(digits, digits + sizeof digits, index);
    std::size_t n = static_cast<std::size_t>(r.ptr - digits);
    std::size_t pad = n < 3 ? 3 - n : 0;
    std::memset(out, ' ', pad);
    std::memcpy(out + pad, digits, n);
    return pad + n;
}

std::size_t FormatReal(char *out, double v) {
    if (std::isnan(v)) {
        // printf gives "nan" or "-nan" by the sign bit.
        const char *t = std::signbit(v) ? "-nan" : "nan";
        std::size_t n = std::strlen(t);
        std::memcpy(out, t, n);
        return n;
    }
    // to_chars in fixed form with precision 6 gives exactly the digits of
    // "%f" (correctly rounded, every integer digit, "inf" for infinities).
    auto r = std::to_chars(out, out + kMaxRealText, v, std::chars_format::fixed, 6);
    return static_cast<std::size_t>(r.ptr - out);
}

bool IsCSpace(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

namespace {

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// Skips white space and one sign; returns the position after them.
const char *SkipSpaceAndSign(const char *p, bool *negative) {
    while (IsCSpace(*p)) ++p;
    *negative = false;
    if (*p == '+' || *p == '-') {
        *negative = (*p == '-');
        ++p;
    }
    return p;
}

bool StartsWithNoCase(const char *p, const char *word) {
    for (; *word; ++p, ++word) {
        char c = *p;
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
        if (c != *word) return false;
    }
    return true;
}

// Length of the decimal-number prefix of p (strtod's grammar without the
// sign and hexadecimal forms), or 0 when p holds none.
std::size_t DecimalLength(const char *p, bool *nonzeroDigit, long long *decimalExponent) {
    const char *q = p;
    bool any = false;
    *nonzeroDigit = false;
    bool seenNonzero = false;
    long long intDigits = 0;
    while (IsDigit(*q)) {
        if (*q != '0' && !seenNonzero) seenNonzero = true;
        if (seenNonzero) ++intDigits;
        ++q;
        any = true;
    }
    long long zerosAfterPoint = 0;
    if (*q == '.') {
        const char *f = q + 1;
        while (IsDigit(*f)) {
            if (!seenNonzero) {
                if (*f == '0')
                    ++zerosAfterPoint;
                else
                    seenNonzero = true;
            }
            ++f;
            any = true;
        }
        if (any) q = f;
    }
    if (!any) return 0;
    *nonzeroDigit = seenNonzero;
    // The position of the first nonzero digit relative to the point.
    long long leading = intDigits > 0 ? intDigits : -zerosAfterPoint;
    long long exponent = 0;
    if (*q == 'e' || *q == 'E') {
        const char *e = q + 1;
        bool negative = false;
        if (*e == '+' || *e == '-') {
            negative = (*e == '-');
            ++e;
        }
        if (IsDigit(*e)) {
            while (IsDigit(*e)) {
                if (exponent < 100000000) exponent = exponent * 10 + (*e - '0');
                ++e;
            }
            if (negative) exponent = -exponent;
            q = e;
        }
    }
    *decimalExponent = leading + exponent;
    return static_cast<std::size_t>(q - p);
}

// The common case of a plain decimal (digits, a point, digits, no
// exponent) with at most 15 significant digits and at most 22 after the
// point, as "%f" writes most values: the digits and the power of ten are
// both exact doubles, so one division gives the correctly rounded result.
// Returns the length taken, or 0 where the general conversion is needed.
std::size_t FastDecimal(const char *p, double *out) {
    static const double kPowers[] = {1e0,  1e1,  1e2,  1e3,  1e4,  1e5,  1e6,  1e7,
                                     1e8,  1e9,  1e10, 1e11, 1e12, 1e13, 1e14, 1e15,
                                     1e16, 1e17, 1e18, 1e19, 1e20, 1e21, 1e22};
    const char *q = p;
    std::uint64_t mantissa = 0;
    int significant = 0;
    int fraction = 0;  // digits after the point
    bool point = false;
    bool any = false;
    for (;; ++q) {
        if (*q == '.' && !point) {
            point = true;
            continue;
        }
        if (!IsDigit(*q)) break;
        any = true;
        if (mantissa != 0 || *q != '0') {
            if (++significant > 15) return 0;
            mantissa = mantissa * 10 + static_cast<std::uint64_t>(*q - '0');
        }
        if (point && ++fraction > 22) return 0;
    }
    if (!any || *q == 'e' || *q == 'E') return 0;
    *out = static_cast<double>(mantissa) / kPowers[fraction];
    return static_cast<std::size_t>(q - p);
}

}  // namespace

std::int32_t ParseInt(const char *text, NumberScan *scan) {
    bool negative = false;
    const char *p = SkipSpaceAndSign(text, &negative);
    const char *digits = p;
    std::uint32_t value = 0;
    while (IsDigit(*p)) value = value * 10u + static_cast<std::uint32_t>(*p++ - '0');
    if (negative) value = 0u - value;
    if (scan) {
        bool any = p != digits;
        // Whether the number lies outside the 32-bit range, by its digits.
        std::uint64_t exact = 0;
        for (const char *d = digits; d < p && exact <= 0xFFFFFFFFull; ++d)
            exact = exact * 10u + static_cast<std::uint64_t>(*d - '0');
        scan->used = any ? static_cast<std::size_t>(p - text) : 0;
        scan->digits = any;
        scan->wrapped = any && (negative ? exact > 0x80000000ull : exact > 0x7FFFFFFFull);
        scan->overflow = false;
    }
    // Two's complement reinterpretation, well defined through memcpy.
    std::int32_t result;
    std::memcpy(&result, &value, sizeof result);
    return result;
}

double ParseReal(const char *text, NumberScan *scan) {
    if (scan) *scan = NumberScan{};
    bool negative = false;
    const char *p = SkipSpaceAndSign(text, &negative);
    double value = 0.0;
    std::size_t length = FastDecimal(p, &value);
    if (length != 0) {
        if (scan) {
            scan->used = static_cast<std::size_t>(p + length - text);
            scan->digits = true;
        }
        return negative ? -value : value;
    }
    bool nonzero = false;
    long long decimalExponent = 0;
    if (StartsWithNoCase(p, "inf")) {
        length = StartsWithNoCase(p, "infinity") ? 8 : 3;
        value = std::numeric_limits<double>::infinity();
    } else if (StartsWithNoCase(p, "nan")) {
        length = 3;
        if (p[3] == '(') {
            const char *q = p + 4;
            while (IsDigit(*q) || (*q >= 'a' && *q <= 'z') || (*q >= 'A' && *q <= 'Z') || *q == '_')
                ++q;
            if (*q == ')') length = static_cast<std::size_t>(q + 1 - p);
        }
        value = std::numeric_limits<double>::quiet_NaN();
    } else {
        length = DecimalLength(p, &nonzero, &decimalExponent);
        if (length == 0) return 0.0;  // nothing convertible
        auto r = std::from_chars(p, p + length, value, std::chars_format::general);
        if (r.ec == std::errc::result_out_of_range) {
            // Beyond the range of a double: an infinity when too large, zero
            // when too small, as strtod gives.
            bool tooLarge = nonzero && decimalExponent > 0;
            value = tooLarge ? std::numeric_limits<double>::infinity() : 0.0;
            if (scan) scan->overflow = tooLarge;
        } else if (r.ec != std::errc() || r.ptr != p + length) {
            return 0.0;  // cannot happen for a prefix DecimalLength accepted
        }
    }
    if (scan) {
        scan->used = static_cast<std::size_t>(p + length - text);
        scan->digits = true;
    }
    return negative ? -value : value;
}

}  // namespace tovra
