// The texts the library shows to the user. Each begins with a line feed.
#ifndef TOVRA_DATAFILE_MESSAGES_H
#define TOVRA_DATAFILE_MESSAGES_H

#include <cstdint>

namespace tovra {

// "\n kann File \"<path>\" nicht oeffnen" (writer)
void ShowCannotOpenForWriting(const char *path);
// "\n kann File \"<path>\" nicht schreiben" (writer: an error after the open)
void ShowCannotWrite(const char *path);
// "\nKann File \"<path>\" nicht oeffnen" (reader)
void ShowCannotOpenForReading(const char *path);
// "\nAbbruch in KK=<kk> wurde MaxAnz=<maxAnz> \x81berschritten"
void ShowLimitExceeded(std::int32_t kk, std::int32_t maxAnz);

}  // namespace tovra

#endif
