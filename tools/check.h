// `tovra check`: every place where a data file does not say what a reader
// might think it says, found by walking the library's own reader.
#ifndef TOVRA_TOOLS_CHECK_H
#define TOVRA_TOOLS_CHECK_H

#include <string>
#include <vector>

namespace tovra_tool {

struct Finding {
    long line;
    bool error;  // data lost or misplaced; else a warning
    std::string message;
};

// False when the file cannot be opened or read (`why` says so). The
// findings come sorted by line.
bool CheckDataFile(const char *path, std::vector<Finding> &findings, std::string *why);

// 0 clean, 1 warnings only, 2 errors.
int CheckStatus(const std::vector<Finding> &findings);

}  // namespace tovra_tool

#endif
