// Cuts a data file into the pieces a reader sees, identically on every
// platform.
//
// The file is read in binary and the rules of a text-mode stream are applied
// here: CR LF and a lone LF end a line and are removed, a CR not followed by
// LF stays in the line, and a byte 0x1A ends the file. A line is then taken
// in pieces of at most 253 characters: a longer line becomes several pieces,
// and a line of exactly 253 (or a multiple) characters gets an empty last
// piece only where a line end follows it. Memory stays constant: one block
// buffer and one piece buffer.
#ifndef TOVRA_DATAFILE_LINE_READER_H
#define TOVRA_DATAFILE_LINE_READER_H

#include <cstddef>
#include <cstdio>

#include "format.h"

namespace tovra {

struct Piece {
    // The piece's characters with the line end removed, NUL-terminated.
    // A NUL byte in the file ends the text early, as in a C string.
    char text[kPieceLength + 1];
    std::size_t length;  // characters taken from the file, line end excluded
    long line;           // 1-based number of the line in the file
    bool first;          // the first piece of its line
    bool ended;          // the line ended with this piece (CR LF or LF followed)
    bool crlf;           // it ended with CR LF (false: LF alone, or not ended)
    bool hasNul;         // a NUL byte stands among its characters
};

struct LineReader {
    std::FILE *file;
    bool eof;         // the file, or its 0x1A, has been reached
    bool sawEofByte;  // reading stopped at a 0x1A byte
    bool readError;
    bool lineOpen;    // the current line has given a piece and not ended yet
    long line;
    std::size_t pos;
    std::size_t size;
    unsigned char block[32768];
};

void LineReaderInit(LineReader &reader, std::FILE *file);
// Takes the next piece; false at the end of the file.
bool NextPiece(LineReader &reader, Piece &piece);

}  // namespace tovra

#endif
