// The writer: the exact bytes of a data file, the end markers, the number
// forms, texts, and the results and messages when a save cannot be made.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <clocale>
#include <cmath>
#include <cstring>
#include <limits>
#include <string>

#include "support/fake_message.h"
#include "support/test_util.h"
#include "tovra.h"

using namespace tovra_test;

namespace {

// Joins lines with CR LF; the file ends without a line end.
std::string Lines(std::initializer_list<std::string> lines) {
    std::string out;
    for (const auto &l : lines) {
        if (!out.empty()) out += "\r\n";
        out += l;
    }
    return out;
}

class WriterTest : public ::testing::Test {
protected:
    void SetUp() override { ClearMessages(); }
    std::string WriteAndRead(const Data &d) {
        std::string path = dir.file("out.dat");
        EXPECT_EQ(Write(path, d), 0);
        EXPECT_TRUE(Messages().empty());
        return ReadFile(path);
    }
    TempDir dir;
};

Data ExampleData() {
    Data d = EmptyData();
    SetText(d.KTEIL, "Test");
    d.IFELD[0] = 7;
    d.IFELD[1] = -12;
    d.IFELD[2] = -9998;
    d.DFELD[0] = 1.5;
    d.DFELD[1] = -9998.77;
    SetText(d.CFELD[0], "abc");
    SetText(d.CFELD[1], "END_OF_CFELD");
    d.PFELD[0] = 0.25;
    d.PFELD[1] = -9998.77;
    return d;
}

TEST_F(WriterTest, ExampleFileByteForByte) {
    EXPECT_EQ(WriteAndRead(ExampleData()),
              Lines({"# KTEIL", "           Test", "# IFELD", "IFELD(  0) 7", "IFELD(  1) -12",
                     "# DFELD", "DFELD(  0) 1.500000", "# CFELD", "CFELD(  0) abc", "# PFELD",
                     "DFELD(  0) 0.250000", "# END "}));
}

TEST_F(WriterTest, EmptyListsGiveSevenLines) {
    EXPECT_EQ(WriteAndRead(EmptyData()),
              Lines({"# KTEIL", "           ", "# IFELD", "# DFELD", "# CFELD", "# PFELD",
                     "# END "}));
}

TEST_F(WriterTest, ReplacesAnExistingFile) {
    std::string path = dir.file("out.dat");
    WriteFile(path, std::string(20000, 'x'));
    ASSERT_EQ(Write(path, EmptyData()), 0);
    EXPECT_EQ(ReadFile(path).substr(0, 7), "# KTEIL");
    EXPECT_EQ(ReadFile(path).size(), 64u);
    EXPECT_EQ(ListDirectory(dir.path()).size(), 1u) << "no temporary file is left";
}

TEST_F(WriterTest, EndMarkersAtTheirEdges) {
    Data d = EmptyData();
    d.IFELD[0] = -9997;  // written
    d.IFELD[1] = 3;
    d.IFELD[2] = -9998;  // ends the list
    d.IFELD[3] = 5;      // never looked at
    d.DFELD[0] = -9997.77;
    d.DFELD[1] = -9997.78;
    d.DFELD[2] = 1;
    SetText(d.CFELD[0], "END_OF_CFELD ");  // an ordinary text
    SetText(d.CFELD[1], "END_OF_CFELDX");
    SetText(d.CFELD[2], "END_OF_CFELD");
    SetText(d.CFELD[3], "after");
    for (int i = 0; i < 15; ++i) d.PFELD[i] = i;
    d.PFELD[3] = std::numeric_limits<double>::quiet_NaN();
    EXPECT_EQ(WriteAndRead(d),
              Lines({"# KTEIL", "           ", "# IFELD", "IFELD(  0) -9997", "IFELD(  1) 3",
                     "# DFELD", "DFELD(  0) -9997.770000", "# CFELD", "CFELD(  0) END_OF_CFELD ",
                     "CFELD(  1) END_OF_CFELDX", "# PFELD", "DFELD(  0) 0.000000",
                     "DFELD(  1) 1.000000", "DFELD(  2) 2.000000", "# END "}));
}

TEST_F(WriterTest, NegativeInfinityAndNanEndARealList) {
    Data d = EmptyData();
    d.DFELD[0] = 2;
    d.DFELD[1] = -std::numeric_limits<double>::infinity();
    d.PFELD[0] = -std::numeric_limits<double>::quiet_NaN();
    std::string f = WriteAndRead(d);
    EXPECT_NE(f.find("# DFELD\r\nDFELD(  0) 2.000000\r\n# CFELD"), std::string::npos) << f;
    EXPECT_NE(f.find("# PFELD\r\n# END "), std::string::npos) << f;
}

TEST_F(WriterTest, FullListsWithoutMarkers) {
    Data d;
    std::memset(&d, 0, sizeof d);  // all zeros, empty texts
    std::string f = WriteAndRead(d);
    std::string expect = "# KTEIL\r\n           \r\n# IFELD";
    for (int i = 0; i < 5; ++i) expect += "\r\nIFELD(  " + std::to_string(i) + ") 0";
    expect += "\r\n# DFELD";
    char label[32];
    for (int i = 0; i < 170; ++i) {
        std::snprintf(label, sizeof label, "\r\nDFELD(%3d) 0.000000", i);
        expect += label;
    }
    expect += "\r\n# CFELD";
    for (int i = 0; i < 10; ++i) expect += "\r\nCFELD(  " + std::to_string(i) + ") ";
    expect += "\r\n# PFELD";
    for (int i = 0; i < 15; ++i) {
        std::snprintf(label, sizeof label, "\r\nDFELD(%3d) 0.000000", i);
        expect += label;
    }
    expect += "\r\n# END ";
    EXPECT_EQ(f, expect);
    EXPECT_NE(f.find("\r\nDFELD(169) 0.000000\r\n# CFELD"), std::string::npos);
}

// The writer reads nothing past a list's count or a text slot's 80 bytes:
// the buffers here are allocated with exactly those sizes, so that the
// address sanitizer reports any read beyond them.
TEST_F(WriterTest, ReadsNoByteBeyondTheBuffers) {
    auto *k = new char[80];
    auto *ifeld = new std::int32_t[5];
    auto *dfeld = new double[170];
    auto *cfeld = new char[800];
    auto *pfeld = new double[15];
    std::memset(k, 'K', 80);  // no NUL at all
    for (int i = 0; i < 5; ++i) ifeld[i] = i + 1;
    for (int i = 0; i < 170; ++i) dfeld[i] = i;
    std::memset(cfeld, 'C', 800);
    for (int i = 0; i < 15; ++i) pfeld[i] = -i;
    std::string path = dir.file("full.dat");
    ASSERT_EQ(WriteD99999Data(path.c_str(), k, ifeld, dfeld, cfeld, pfeld, 0, 0, 0), 0);
    std::string f = ReadFile(path);
    EXPECT_NE(f.find("\r\n           " + std::string(79, 'K') + "\r\n# IFELD"), std::string::npos);
    EXPECT_NE(f.find("IFELD(  4) 5\r\n# DFELD"), std::string::npos);
    EXPECT_NE(f.find("CFELD(  9) " + std::string(79, 'C') + "\r\n# PFELD"), std::string::npos);
    EXPECT_NE(f.find("DFELD( 14) -14.000000\r\n# END "), std::string::npos);
    delete[] k;
    delete[] ifeld;
    delete[] dfeld;
    delete[] cfeld;
    delete[] pfeld;
}

TEST_F(WriterTest, LongTextsAreCutTo79) {
    Data d = EmptyData();
    std::string hundred;
    for (int i = 0; i < 100; ++i) hundred += static_cast<char>('a' + i % 26);
    std::memcpy(d.KTEIL, hundred.data(), 79);  // the 80-byte slot holds no NUL
    d.KTEIL[79] = 'Z';
    SetText(d.CFELD[0], hundred.substr(0, 80));
    SetText(d.CFELD[1], "END_OF_CFELD");
    std::string f = WriteAndRead(d);
    EXPECT_NE(f.find("\r\n           " + hundred.substr(0, 79) + "\r\n# IFELD"), std::string::npos);
    EXPECT_NE(f.find("\r\nCFELD(  0) " + hundred.substr(0, 79) + "\r\n# PFELD"), std::string::npos);
}

TEST_F(WriterTest, TextsCannotBreakTheFile) {
    Data d = EmptyData();
    SetText(d.KTEIL, "head\n# END \x1a tail");
    SetText(d.CFELD[0], "a\nb\rc\x1a\x7f\x81\xff\t");
    SetText(d.CFELD[1], "END_OF_CFELD");
    std::string f = WriteAndRead(d);
    EXPECT_EQ(f, Lines({"# KTEIL", "           head # END   tail", "# IFELD", "# DFELD", "# CFELD",
                        "CFELD(  0) a b\rc \x7f\x81\xff\t", "# PFELD", "# END "}));
}

struct NumberCase {
    double value;
    const char *text;
};

TEST_F(WriterTest, RealsAsPercentF) {
    const NumberCase cases[] = {
        {1.5, "1.500000"},
        {0.25, "0.250000"},
        {-0.0, "-0.000000"},
        {-1e-9, "-0.000000"},
        {5e-7, "0.000000"},  // just below the half: 4.99999999999999977e-07
        {1.5e-6, "0.000002"},
        {2.5e-6, "0.000003"},  // 2.50000000000000013e-06
        {0.1 + 0.2, "0.300000"},
        {123456.7890125, "123456.789012"},
        {1e20, "100000000000000000000.000000"},
        {-9997.77, "-9997.770000"},
        {std::numeric_limits<double>::infinity(), "inf"},
        {4294967296.5, "4294967296.500000"},
    };
    Data d = EmptyData();
    int i = 0;
    for (const auto &c : cases) d.DFELD[i++] = c.value;
    d.DFELD[i] = -9998.77;
    std::string f = WriteAndRead(d);
    i = 0;
    for (const auto &c : cases) {
        char line[64];
        std::snprintf(line, sizeof line, "\r\nDFELD(%3d) %s\r\n", i++, c.text);
        EXPECT_NE(f.find(line), std::string::npos) << c.text;
    }
}

TEST_F(WriterTest, HugeRealsKeepEveryDigit) {
    Data d = EmptyData();
    d.DFELD[0] = std::numeric_limits<double>::max();
    d.DFELD[1] = -9998.77;
    std::string f = WriteAndRead(d);
    char expect[400];
    std::snprintf(expect, sizeof expect, "\r\nDFELD(  0) %f\r\n# CFELD", std::numeric_limits<double>::max());
    EXPECT_NE(f.find(expect), std::string::npos);
    EXPECT_EQ(std::strlen(expect), 2 + 11 + 316 + 9u);
}

TEST_F(WriterTest, IntegersAsPercentD) {
    Data d = EmptyData();
    const std::int32_t values[] = {0, INT32_MAX, INT32_MIN, -9997, 42};
    std::memcpy(d.IFELD, values, sizeof values);
    // -2147483648 is below -9997: it ends the list after slot 1.
    EXPECT_NE(WriteAndRead(d).find("# IFELD\r\nIFELD(  0) 0\r\nIFELD(  1) 2147483647\r\n# DFELD"),
              std::string::npos);
    d.IFELD[2] = -9997;
    EXPECT_NE(WriteAndRead(d).find("IFELD(  2) -9997\r\nIFELD(  3) -9997\r\nIFELD(  4) 42\r\n# DFELD"),
              std::string::npos);
}

// The bytes never depend on the process's locale: a host running with a
// German locale still gets points, never commas.
TEST_F(WriterTest, LocaleIndependent) {
    std::string before = WriteAndRead(ExampleData());
    const char *names[] = {"de_DE.UTF-8", "de_DE.utf8", "de_DE", "fr_FR.UTF-8"};
    const char *set = nullptr;
    for (const char *n : names)
        if ((set = std::setlocale(LC_ALL, n)) != nullptr) break;
    if (set == nullptr) GTEST_SKIP() << "no locale with a decimal comma is installed";
    char probe[16];
    std::snprintf(probe, sizeof probe, "%.1f", 1.5);
    EXPECT_STREQ(probe, "1,5") << "the locale has a decimal comma";
    std::string after = WriteAndRead(ExampleData());
    Data back;
    int read = Read(dir.file("out.dat"), back);
    std::setlocale(LC_ALL, "C");
    EXPECT_EQ(after, before);
    EXPECT_EQ(read, 0);
    EXPECT_EQ(back.DFELD[0], 1.5) << "the reader takes the point, too";
}

TEST_F(WriterTest, MissingDirectoryCannotBeOpened) {
    std::string path = dir.file("missing/out.dat");
    EXPECT_EQ(Write(path, ExampleData()), 1);
    ASSERT_EQ(Messages().size(), 1u);
    EXPECT_EQ(Messages()[0], OpenWriteMessage(path));
    EXPECT_FALSE(FileExists(path));
    EXPECT_TRUE(ListDirectory(dir.path()).empty());
}

TEST_F(WriterTest, LongPathInTheMessageInFull) {
    std::string path = dir.file("missing/" + std::string(5000, 'p'));
    EXPECT_EQ(Write(path, ExampleData()), 1);
    ASSERT_EQ(Messages().size(), 1u);
    EXPECT_EQ(Messages()[0], OpenWriteMessage(path));
}

// A device that is full on every write: the target is no regular file, so
// it is written directly, and the error is reported.
TEST_F(WriterTest, FullDeviceReportsAWriteError) {
    if (!FileExists("/dev/full")) GTEST_SKIP() << "no /dev/full";
    EXPECT_EQ(Write("/dev/full", ExampleData()), 1);
    ASSERT_EQ(Messages().size(), 1u);
    EXPECT_EQ(Messages()[0], WriteFailMessage("/dev/full"));
}

TEST_F(WriterTest, SymlinkedTargetIsReplacedBehindTheLink) {
    std::string real = dir.file("real.dat");
    std::string link = dir.file("link.dat");
    WriteFile(real, "old");
    ASSERT_EQ(::chmod(real.c_str(), 0640), 0);
    ASSERT_EQ(::symlink("real.dat", link.c_str()), 0);
    ASSERT_EQ(Write(link, EmptyData()), 0);
    struct stat st;
    ASSERT_EQ(::lstat(link.c_str(), &st), 0);
    EXPECT_TRUE(S_ISLNK(st.st_mode)) << "the link stays a link";
    EXPECT_EQ(ReadFile(real).substr(0, 7), "# KTEIL");
    ASSERT_EQ(::stat(real.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0640u) << "the permission bits are kept";
    EXPECT_EQ(ListDirectory(dir.path()).size(), 2u);
}

TEST_F(WriterTest, NewFileGetsTheUmaskPermissions) {
    mode_t old = ::umask(022);
    std::string path = dir.file("new.dat");
    ASSERT_EQ(Write(path, EmptyData()), 0);
    ::umask(old);
    struct stat st;
    ASSERT_EQ(::stat(path.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0644u);
}

}  // namespace
