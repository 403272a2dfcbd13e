// Whole-file properties: the reader never writes outside the five buffers,
// whatever a file holds, and data sets written by the writer read back
// equal but for the documented differences.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>
#include <random>
#include <string>
#include <vector>

#include "datafile/datafile.h"
#include "datafile/format.h"
#include "support/fake_message.h"
#include "support/test_util.h"
#include "tovra.h"

using namespace tovra_test;

namespace {

// The five buffers in one arena, each between guard bytes.
class GuardedBuffers {
public:
    static constexpr std::size_t kGuard = 64;
    static constexpr unsigned char kPattern = 0xA5;
    GuardedBuffers() : storage_(Size() / 8 + 1) {
        arena_ = reinterpret_cast<unsigned char *>(storage_.data());
        std::memset(arena_, kPattern, Size());
        std::size_t at = kGuard;
        for (std::size_t i = 0; i < 5; ++i) {
            offset_[i] = at;
            at += (kSizes[i] + 7) / 8 * 8 + kGuard;  // keeps every buffer 8-aligned
        }
    }
    int Read(const std::string &path) {
        return ReadD99999Data(path.c_str(), Ptr<char>(0), Ptr<int>(1), Ptr<double>(2), Ptr<char>(3),
                              Ptr<double>(4));
    }
    // Guard bytes changed, and whether every text is terminated in its slot.
    std::string Damage() const {
        std::string damage;
        std::size_t begin = 0;
        for (std::size_t i = 0; i <= 5; ++i) {
            std::size_t end = i < 5 ? offset_[i] : Size();
            for (std::size_t b = begin; b < end; ++b)
                if (arena_[b] != kPattern) damage += "guard byte " + std::to_string(b) + " changed\n";
            if (i < 5) begin = offset_[i] + kSizes[i];
        }
        const unsigned char *k = arena_ + offset_[0];
        if (std::memchr(k, 0, 80) == nullptr) damage += "KTEIL not terminated\n";
        for (std::size_t s = 0; s < 10; ++s)
            if (std::memchr(arena_ + offset_[3] + 80 * s, 0, 80) == nullptr)
                damage += "CFELD slot " + std::to_string(s) + " not terminated\n";
        return damage;
    }

private:
    static constexpr std::size_t kSizes[5] = {80, 5 * 4, 170 * 8, 800, 15 * 8};
    static std::size_t Size() {
        std::size_t n = kGuard;
        for (std::size_t s : kSizes) n += (s + 7) / 8 * 8 + kGuard;
        return n;
    }
    template <class T>
    T *Ptr(int i) {
        return reinterpret_cast<T *>(arena_ + offset_[i]);
    }
    std::vector<double> storage_;  // 8-aligned bytes
    unsigned char *arena_;
    std::size_t offset_[5];
};

constexpr std::size_t GuardedBuffers::kSizes[5];

// Random files made of the pieces that matter: every header form, value
// lines of every length, CR, LF, 0x1A and NUL bytes.
std::string RandomFile(std::mt19937 &rng) {
    static const std::string pieces[] = {
        "# KTEIL", "# IFELD", "# DFELD", "# CFELD", "# PFELD", "# END", "# ifeld", "#IFELD", "# IFELD x",
        "#", "IFELD(  0) 12", "DFELD(  0) -1.5e3", "CFELD(  0) text   ", "           ", "x", "",
        "\r", "\n", "\r\n", "\x1a", std::string("\0", 1), "1e999", "nan", "-2147483649"};
    std::string file;
    int n = static_cast<int>(rng() % 300);
    for (int i = 0; i < n; ++i) {
        switch (rng() % 6) {
            case 0: file += std::string(rng() % 600, static_cast<char>('a' + rng() % 26)); break;
            case 1: file += static_cast<char>(rng() % 256); break;
            case 2: file += '\0'; break;
            default: file += pieces[rng() % (sizeof pieces / sizeof pieces[0])]; file += "\r\n"; break;
        }
    }
    return file;
}

TEST(ReaderGuards, NothingOutsideTheBuffersChanges) {
    TempDir dir;
    std::string path = dir.file("in.dat");
    std::mt19937 rng(99);
    std::vector<std::string> files = {
        "", "# KTEIL\r\n" + std::string(11, ' ') + std::string(300, 'k'),
        "# CFELD\r\n" + [] {
            std::string s;
            for (int i = 0; i < 12; ++i) s += "CFELD(  0) " + std::string(260, 'c') + "\r\n";
            return s;
        }(),
        "# IFELD\r\n1\r\n2\r\n3\r\n4\r\n5\r\n6\r\n7", "x\r\n# PFELD"};
    for (int i = 0; i < 2000; ++i) files.push_back(RandomFile(rng));
    for (std::size_t i = 0; i < files.size(); ++i) {
        WriteFile(path, files[i]);
        ClearMessages();
        GuardedBuffers buffers;
        ASSERT_EQ(buffers.Read(path), 0);
        std::string damage = buffers.Damage();
        ASSERT_EQ(damage, "") << "file " << i;
        ASSERT_LE(Messages().size(), 1u) << "file " << i;
    }
}

// What the reader gives back for a text the writer wrote.
std::string TextRead(const char *slot, bool head) {
    std::string t(slot, strnlen(slot, 79));
    for (char &c : t)
        if (c == '\n' || c == '\x1a') c = ' ';
    while (t.size() > 1 && t.back() == ' ') t.pop_back();
    if (head) t = t.substr(0, 78) + " ";
    return t;
}

double RealRead(double v) {
    char text[tovra::kMaxRealText + 1];
    text[tovra::FormatReal(text, v)] = '\0';
    return tovra::ParseReal(text);
}

TEST(RoundTrip, RandomDataSetsReadBackWithTheDocumentedDifferences) {
    TempDir dir;
    std::string path = dir.file("rt.dat");
    std::mt19937_64 rng(2024);
    auto randomReal = [&rng]() {
        switch (rng() % 8) {
            case 0: return std::numeric_limits<double>::infinity();
            case 1: return std::ldexp(static_cast<double>(rng() % 1000000), static_cast<int>(rng() % 700) - 350);
            case 2: return -static_cast<double>(rng() % 9997);
            case 3: return static_cast<double>(rng() % 100) / 8;
            default: {
                double v = static_cast<double>(static_cast<std::int64_t>(rng() % 2000000001) - 9997) / 1000.0;
                return v * std::pow(10.0, static_cast<double>(rng() % 15));
            }
        }
    };
    for (int round = 0; round < 1000; ++round) {
        Data w;
        std::memset(&w, 0, sizeof w);
        for (char *slot : {w.KTEIL}) {
            for (std::size_t i = 0; i < 80; ++i) slot[i] = static_cast<char>(rng() % 4 ? 32 + rng() % 224 : rng() % 256);
            slot[rng() % 81 == 80 ? 79 : rng() % 80] = '\0';
        }
        for (auto &slot : w.CFELD) {
            for (std::size_t i = 0; i < 80; ++i) slot[i] = static_cast<char>(rng() % 3 ? ' ' + rng() % 95 : rng() % 256);
            slot[rng() % 80] = '\0';
            if (rng() % 4 == 0) std::memset(slot + rng() % 40, ' ', 5);
        }
        int ends[4] = {static_cast<int>(rng() % 7), static_cast<int>(rng() % 172), static_cast<int>(rng() % 12),
                       static_cast<int>(rng() % 17)};
        for (int i = 0; i < 5; ++i) w.IFELD[i] = static_cast<std::int32_t>(rng() % 4294967296ull - 2147483648ll);
        for (int i = 0; i < 5; ++i)
            if (w.IFELD[i] < -9997) w.IFELD[i] = -9997;
        for (double &v : w.DFELD) v = randomReal();
        for (double &v : w.PFELD) v = randomReal();
        if (ends[0] < 5) w.IFELD[ends[0]] = -9998 - static_cast<std::int32_t>(rng() % 1000);
        if (ends[1] < 170) w.DFELD[ends[1]] = rng() % 2 ? std::nan("") : -9997.78;
        if (ends[2] < 10) SetText(w.CFELD[ends[2]], "END_OF_CFELD");
        if (ends[3] < 15) w.PFELD[ends[3]] = -std::numeric_limits<double>::infinity();

        ClearMessages();
        ASSERT_EQ(Write(path, w), 0);
        Data r;
        ASSERT_EQ(Read(path, r), 0);
        ASSERT_TRUE(Messages().empty());

        Data want = ResetData();
        SetText(want.KTEIL, TextRead(w.KTEIL, true));
        for (int i = 0; i < 5 && i < ends[0]; ++i) want.IFELD[i] = w.IFELD[i];
        for (int i = 0; i < 170 && i < ends[1]; ++i) want.DFELD[i] = RealRead(w.DFELD[i]);
        for (int i = 0; i < 10 && i < ends[2]; ++i) SetText(want.CFELD[i], TextRead(w.CFELD[i], false));
        for (int i = 0; i < 15 && i < ends[3]; ++i) want.PFELD[i] = RealRead(w.PFELD[i]);
        std::string why;
        ASSERT_TRUE(SameData(r, want, &why)) << "round " << round << "\n" << why;
    }
}

// The one value that does not survive: a real whose line reaches 253
// characters is cut into pieces, and its digits spill into the next slot.
TEST(RoundTrip, RealLineOf253CharactersIsCut) {
    TempDir dir;
    std::string path = dir.file("big.dat");
    Data w = EmptyData();
    w.DFELD[0] = 1e240;  // 241 integer digits: an 11 + 248 = 259-character line
    w.DFELD[1] = 2;
    w.DFELD[2] = -9998.77;
    ASSERT_EQ(Write(path, w), 0);
    Data r;
    ClearMessages();
    ASSERT_EQ(Read(path, r), 0);
    char text[tovra::kMaxRealText + 1];
    text[tovra::FormatReal(text, 1e240)] = '\0';
    EXPECT_EQ(r.DFELD[0], tovra::ParseReal(std::string(text, 242).c_str()));
    EXPECT_EQ(r.DFELD[1], 0.0) << "the rest of the line is a piece of its own, shorter than a label";
    EXPECT_EQ(r.DFELD[2], 2.0);
}

}  // namespace
