// Shared parts of the fuzz targets: the recording message, a private
// scratch directory, and the data set placed between guard bytes.
#ifndef TOVRA_FUZZ_SUPPORT_H
#define TOVRA_FUZZ_SUPPORT_H

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace tovra_fuzz {

// The texts shown since the last ClearMessages().
std::vector<std::string> &Messages();
void ClearMessages();

// A directory of this process (in /dev/shm where there is one), removed
// with its files at exit.
const std::string &ScratchDir();
// Replaces the file at `path` by `size` bytes; aborts on failure.
void PutFile(const std::string &path, const std::uint8_t *data, std::size_t size);

// Aborts with `what` when `ok` is false (a fuzz finding).
void Check(bool ok, const char *what);
void Check(bool ok, const std::string &what);

// The five buffers of a data set in one arena, each between guard bytes.
class GuardedData {
public:
    GuardedData();
    // Fills the buffers with `fill` and the guards with their pattern.
    void Prepare(unsigned char fill);
    // Aborts when a guard byte was changed.
    void CheckGuards() const;
    char *KTEIL() { return reinterpret_cast<char *>(arena_.data() + offset_[0]); }
    std::int32_t *IFELD() { return reinterpret_cast<std::int32_t *>(arena_.data() + offset_[1]); }
    double *DFELD() { return reinterpret_cast<double *>(arena_.data() + offset_[2]); }
    char *CFELD() { return reinterpret_cast<char *>(arena_.data() + offset_[3]); }
    double *PFELD() { return reinterpret_cast<double *>(arena_.data() + offset_[4]); }

private:
    static constexpr std::size_t kGuard = 64;
    std::vector<unsigned char> arena_;
    std::size_t offset_[5];
    std::size_t size_[5];
};

}  // namespace tovra_fuzz

#endif
