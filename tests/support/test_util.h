// Shared helpers of the native tests: a data set with the host's buffer
// sizes, files in a fresh temporary directory, and the library calls.
#ifndef TOVRA_TESTS_TEST_UTIL_H
#define TOVRA_TESTS_TEST_UTIL_H

#include <cstdint>
#include <string>
#include <vector>

#include "datafile/datafile.h"

namespace tovra_test {

using Data = tovra::DataBuffers;

// Every list ended by its marker at slot 0, an empty head text.
Data EmptyData();
// What a read leaves where the file fills nothing (but the head text's blank).
Data ResetData();
void SetText(char *slot, const std::string &text);

// Writes `data` to `path`; the result of WriteD99999Data.
int Write(const std::string &path, const Data &data);
// Reads `path` into `data`; the result of ReadD99999Data.
int Read(const std::string &path, Data &data);

// Bitwise comparison with readable failures (reals compared by their bits,
// so NaN and -0.0 are told apart).
std::string Describe(const Data &data);
bool SameData(const Data &a, const Data &b, std::string *why);

std::string ReadFile(const std::string &path);
void WriteFile(const std::string &path, const std::string &bytes);
bool FileExists(const std::string &path);
std::vector<std::string> ListDirectory(const std::string &dir);

// A new empty directory, removed with its contents by the destructor.
class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir &) = delete;
    TempDir &operator=(const TempDir &) = delete;
    const std::string &path() const { return path_; }
    std::string file(const std::string &name) const { return path_ + "/" + name; }

private:
    std::string path_;
};

// The exact texts of the library's messages.
std::string OpenWriteMessage(const std::string &path);
std::string WriteFailMessage(const std::string &path);
std::string OpenReadMessage(const std::string &path);
std::string LimitMessage(std::int64_t kk, int maxAnz);

// The number the limit message shows for a buffer.
std::int32_t KkOf(const void *buffer);

}  // namespace tovra_test

#endif
