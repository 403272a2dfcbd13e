#include "support.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "interface/platform.h"

namespace tovra_fuzz {

std::vector<std::string> &Messages() {
    static std::vector<std::string> messages;
    return messages;
}

void ClearMessages() { Messages().clear(); }

namespace {

std::string gScratch;

void RemoveScratch() {
    if (gScratch.empty()) return;
    std::string cmd = "rm -rf '" + gScratch + "'";
    if (std::system(cmd.c_str()) != 0) std::fprintf(stderr, "could not remove %s\n", gScratch.c_str());
}

}  // namespace

const std::string &ScratchDir() {
    if (gScratch.empty()) {
        struct stat st;
        const char *base = ::stat("/dev/shm", &st) == 0 && S_ISDIR(st.st_mode) ? "/dev/shm" : nullptr;
        if (base == nullptr) base = std::getenv("TMPDIR");
        if (base == nullptr || *base == '\0') base = "/tmp";
        std::string templ = std::string(base) + "/tovra-fuzz-XXXXXX";
        std::vector<char> buf(templ.begin(), templ.end());
        buf.push_back('\0');
        Check(::mkdtemp(buf.data()) != nullptr, "mkdtemp failed");
        gScratch = buf.data();
        std::atexit(RemoveScratch);
    }
    return gScratch;
}

void PutFile(const std::string &path, const std::uint8_t *data, std::size_t size) {
    int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
    Check(fd >= 0, "cannot create " + path);
    while (size > 0) {
        ssize_t n = ::write(fd, data, size);
        Check(n > 0, "cannot write " + path);
        data += n;
        size -= static_cast<std::size_t>(n);
    }
    Check(::close(fd) == 0, "cannot close " + path);
}

void Check(bool ok, const char *what) {
    if (ok) return;
    std::fprintf(stderr, "FINDING: %s\n", what);
    for (const auto &m : Messages()) std::fprintf(stderr, "  message: %s\n", m.c_str());
    std::abort();
}

void Check(bool ok, const std::string &what) { Check(ok, what.c_str()); }

GuardedData::GuardedData() {
    const std::size_t sizes[5] = {80, 5 * sizeof(std::int32_t), 170 * sizeof(double), 800,
                                  15 * sizeof(double)};
    std::size_t at = kGuard;
    for (int i = 0; i < 5; ++i) {
        offset_[i] = at;
        size_[i] = sizes[i];
        at += (sizes[i] + 7) / 8 * 8 + kGuard;  // every buffer 8-byte aligned
    }
    arena_.resize(at);
    Prepare(0);
}

namespace {
unsigned char GuardByte(std::size_t i) { return static_cast<unsigned char>(0xA5 ^ (i * 37)); }
}  // namespace

void GuardedData::Prepare(unsigned char fill) {
    for (std::size_t i = 0; i < arena_.size(); ++i) arena_[i] = GuardByte(i);
    for (int i = 0; i < 5; ++i) std::memset(arena_.data() + offset_[i], fill, size_[i]);
}

void GuardedData::CheckGuards() const {
    std::size_t next = 0;
    for (int b = 0; b <= 5; ++b) {
        std::size_t end = b < 5 ? offset_[b] : arena_.size();
        for (std::size_t i = next; i < end; ++i) {
            if (arena_[i] != GuardByte(i)) {
                char what[96];
                std::snprintf(what, sizeof what, "guard byte %zu (before buffer %d) was changed", i, b);
                Check(false, what);
            }
        }
        if (b < 5) next = offset_[b] + size_[b];
    }
}

}  // namespace tovra_fuzz

namespace tovra {

void ShowMessage(const char *text) { tovra_fuzz::Messages().push_back(text); }

}  // namespace tovra
