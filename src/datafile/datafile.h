// The data file writer and reader of the portable core.
#ifndef TOVRA_DATAFILE_DATAFILE_H
#define TOVRA_DATAFILE_DATAFILE_H

#include <cstdint>

namespace tovra {

// Writes the data set into the data file at `path`, replacing it safely.
// 0: written completely; 1: the file could not be opened or not be written
// (a message has been shown). Reads at most 80 bytes of KTEIL and of each
// CFELD slot, and no slot beyond a list's count.
int WriteD99999File(const char *path, const char *KTEIL, const std::int32_t *IFELD,
                    const double *DFELD, const char *CFELD, const double *PFELD);

// Resets the buffers (empty head text, 0 in every numeric slot,
// "END_OF_CFELD" in every text slot), reads the file and appends one blank
// to the head text. 1 when the file could not be opened, else 0.
int ReadD99999Data(const char *path, char *KTEIL, std::int32_t *IFELD, double *DFELD,
                   char *CFELD, double *PFELD);

// Reads the file into the buffers. 1 when it could not be opened, else 0.
int ParseD99999File(const char *path, char *KTEIL, std::int32_t *IFELD, double *DFELD,
                    char *CFELD, double *PFELD);

// Removes trailing blanks (not tabs) in place, but never the first character.
void TrimTrailingBlanks(char *text);

// The reader's limit of the current section. It outlives a call: the limit
// message of a value line before any header shows what the last call left.
extern std::int32_t MaxAnz;

}  // namespace tovra

#endif
