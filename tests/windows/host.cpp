// A Windows host for TOVRA.dll, run under Wine: it loads the DLL with
// LoadLibraryA, finds both functions by their decorated names and by
// ordinal, writes and reads data sets and compares the files byte for byte
// with expected files. A watcher thread finds every message box, records
// its caption and text, and closes it; a call that shows a box must return
// only after the box was closed.
//
// Usage: host.exe DLL_PATH EXPECTED_DIR WORK_DIR
#include <windows.h>

#include <atomic>
#include <clocale>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <random>
#include <string>
#include <vector>

namespace {

typedef int(__stdcall *WriteFn)(const char *, const char *, const int *, const double *, const char *,
                                 const double *, int, int, int);
typedef int(__stdcall *ReadFn)(const char *, char *, int *, double *, char *, double *);

int passed = 0;
int failed = 0;

void Check(bool ok, const std::string &what) {
    if (ok) {
        ++passed;
    } else {
        ++failed;
        std::printf("FAIL %s\n", what.c_str());
    }
}

// --- message boxes -------------------------------------------------------

CRITICAL_SECTION boxLock;
std::vector<std::string> boxTexts;       // texts of the boxes closed so far
std::atomic<long> boxesClosed{0};
std::atomic<bool> stopWatcher{false};

DWORD WINAPI Watcher(LPVOID) {
    while (!stopWatcher) {
        HWND box = FindWindowA(NULL, "TOVRA");
        if (box != NULL) {
            char text[8192] = {0};
            GetDlgItemTextA(box, 0xFFFF, text, sizeof text);
            char caption[64] = {0};
            GetWindowTextA(box, caption, sizeof caption);
            EnterCriticalSection(&boxLock);
            boxTexts.push_back(std::string(caption) + "|" + text);
            LeaveCriticalSection(&boxLock);
            // Leave the box open a moment: the call must still be waiting.
            Sleep(100);
            ++boxesClosed;
            PostMessageA(box, WM_COMMAND, IDOK, 0);
            // Wait until it is gone before looking for the next one.
            for (int i = 0; i < 500 && IsWindow(box); ++i) Sleep(10);
        }
        Sleep(10);
    }
    return 0;
}

std::vector<std::string> TakeBoxes() {
    EnterCriticalSection(&boxLock);
    std::vector<std::string> t;
    t.swap(boxTexts);
    LeaveCriticalSection(&boxLock);
    return t;
}

// --- data sets and files -------------------------------------------------

struct Data {
    char KTEIL[80];
    int IFELD[5];
    double DFELD[170];
    char CFELD[10][80];
    double PFELD[15];
};

void SetText(char *slot, const std::string &text) {
    std::memset(slot, 0, 80);
    std::memcpy(slot, text.data(), text.size() < 79 ? text.size() : 79);
}

Data Example() {
    Data d;
    std::memset(&d, 0, sizeof d);
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

bool ReadAll(const std::string &path, std::string &out) {
    FILE *f = std::fopen(path.c_str(), "rb");
    if (!f) return false;
    out.clear();
    char buf[4096];
    size_t n;
    while ((n = std::fread(buf, 1, sizeof buf, f)) > 0) out.append(buf, n);
    std::fclose(f);
    return true;
}

bool WriteAll(const std::string &path, const std::string &bytes) {
    FILE *f = std::fopen(path.c_str(), "wb");
    if (!f) return false;
    bool ok = std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
    return std::fclose(f) == 0 && ok;
}

std::string Hex(const std::string &s) {
    std::string out;
    for (unsigned char c : s) {
        char b[8];
        if (c >= 0x20 && c < 0x7f && c != '\\')
            out += static_cast<char>(c);
        else {
            std::snprintf(b, sizeof b, "\\x%02x", c);
            out += b;
        }
    }
    return out;
}

void CheckEqual(const std::string &got, const std::string &want, const std::string &what) {
    Check(got == want, what + "\n  got  " + Hex(got) + "\n  want " + Hex(want));
}

// `read` is `written` rounded to six decimals (half a unit of the sixth
// decimal, and the error of the doubles themselves).
bool Rounded6(double read, double written) {
    return std::fabs(read - written) <= 5e-7 + 1e-15 * std::fabs(written);
}

std::string KkText(const void *p) {
    // The low 32 bits of the address as a signed number.
    unsigned int low = static_cast<unsigned int>(reinterpret_cast<ULONG_PTR>(p));
    int v;
    std::memcpy(&v, &low, sizeof v);
    return std::to_string(v);
}

}  // namespace

int main(int argc, char **argv) {
    if (argc != 4) {
        std::printf("usage: host.exe DLL_PATH EXPECTED_DIR WORK_DIR\n");
        return 2;
    }
    const std::string expected = argv[2];
    const std::string work = argv[3];
    InitializeCriticalSection(&boxLock);
    HANDLE watcher = CreateThread(NULL, 0, Watcher, NULL, 0, NULL);

    HMODULE dll = LoadLibraryA(argv[1]);
    Check(dll != NULL, "LoadLibraryA");
    if (!dll) return 1;
    WriteFn writeByName = reinterpret_cast<WriteFn>(
        reinterpret_cast<void *>(GetProcAddress(dll, "_WriteD99999Data@36")));
    WriteFn writeByOrdinal =
        reinterpret_cast<WriteFn>(reinterpret_cast<void *>(GetProcAddress(dll, MAKEINTRESOURCEA(2))));
    ReadFn readByName = reinterpret_cast<ReadFn>(
        reinterpret_cast<void *>(GetProcAddress(dll, "_ReadD99999Data@24")));
    ReadFn readByOrdinal =
        reinterpret_cast<ReadFn>(reinterpret_cast<void *>(GetProcAddress(dll, MAKEINTRESOURCEA(1))));
    Check(writeByName != NULL && writeByName == writeByOrdinal, "write export by name == ordinal 2");
    Check(readByName != NULL && readByName == readByOrdinal, "read export by name == ordinal 1");
    Check(GetProcAddress(dll, "WriteD99999Data") == NULL, "no undecorated export");
    if (!writeByName || !readByName) return 1;

    // The example data file, byte for byte, through both lookups and with
    // a host that runs in a German locale.
    std::string want, got;
    Check(ReadAll(expected + "\\example.dat", want), "expected example.dat");
    Data d = Example();
    std::string path = work + "\\example.dat";
    Check(writeByName(path.c_str(), d.KTEIL, d.IFELD, d.DFELD, d.CFELD[0], d.PFELD, 1, 2, 3) == 0,
          "write example by name");
    ReadAll(path, got);
    CheckEqual(got, want, "example.dat by name");
    std::setlocale(LC_ALL, "German");
    Check(writeByOrdinal(path.c_str(), d.KTEIL, d.IFELD, d.DFELD, d.CFELD[0], d.PFELD, -1, -1, -1) == 0,
          "write example by ordinal");
    ReadAll(path, got);
    CheckEqual(got, want, "example.dat by ordinal, German locale");
    std::setlocale(LC_ALL, "C");

    // A full data set with texts that would break the file.
    {
        Data f;
        std::memset(&f, 0, sizeof f);
        SetText(f.KTEIL, "full\nhead\x1a");
        for (int i = 0; i < 5; ++i) f.IFELD[i] = i * 1000 - 2;
        for (int i = 0; i < 170; ++i) f.DFELD[i] = (i - 5) * 1234.5678901;
        for (int i = 0; i < 10; ++i) SetText(f.CFELD[i], "text " + std::to_string(i) + "\r\xe4");
        for (int i = 0; i < 15; ++i) f.PFELD[i] = std::ldexp(1.0, i * 7);
        f.PFELD[14] = 1e20;
        Check(ReadAll(expected + "\\full.dat", want), "expected full.dat");
        path = work + "\\full.dat";
        Check(writeByName(path.c_str(), f.KTEIL, f.IFELD, f.DFELD, f.CFELD[0], f.PFELD, 0, 0, 0) == 0,
              "write full");
        ReadAll(path, got);
        CheckEqual(got, want, "full.dat");

        // Read back: the same values, the head text with one blank.
        Data r;
        std::memset(&r, 0x5a, sizeof r);
        Check(readByOrdinal(path.c_str(), r.KTEIL, r.IFELD, r.DFELD, r.CFELD[0], r.PFELD) == 0, "read full");
        Check(std::string(r.KTEIL) == "full head ", "head text read back: " + Hex(r.KTEIL));
        bool same = std::memcmp(r.IFELD, f.IFELD, sizeof f.IFELD) == 0;
        for (int i = 0; i < 170; ++i) same = same && Rounded6(r.DFELD[i], f.DFELD[i]);
        for (int i = 0; i < 15; ++i) same = same && r.PFELD[i] == f.PFELD[i];
        for (int i = 0; i < 10; ++i) same = same && std::string(r.CFELD[i]) == std::string(f.CFELD[i]);
        Check(same, "full data set read back");
    }

    // The example read back: reset values past each list's end.
    {
        Data r;
        std::memset(&r, 0x5a, sizeof r);
        path = work + "\\example.dat";
        Check(readByName(path.c_str(), r.KTEIL, r.IFELD, r.DFELD, r.CFELD[0], r.PFELD) == 0, "read example");
        bool ok = std::string(r.KTEIL) == "Test " && r.IFELD[0] == 7 && r.IFELD[1] == -12 &&
                  r.IFELD[2] == 0 && r.DFELD[0] == 1.5 && r.DFELD[1] == 0 && r.DFELD[169] == 0 &&
                  std::string(r.CFELD[0]) == "abc" && std::string(r.CFELD[1]) == "END_OF_CFELD" &&
                  std::string(r.CFELD[9]) == "END_OF_CFELD" && r.PFELD[0] == 0.25 && r.PFELD[14] == 0;
        Check(ok, "example read back");
        Check(TakeBoxes().empty(), "no message box so far");
    }

    // Message boxes: the call returns only after its box was closed.
    auto expectBox = [](const char *name, long before, int result, int wantResult, const std::string &wantText) {
        std::vector<std::string> boxes = TakeBoxes();
        Check(result == wantResult, std::string(name) + ": result " + std::to_string(result));
        Check(boxesClosed - before == 1 && boxes.size() == 1, std::string(name) + ": one box, closed before the call returned");
        if (boxes.size() == 1) CheckEqual(boxes[0], "TOVRA|" + wantText, std::string(name) + ": caption and text");
    };
    {
        std::string missing = work + "\\no such dir\\x.dat";
        long before = boxesClosed;
        int r = writeByName(missing.c_str(), d.KTEIL, d.IFELD, d.DFELD, d.CFELD[0], d.PFELD, 0, 0, 0);
        expectBox("write into a missing directory", before, r, 1, "\n kann File \"" + missing + "\" nicht oeffnen");
        Check(GetFileAttributesA(missing.c_str()) == INVALID_FILE_ATTRIBUTES, "no file created");

        Data r2;
        before = boxesClosed;
        r = readByName(missing.c_str(), r2.KTEIL, r2.IFELD, r2.DFELD, r2.CFELD[0], r2.PFELD);
        expectBox("read a missing file", before, r, 1, "\nKann File \"" + missing + "\" nicht oeffnen");
        Check(r2.KTEIL[0] == 0 && std::string(r2.CFELD[3]) == "END_OF_CFELD" && r2.IFELD[4] == 0,
              "buffers reset after a failed open");
    }
    {
        path = work + "\\limit.dat";
        WriteAll(path, "# IFELD\r\nIFELD(  0) 1\r\nIFELD(  1) 2\r\nIFELD(  2) 3\r\nIFELD(  3) 4\r\n"
                       "IFELD(  4) 5\r\nIFELD(  5) 6\r\n# DFELD\r\nDFELD(  0) 9\r\n# END ");
        Data r;
        long before = boxesClosed;
        int res = readByName(path.c_str(), r.KTEIL, r.IFELD, r.DFELD, r.CFELD[0], r.PFELD);
        expectBox("the sixth IFELD value", before, res, 0,
                  "\nAbbruch in KK=" + KkText(r.IFELD) + " wurde MaxAnz=4 \x81" "berschritten");
        Check(r.IFELD[4] == 5 && r.DFELD[0] == 0 && std::string(r.KTEIL) == " ", "limit: values kept, later sections reset");

        // A value line before any header shows the MaxAnz the last call left.
        WriteAll(work + "\\first.dat", "IFELD(  0) 1\r\n# IFELD\r\nIFELD(  0) 2");
        WriteAll(work + "\\dfeld.dat", "# DFELD\r\nDFELD(  0) 1");
        readByName((work + "\\dfeld.dat").c_str(), r.KTEIL, r.IFELD, r.DFELD, r.CFELD[0], r.PFELD);
        before = boxesClosed;
        res = readByName((work + "\\first.dat").c_str(), r.KTEIL, r.IFELD, r.DFELD, r.CFELD[0], r.PFELD);
        expectBox("a value line before any header", before, res, 0,
                  "\nAbbruch in KK=-9999 wurde MaxAnz=169 \x81" "berschritten");
    }

    // A target held open by another program.
    {
        path = work + "\\held.dat";
        WriteAll(path, "old contents");
        // Shared for reading and writing, but not for deletion: the file
        // cannot be replaced, so it is written in place.
        HANDLE other = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, NULL,
                                   OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, NULL);
        Check(other != INVALID_HANDLE_VALUE, "open held.dat");
        int r = writeByName(path.c_str(), d.KTEIL, d.IFELD, d.DFELD, d.CFELD[0], d.PFELD, 0, 0, 0);
        CloseHandle(other);
        Check(r == 0 && TakeBoxes().empty(), "held open without delete sharing: written in place");
        ReadAll(path, got);
        Check(ReadAll(expected + "\\example.dat", want), "expected example.dat");
        CheckEqual(got, want, "held.dat holds the new file");

        // Not shared for writing: cannot be opened; the old file stays.
        WriteAll(path, "old contents");
        other = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, NULL, OPEN_EXISTING,
                            FILE_ATTRIBUTE_NORMAL, NULL);
        long before = boxesClosed;
        r = writeByName(path.c_str(), d.KTEIL, d.IFELD, d.DFELD, d.CFELD[0], d.PFELD, 0, 0, 0);
        CloseHandle(other);
        expectBox("held open without write sharing", before, r, 1, "\n kann File \"" + path + "\" nicht oeffnen");
        ReadAll(path, got);
        CheckEqual(got, "old contents", "held.dat unchanged");

