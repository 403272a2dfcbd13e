// The data file writer and reader of the portable core.
#ifndef TOVRA_DATAFILE_DATAFILE_H
#define TOVRA_DATAFILE_DATAFILE_H

#include <cstdint>

#include "tovra.h"

namespace tovra {

struct ReadObserver;

// The five buffers of one data set in one record, laid out as a host holds
// them, for the programs of this project that keep a data set of their own
// (the tool, the tests, the benchmarks). The library itself only ever sees
// the five pointers.
struct DataBuffers {
    char KTEIL[TOVRA_SLOT_SIZE];
    std::int32_t IFELD[TOVRA_IFELD_COUNT];
    double DFELD[TOVRA_DFELD_COUNT];
    char CFELD[TOVRA_CFELD_COUNT][TOVRA_SLOT_SIZE];
    double PFELD[TOVRA_PFELD_COUNT];
};

// Writes the data set into the data file at `path`, replacing it safely.
// 0: written completely; 1: the file could not be opened or not be written
// (a message has been shown). Reads at most 80 bytes of KTEIL and of each
// CFELD slot, and no slot beyond a list's count.
int WriteD99999File(const char *path, const char *KTEIL, const std::int32_t *IFELD,
                    const double *DFELD, const char *CFELD, const double *PFELD);

// Resets the buffers (empty head text, 0 in every numeric slot,
// "END_OF_CFELD" in every text slot), reads the file and appends one blank
// to the head text. 1 when the file could not be opened, else 0. An
// observer (see reader.h) follows the reading; the exports pass none.
int ReadD99999Data(const char *path, char *KTEIL, std::int32_t *IFELD, double *DFELD,
                   char *CFELD, double *PFELD, ReadObserver *observer = nullptr);

// Reads the file into the buffers. 1 when it could not be opened, else 0.
int ParseD99999File(const char *path, char *KTEIL, std::int32_t *IFELD, double *DFELD,
                    char *CFELD, double *PFELD, ReadObserver *observer = nullptr);

// Removes trailing blanks (not tabs) in place, but never the first character.
void TrimTrailingBlanks(char *text);

// The reader's limit of the current section. It outlives a call: the limit
// message of a value line before any header shows what the last call left.
extern std::int32_t MaxAnz;

}  // namespace tovra

#endif
