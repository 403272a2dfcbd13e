// The data set as the tool sees it: read through the library's reader,
// shown as a table or JSON, and written through the library's writer.
#ifndef TOVRA_TOOLS_DATA_IO_H
#define TOVRA_TOOLS_DATA_IO_H

#include <cstdint>
#include <string>
#include <vector>

#include "codepage.h"
#include "datafile/datafile.h"
#include "datafile/format.h"

namespace tovra_tool {

// A data file read as a host reads it (the five buffers exactly as
// ReadD99999Data leaves them), and what the file filled.
struct Loaded : tovra::DataBuffers {
    // The head text as the reader took it from the file, before
    // ReadD99999Data appends its blank ("" when no head-text line).
    std::string headText;
    // Entries each list got from the file: the highest slot filled plus
    // one (a repeated section overwrites from slot 0). KTEIL: 0 or 1.
    int filled[tovra::kSectionCount];
    // The line that last filled each slot (0: none).
    long line[tovra::kSectionCount][170];
};

// Reads `path` with ReadD99999Data (its messages are shown), with an
// observer that learns which slots the file filled. False when the file
// could not be opened.
bool LoadDataFile(const char *path, Loaded &out);

// A data set to be written: each list exactly as long as it is.
struct WriteData {
    std::string head;
    std::vector<std::int32_t> ifeld;
    std::vector<double> dfeld;
    std::vector<std::string> cfeld;
    std::vector<double> pfeld;
};

// The entries the file filled, the head text as the file has it.
WriteData FromLoaded(const Loaded &data);

struct Problem {
    bool error;
    int section;  // tovra::Section
    int index;    // -1: the section as a whole
    std::string message;
};

// What keeps the writer from writing `data` as it stands: a list longer
// than its slots, a value the writer takes as the end of its list, a text
// longer than 79 characters or holding a line feed, 0x1A or NUL, a real
// whose line a reader would split. Warnings for texts that lose trailing
// blanks when read.
std::vector<Problem> Validate(const WriteData &data);

// Writes through WriteD99999File; its message is shown on failure.
bool SaveDataFile(const char *path, const WriteData &data);

// The data set as a table, texts decoded with `cp` (bytes without a
// character and control characters as \xNN).
std::string ShowText(const Loaded &data, const CodePage &cp);

// The data set as JSON (UTF-8). False when a text holds a byte that has no
// character in `cp`; `where` then names the line and `why` the byte.
bool ToJson(const Loaded &data, const CodePage &cp, std::string &json, long *badLine,
            std::string *why);

// JSON -> data set. False with a message naming the place when the JSON
// is malformed, has the wrong shape or a text has a character `cp` lacks.
bool FromJson(const std::string &json, const CodePage &cp, WriteData &data, std::string *why);

// "IFELD[3]" for a place in the JSON; "IFELD" for index -1.
std::string JsonPlace(int section, int index);

// A real as JSON has it: the shortest text that reads back to the same
// double ("1.5", "1e+20"); "inf", "-inf", "nan" for the special values.
std::string RealText(double v);

}  // namespace tovra_tool

#endif
