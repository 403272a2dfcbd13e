#include "line_reader.h"

#include <cstring>

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
        std::size_t k = 0;
        while (k < take) {
            unsigned char c = start[k];
            if (c == '\n' || c == '\r' || c == 0x1a || c == 0) break;
            ++k;
        }
        std::memcpy(piece.text + n, start, k);
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
