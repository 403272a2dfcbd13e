#include "test_util.h"

#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cinttypes>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>
#include <stdexcept>

#include "tovra.h"

namespace tovra_test {

Data EmptyData() {
    Data d;
    std::memset(&d, 0, sizeof d);
    d.IFELD[0] = -9998;
    d.DFELD[0] = -9998.77;
    SetText(d.CFELD[0], "END_OF_CFELD");
    d.PFELD[0] = -9998.77;
    return d;
}

Data ResetData() {
    Data d;
    std::memset(&d, 0, sizeof d);
    for (auto &slot : d.CFELD) SetText(slot, "END_OF_CFELD");
    return d;
}

void SetText(char *slot, const std::string &text) {
    std::memset(slot, 0, 80);
    std::memcpy(slot, text.data(), text.size() < 80 ? text.size() : 80);
}

int Write(const std::string &path, const Data &d) {
    return WriteD99999Data(path.c_str(), d.KTEIL, d.IFELD, d.DFELD, &d.CFELD[0][0], d.PFELD, 7,
                           8, 9);
}

int Read(const std::string &path, Data &d) {
    return ReadD99999Data(path.c_str(), d.KTEIL, d.IFELD, d.DFELD, &d.CFELD[0][0], d.PFELD);
}

namespace {

std::string Quote(const char *slot) {
    std::string out = "\"";
    for (std::size_t i = 0; i < 80; ++i) {
        unsigned char c = static_cast<unsigned char>(slot[i]);
        if (c == 0) {
            // Show what lies behind the NUL only when it is not padding.
            bool rest = false;
            for (std::size_t j = i; j < 80; ++j) rest |= slot[j] != 0;
            if (!rest) break;
            out += "\\0";
        } else if (c < 0x20 || c >= 0x7f) {
            char hex[8];
            std::snprintf(hex, sizeof hex, "\\x%02x", c);
            out += hex;
        } else {
            out += static_cast<char>(c);
        }
    }
    return out + "\"";
}

std::uint64_t Bits(double v) {
    std::uint64_t b;
    std::memcpy(&b, &v, sizeof b);
    return b;
}

}  // namespace

std::string Describe(const Data &d) {
    std::ostringstream out;
    out << "KTEIL " << Quote(d.KTEIL) << "\n";
    for (int i = 0; i < 5; ++i) out << "IFELD[" << i << "] " << d.IFELD[i] << "\n";
    char num[64];
    for (int i = 0; i < 170; ++i) {
        std::snprintf(num, sizeof num, "%.17g", d.DFELD[i]);
        out << "DFELD[" << i << "] " << num << "\n";
    }
    for (int i = 0; i < 10; ++i) out << "CFELD[" << i << "] " << Quote(d.CFELD[i]) << "\n";
    for (int i = 0; i < 15; ++i) {
        std::snprintf(num, sizeof num, "%.17g", d.PFELD[i]);
        out << "PFELD[" << i << "] " << num << "\n";
    }
    return out.str();
}

bool SameData(const Data &a, const Data &b, std::string *why) {
    std::istringstream sa(Describe(a)), sb(Describe(b));
    std::string la, lb;
    bool same = true;
    std::ostringstream diff;
    while (std::getline(sa, la) && std::getline(sb, lb)) {
        if (la != lb) {
            same = false;
            diff << "  got " << la << "\n  want " << lb << "\n";
        }
    }
    // Bitwise check behind the readable one: %.17g hides nothing but NaN
    // payloads and the sign of a NaN.
    for (int i = 0; i < 170 && same; ++i) same = Bits(a.DFELD[i]) == Bits(b.DFELD[i]);
    for (int i = 0; i < 15 && same; ++i) same = Bits(a.PFELD[i]) == Bits(b.PFELD[i]);
    if (same) same = std::memcmp(a.KTEIL, b.KTEIL, 80) == 0 && std::memcmp(a.CFELD, b.CFELD, 800) == 0;
    if (why) *why = diff.str();
    return same;
}

std::string ReadFile(const std::string &path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) throw std::runtime_error("cannot read " + path);
    std::ostringstream out;
    out << in.rdbuf();
    return out.str();
}

void WriteFile(const std::string &path, const std::string &bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    if (!out) throw std::runtime_error("cannot write " + path);
}

bool FileExists(const std::string &path) {
    struct stat st;
    return ::lstat(path.c_str(), &st) == 0;
}

std::vector<std::string> ListDirectory(const std::string &dir) {
    std::vector<std::string> names;
    if (DIR *d = ::opendir(dir.c_str())) {
        while (dirent *e = ::readdir(d)) {
            std::string n = e->d_name;
            if (n != "." && n != "..") names.push_back(n);
        }
        ::closedir(d);
    }
    return names;
}

TempDir::TempDir() {
    const char *base = std::getenv("TMPDIR");
    std::string templ = std::string(base && *base ? base : "/tmp") + "/tovra-test-XXXXXX";
    std::vector<char> buf(templ.begin(), templ.end());
    buf.push_back('\0');
    if (::mkdtemp(buf.data()) == nullptr) throw std::runtime_error("mkdtemp failed");
    path_ = buf.data();
}

TempDir::~TempDir() {
    std::string cmd = "chmod -R u+rwx '" + path_ + "' 2>/dev/null; rm -rf '" + path_ + "'";
    if (std::system(cmd.c_str()) != 0) std::fprintf(stderr, "could not remove %s\n", path_.c_str());
}

std::string OpenWriteMessage(const std::string &path) {
    return "\n kann File \"" + path + "\" nicht oeffnen";
}

std::string WriteFailMessage(const std::string &path) {
    return "\n kann File \"" + path + "\" nicht schreiben";
}

std::string OpenReadMessage(const std::string &path) {
    return "\nKann File \"" + path + "\" nicht oeffnen";
}

std::string LimitMessage(std::int64_t kk, int maxAnz) {
    return "\nAbbruch in KK=" + std::to_string(kk) + " wurde MaxAnz=" + std::to_string(maxAnz) +
           " \x81" "berschritten";
}

std::int32_t KkOf(const void *buffer) {
    return static_cast<std::int32_t>(static_cast<std::uint32_t>(reinterpret_cast<std::uintptr_t>(buffer)));
}

}  // namespace tovra_test
