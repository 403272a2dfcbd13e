#include "line_reader.h"

#include <cstdint>
#include <cstring>

#if defined(__SSE2__) && defined(__GNUC__)
#include <emmintrin.h>
#endif

namespace tovra {

namespace {

bool Refill(LineReader &r) {
    if (r.eof) return false;
    r.pos = 0;
    r.size = std::fread(r.block, 1, sizeof r.block, r.file);
    if (r.size == 0) {
        if (std::ferror(r.file)) r.readError = true;
        r.eof = true;
        return false;
    }
    return true;
}

// The next raw byte without taking it, or -1 at the end of the file.
int Peek(LineReader &r) {
    if (r.pos == r.size && !Refill(r)) return -1;
    return r.block[r.pos];
}

bool IsSpecial(unsigned char c) { return c == '\n' || c == '\r' || c == 0x1a || c == 0; }

// Copies the run of ordinary bytes (all but LF, CR, 0x1A and NUL) at the
// start of p[0, n) to dst and returns its length. Blocks of 16 bytes (SSE2)
// or words of 8 are copied whole and passed over while none of their bytes
// is below 0x20; only the bytes below 0x20, and the last few of the range,
// are looked at one by one. dst[0, n) may be written beyond the run.
std::size_t CopyOrdinaryRun(const unsigned char *p, std::size_t n, char *dst) {
    std::size_t k = 0;
#if defined(__SSE2__) && defined(__GNUC__)
    const __m128i space = _mm_set1_epi8(0x20);
    for (; n - k >= 16; k += 16) {
        __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i *>(p + k));
        _mm_storeu_si128(reinterpret_cast<__m128i *>(dst + k), v);
        // One bit for each byte below 0x20.
        unsigned controls =
            ~static_cast<unsigned>(_mm_movemask_epi8(_mm_cmpeq_epi8(_mm_max_epu8(v, space), v))) & 0xFFFFu;
        for (; controls != 0; controls &= controls - 1) {
            std::size_t at = k + static_cast<std::size_t>(__builtin_ctz(controls));
            if (IsSpecial(p[at])) return at;
        }
    }
#else
    constexpr std::uint64_t kOnes = 0x0101010101010101ull;
    constexpr std::uint64_t kHigh = 0x8080808080808080ull;
    while (n - k >= 8) {
        std::uint64_t w;
        std::memcpy(&w, p + k, sizeof w);
        std::memcpy(dst + k, &w, sizeof w);
        if (((w - 0x20 * kOnes) & ~w & kHigh) == 0) {  // no byte below 0x20
            k += 8;
            continue;
        }
        for (std::size_t stop = k + 8; k < stop; ++k) {
            if (IsSpecial(p[k])) return k;
        }
    }
#endif
    for (; k < n; ++k) {
        if (IsSpecial(p[k])) return k;
        dst[k] = static_cast<char>(p[k]);
    }
    return n;
}

}  // namespace

void LineReaderInit(LineReader &reader, std::FILE *file) {
    reader.file = file;
    reader.eof = false;
    reader.sawEofByte = false;
    reader.readError = false;
    reader.lineOpen = false;
    reader.line = 1;
    reader.pos = 0;
    reader.size = 0;
}

bool NextPiece(LineReader &r, Piece &piece) {
    std::size_t n = 0;
    piece.first = !r.lineOpen;
    piece.line = r.line;
    piece.ended = false;
    piece.crlf = false;
    piece.hasNul = false;
    bool end = false;  // end of the file reached
    while (n < kPieceLength) {
        if (r.pos == r.size && !Refill(r)) {
            end = true;
            break;
        }
        // Copy the run of ordinary bytes in one go.
        const unsigned char *start = r.block + r.pos;
        std::size_t avail = r.size - r.pos;
        std::size_t room = kPieceLength - n;
        std::size_t take = avail < room ? avail : room;
        std::size_t k = CopyOrdinaryRun(start, take, piece.text + n);
        n += k;
        r.pos += k;
        if (k == take) continue;

        unsigned char c = start[k];
        if (c == 0) {
            piece.hasNul = true;
            piece.text[n++] = '\0';
            ++r.pos;
        } else if (c == 0x1a) {
            // Ctrl-Z ends the file for a text-mode stream.
            r.sawEofByte = true;
            r.eof = true;
            r.pos = r.size;
            end = true;
            break;
        } else if (c == '\n') {
            ++r.pos;
            piece.ended = true;
            break;
        } else {  // CR: ends the line only together with a following LF
            ++r.pos;
            if (Peek(r) == '\n') {
                ++r.pos;
                piece.ended = true;
                piece.crlf = true;
                break;
            }
            piece.text[n++] = '\r';
        }
    }
    if (end && n == 0 && !piece.ended) return false;
    piece.text[n] = '\0';
    piece.length = n;
    if (piece.ended) {
        r.lineOpen = false;
        ++r.line;
    } else {
        r.lineOpen = true;
    }
    return true;
}

}  // namespace tovra
