// The reader's state machine, open to observers: tools that explain what a
// reader makes of a file walk the very same code as the library.
#ifndef TOVRA_DATAFILE_READER_H
#define TOVRA_DATAFILE_READER_H

#include <cstdint>
#include <cstdio>

#include "line_reader.h"

namespace tovra {

// The section a header line opened: a Section, or one of these.
constexpr int kUnrecognised = -1;
constexpr int kEndOfData = -2;  // "# END"

struct ReadObserver {
    virtual ~ReadObserver() = default;
    // Every piece, before it is handled.
    virtual void OnPiece(const Piece &) {}
    virtual void OnHeader(const Piece &, int /*section*/) {}
    // A value line stored into `slot` of `section` (`valueText` as taken
    // from column 11), or skipped in an unrecognised section (section
    // kUnrecognised, slot -1).
    virtual void OnValue(const Piece &, int /*section*/, int /*slot*/, const char * /*valueText*/) {}
    // The limit message was shown for this piece; reading ends.
    virtual void OnLimit(const Piece &, std::int32_t /*kk*/, std::int32_t /*maxAnz*/) {}
};

// Buffers of one data set, as the host passes them.
struct DataSet {
    char *KTEIL;
    std::int32_t *IFELD;
    double *DFELD;
    char *CFELD;
    double *PFELD;
};

// How the reading ended.
enum ReadEnd { kReadEndOfFile, kReadEndLine, kReadLimit };

// Reads the data file open in `file` (binary) into `data`, as
// ParseD99999File does after opening it. `reader` is the caller's, so that
// the caller can look at what follows an end line.
ReadEnd ParseStream(LineReader &reader, std::FILE *file, const DataSet &data,
                    ReadObserver *observer);

// The number the limit message shows for a section's buffer: its address,
// or on wider addresses its low 32 bits, as a signed 32-bit number.
std::int32_t KkNumber(const void *buffer);

}  // namespace tovra

#endif