        // A read-only file is not replaced either.
        SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_READONLY);
        before = boxesClosed;
        r = writeByName(path.c_str(), d.KTEIL, d.IFELD, d.DFELD, d.CFELD[0], d.PFELD, 0, 0, 0);
        expectBox("read-only target", before, r, 1, "\n kann File \"" + path + "\" nicht oeffnen");
        SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
        ReadAll(path, got);
        CheckEqual(got, "old contents", "read-only target unchanged");
    }

    // No temporary file is left behind in the work directory.
    {
        WIN32_FIND_DATAA fd;
        HANDLE h = FindFirstFileA((work + "\\*tovra-*").c_str(), &fd);
        Check(h == INVALID_HANDLE_VALUE, "no temporary file left");
        if (h != INVALID_HANDLE_VALUE) FindClose(h);
    }

    // Round trip of random data sets.
    {
        std::mt19937 rng(4242);
        // Above -9997.77: no value ends a list early.
        std::uniform_real_distribution<double> real(-9997.0, 1e6);
        std::uniform_int_distribution<int> integer(-9997, 1000000);
        bool all = true;
        for (int round = 0; round < 50 && all; ++round) {
            Data w;
            std::memset(&w, 0, sizeof w);
            std::string head;
            for (int i = 0; i < static_cast<int>(rng() % 80); ++i) head += static_cast<char>('A' + rng() % 26);
            SetText(w.KTEIL, head);
            for (int &v : w.IFELD) v = integer(rng);
            for (double &v : w.DFELD) v = real(rng);
            for (auto &s : w.CFELD) SetText(s, std::to_string(rng()));
            for (double &v : w.PFELD) v = real(rng);
            path = work + "\\random.dat";
            all = writeByName(path.c_str(), w.KTEIL, w.IFELD, w.DFELD, w.CFELD[0], w.PFELD, 0, 0, 0) == 0;
            Data r;
            all = all && readByName(path.c_str(), r.KTEIL, r.IFELD, r.DFELD, r.CFELD[0], r.PFELD) == 0;
            std::string wantHead = head.substr(0, 78) + " ";
            all = all && std::string(r.KTEIL) == wantHead && std::memcmp(r.IFELD, w.IFELD, sizeof w.IFELD) == 0;
            for (int i = 0; i < 170; ++i) all = all && Rounded6(r.DFELD[i], w.DFELD[i]);
            for (int i = 0; i < 15; ++i) all = all && Rounded6(r.PFELD[i], w.PFELD[i]);
            for (int i = 0; i < 10; ++i) all = all && std::strcmp(r.CFELD[i], w.CFELD[i]) == 0;
        }
        Check(all, "random data sets make the round trip");
    }

    stopWatcher = true;
    WaitForSingleObject(watcher, 5000);
    FreeLibrary(dll);
    std::printf("wine host: %d passed, %d failed\n", passed, failed);
    return failed == 0 ? 0 : 1;
}
