// Benchmarks of the library, each beside a floor: the least that the same
// job costs without the library's own work.
//
//   save     WriteD99999Data of a full data set, against writing the same
//            bytes with one write() (floor a) and against the same with the
//            temporary file, fsync and rename of a safe replace (floor b)
//   load     ReadD99999Data of that file, against open + read + close
//   scan     ReadD99999Data of large files (an unrecognised section with
//            lines of mixed lengths; 100,000 repeated IFELD sections),
//            against reading the file and finding its line ends with memchr
//   convert  FormatReal / ParseReal of 1e6 reals, against snprintf("%f") /
//            strtod in the "C" locale
//   memory   the peak resident memory growth of one read, by file size
//
// All files live in a fresh temporary directory ($TMPDIR or /tmp), removed
// at the end. TOVRA_BENCH_MAX_MIB limits the large files (default 256).
// After the run a table puts every figure beside its floor.
#include <benchmark/benchmark.h>
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/statfs.h>
#include <unistd.h>

#include <cerrno>
#include <clocale>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <random>
#include <string>
#include <vector>

#include "datafile/datafile.h"
#include "datafile/format.h"
#include "quiet_message.h"
#include "tovra.h"

namespace {

// ---------------------------------------------------------------- files

std::string gDir;  // the temporary directory
long gMaxMib = 256;

std::string PathIn(const std::string &name) { return gDir + "/" + name; }

bool WriteAll(int fd, const char *data, std::size_t size) {
    while (size > 0) {
        ssize_t n = ::write(fd, data, size);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        data += n;
        size -= static_cast<std::size_t>(n);
    }
    return true;
}

std::string ReadWhole(const std::string &path) {
    std::string bytes;
    int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return bytes;
    char buf[65536];
    ssize_t n;
    while ((n = ::read(fd, buf, sizeof buf)) > 0) bytes.append(buf, static_cast<std::size_t>(n));
    ::close(fd);
    return bytes;
}

void RemoveTree(const std::string &dir) {
    if (DIR *d = ::opendir(dir.c_str())) {
        while (dirent *e = ::readdir(d)) {
            std::string name = e->d_name;
            if (name == "." || name == "..") continue;
            ::unlink((dir + "/" + name).c_str());
        }
        ::closedir(d);
    }
    ::rmdir(dir.c_str());
}

std::string FileSystemOf(const std::string &path) {
    struct statfs fs;
    if (::statfs(path.c_str(), &fs) != 0) return "unknown";
    switch (static_cast<unsigned long>(fs.f_type)) {
        case 0xEF53UL: return "ext2/3/4";
        case 0x01021994UL: return "tmpfs";
        case 0x58465342UL: return "xfs";
        case 0x9123683EUL: return "btrfs";
        case 0x794C7630UL: return "overlayfs";
        case 0x6969UL: return "nfs";
        default: {
            char hex[32];
            std::snprintf(hex, sizeof hex, "type 0x%lx", static_cast<unsigned long>(fs.f_type));
            return hex;
        }
    }
}

// Writes a large file through a fixed buffer; `next` appends the next
// stretch of text to the buffer. The file is cut at exactly `size` bytes
// (0: as long as `next` runs).
template <typename Next>
bool Generate(const std::string &path, std::size_t size, Next next) {
    int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd < 0) return false;
    std::string buf;
    std::size_t written = 0;
    bool ok = true;
    bool more = true;
    while (ok && more && (size == 0 || written < size)) {
        buf.clear();
        while (more && buf.size() < (1u << 20)) more = next(buf);
        std::size_t n = buf.size();
        if (size != 0 && written + n > size) n = size - written;
        ok = WriteAll(fd, buf.data(), n);
        written += n;
    }
    ok = ::close(fd) == 0 && ok;
    return ok;
}

// An unrecognised section of `mib` MiB: lines of mixed lengths, from empty
// through 253 characters to 100,000, most with CR LF, some with LF alone.
// No piece of any line begins with "#".
std::string OtherFile(long mib) {
    static std::map<long, std::string> made;
    auto it = made.find(mib);
    if (it != made.end()) return it->second;
    std::string path = PathIn("other_" + std::to_string(mib) + "MiB.dat");
    static const std::size_t kLengths[] = {0, 11, 17, 30, 52, 79, 120, 253, 253, 254, 506, 600, 2000, 4100};
    static const char kChars[] = "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789 .,-+";
    std::uint32_t seed = 12345;
    std::size_t line = 0;
    bool started = false;
    auto next = [&](std::string &buf) {
        if (!started) {
            buf += "# OTHER section the reader does not know\r\n";
            started = true;
        }
        std::size_t n = (line % 97 == 96) ? 100000 : kLengths[line % (sizeof kLengths / sizeof kLengths[0])];
        for (std::size_t i = 0; i < n; ++i) {
            seed = seed * 1664525u + 1013904223u;
            buf += kChars[(seed >> 24) % (sizeof kChars - 1)];
        }
        buf += (line % 5 == 4) ? "\n" : "\r\n";
        ++line;
        return true;
    };
    if (!Generate(path, static_cast<std::size_t>(mib) << 20, next)) return std::string();
    made[mib] = path;
    return path;
}

// 100,000 sections "# IFELD" with 5 values each.
std::string RepeatedFile() {
    static std::string made;
    if (!made.empty()) return made;
    std::string path = PathIn("ifeld_x100000.dat");
    int section = 0;
    auto next = [&](std::string &buf) {
        buf += "# IFELD\r\n";
        for (int i = 0; i < 5; ++i) {
            char line[64];
            std::snprintf(line, sizeof line, "IFELD(%3d) %d\r\n", i, (section * 7919 + i * 104729) % 2000000 - 1000000);
            buf += line;
        }
        return ++section < 100000;
    };
    if (!Generate(path, 0, next)) return std::string();
    made = path;
    return path;
}

// ---------------------------------------------------------------- data set

using Data = tovra::DataBuffers;

// Every list full, a head text of 79 characters, reals with many digits.
Data FullData() {
    Data d;
    std::memset(&d, 0, sizeof d);
    std::string head;
    while (head.size() < 79) head += "Head text of the data set, all 79 characters used. ";
    std::memcpy(d.KTEIL, head.data(), 79);
    // Negative values stay above the end markers (-9997, -9997.77).
    for (int i = 0; i < 5; ++i) d.IFELD[i] = i % 2 ? -1234 * i : 1234567 * (i + 1);
    for (int i = 0; i < 170; ++i)
        d.DFELD[i] = i % 2 ? -1234.567890123456 / (i + 1) : 123456.789012345678 * (1.0 + i / 7.0);
    for (int i = 0; i < 10; ++i) std::snprintf(d.CFELD[i], 80, "Text %d of the list, with several words in it", i);
    for (int i = 0; i < 15; ++i) d.PFELD[i] = 3.14159265358979 * (i + 1) * 1e3;
    return d;
}

int Write(const std::string &path, const Data &d) {
    return WriteD99999Data(path.c_str(), d.KTEIL, d.IFELD, d.DFELD, &d.CFELD[0][0], d.PFELD, 0, 0, 0);
}

int Read(const std::string &path, Data &d) {
    return ReadD99999Data(path.c_str(), d.KTEIL, d.IFELD, d.DFELD, &d.CFELD[0][0], d.PFELD);
}

// A message means the run did not do what it measures.
bool Quiet(benchmark::State &state, long before) {
    if (tovra_bench::MessageCount() == before) return true;
    state.SkipWithError(("message shown: " + tovra_bench::LastMessage()).c_str());
    return false;
}

// ---------------------------------------------------------------- save

std::string gSaveBytes;  // what the writer writes for FullData()

void BM_Save(benchmark::State &state) {
    Data d = FullData();
    std::string path = PathIn("save.dat");
    long before = tovra_bench::MessageCount();
    for (auto _ : state) {
        if (Write(path, d) != 0) break;
    }
    if (!Quiet(state, before)) return;
    state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(gSaveBytes.size()));
}

// Floor (a): create the file, one write() of the formatted bytes, close.
void BM_SaveFloorWrite(benchmark::State &state) {
    std::string path = PathIn("save_floor_a.dat");
    for (auto _ : state) {
        int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
        if (fd < 0 || !WriteAll(fd, gSaveBytes.data(), gSaveBytes.size()) || ::close(fd) != 0) {
            state.SkipWithError("floor write failed");
            break;
        }
    }
    state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(gSaveBytes.size()));
}

// Floor (b): the same through a safe replace: a new temporary file,
// write, fsync, close, rename over the target, fsync the directory.
void BM_SaveFloorReplace(benchmark::State &state) {
    std::string path = PathIn("save_floor_b.dat");
    std::string temp = PathIn(".save_floor_b.dat.tmp");
    for (auto _ : state) {
        int fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        bool ok = fd >= 0 && WriteAll(fd, gSaveBytes.data(), gSaveBytes.size()) && ::fsync(fd) == 0;
        ok = fd >= 0 && ::close(fd) == 0 && ok;
        ok = ok && ::rename(temp.c_str(), path.c_str()) == 0;
        int dfd = ::open(gDir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        ok = ok && dfd >= 0 && ::fsync(dfd) == 0;
        if (dfd >= 0) ::close(dfd);
        if (!ok) {
            ::unlink(temp.c_str());
            state.SkipWithError("floor replace failed");
            break;
        }
    }
    state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(gSaveBytes.size()));
}

// ---------------------------------------------------------------- load

std::string gLoadPath;

void BM_Load(benchmark::State &state) {
    Data d;
    long before = tovra_bench::MessageCount();
    for (auto _ : state) {
        Read(gLoadPath, d);
        benchmark::DoNotOptimize(d);
    }
    if (!Quiet(state, before)) return;
    if (d.DFELD[169] == 0.0) state.SkipWithError("the file did not read back");
    state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(gSaveBytes.size()));
}

// Floor: open, read all bytes into a buffer, close.
void BM_LoadFloor(benchmark::State &state) {
    static char buf[65536];
    for (auto _ : state) {
        int fd = ::open(gLoadPath.c_str(), O_RDONLY | O_CLOEXEC);
        std::size_t total = 0;
        ssize_t n;
        while ((n = ::read(fd, buf + total, sizeof buf - total)) > 0) total += static_cast<std::size_t>(n);
        ::close(fd);
        benchmark::DoNotOptimize(total);
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(gSaveBytes.size()));
}

// ---------------------------------------------------------------- scan

std::int64_t FileSize(const std::string &path) {
    struct stat st;
    return ::stat(path.c_str(), &st) == 0 ? static_cast<std::int64_t>(st.st_size) : -1;
}

void ScanRead(benchmark::State &state, const std::string &path) {
    if (path.empty()) {
        state.SkipWithError("could not make the file");
        return;
    }
    Data d;
    long before = tovra_bench::MessageCount();
    for (auto _ : state) {
        Read(path, d);
        benchmark::DoNotOptimize(d);
    }
    if (!Quiet(state, before)) return;
    state.SetBytesProcessed(state.iterations() * FileSize(path));
}

// Floor: read the file in blocks and find every line end with memchr.
void ScanFloor(benchmark::State &state, const std::string &path) {
    if (path.empty()) {
        state.SkipWithError("could not make the file");
        return;
    }
    static char buf[65536];
    for (auto _ : state) {
        int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
        std::size_t lines = 0;
        ssize_t n;
        while ((n = ::read(fd, buf, sizeof buf)) > 0) {
            const char *p = buf;
            const char *end = buf + n;
            while (const void *hit = std::memchr(p, '\n', static_cast<std::size_t>(end - p))) {
                ++lines;
                p = static_cast<const char *>(hit) + 1;
            }
        }
        ::close(fd);
        benchmark::DoNotOptimize(lines);
    }
    state.SetBytesProcessed(state.iterations() * FileSize(path));
}

// ---------------------------------------------------------------- convert

constexpr std::size_t kReals = 1000000;

// Reals of mixed magnitudes, 1e-7 to 1e20, both signs.
const std::vector<double> &Reals() {
    static std::vector<double> v;
    if (v.empty()) {
        std::mt19937_64 rng(42);
        std::uniform_real_distribution<double> mantissa(1.0, 10.0);
        std::uniform_int_distribution<int> exponent(-7, 20);
        v.reserve(kReals);
        for (std::size_t i = 0; i < kReals; ++i) {
            double m = mantissa(rng);
            int e = exponent(rng);
            double x = m;
            for (int k = 0; k < e; ++k) x *= 10.0;
            for (int k = 0; k > e; --k) x /= 10.0;
            v.push_back(i % 2 ? -x : x);
        }
    }
    return v;
}

// The same reals as the writer puts them into a file ("%f"), NUL-separated.
struct Texts {
    std::string bytes;
    std::vector<std::size_t> starts;
};
const Texts &RealTexts() {
    static Texts t;
    if (t.starts.empty()) {
        char buf[tovra::kMaxRealText];
        for (double x : Reals()) {
            std::size_t n = tovra::FormatReal(buf, x);
            t.starts.push_back(t.bytes.size());
            t.bytes.append(buf, n);
            t.bytes += '\0';
        }
    }
    return t;
}

void BM_FormatReal(benchmark::State &state) {
    const std::vector<double> &v = Reals();
    char buf[tovra::kMaxRealText];
    for (auto _ : state) {
        std::size_t total = 0;
        for (double x : v) {
            total += tovra::FormatReal(buf, x);
            benchmark::DoNotOptimize(buf);
        }
        benchmark::DoNotOptimize(total);
    }
    state.SetItemsProcessed(state.iterations() * static_cast<std::int64_t>(v.size()));
}

void BM_FormatFloor(benchmark::State &state) {
    const std::vector<double> &v = Reals();
    char buf[tovra::kMaxRealText];
    for (auto _ : state) {
        std::size_t total = 0;
        for (double x : v) {
            total += static_cast<std::size_t>(std::snprintf(buf, sizeof buf, "%f", x));
            benchmark::DoNotOptimize(buf);
        }
        benchmark::DoNotOptimize(total);
    }
    state.SetItemsProcessed(state.iterations() * static_cast<std::int64_t>(v.size()));
}

void BM_ParseReal(benchmark::State &state) {
    const Texts &t = RealTexts();
    for (auto _ : state) {
        double sum = 0;
        for (std::size_t s : t.starts) sum += tovra::ParseReal(t.bytes.data() + s);
        benchmark::DoNotOptimize(sum);
    }
    state.SetItemsProcessed(state.iterations() * static_cast<std::int64_t>(t.starts.size()));
}

void BM_ParseFloor(benchmark::State &state) {
    const Texts &t = RealTexts();
    for (auto _ : state) {
        double sum = 0;
        for (std::size_t s : t.starts) sum += std::strtod(t.bytes.data() + s, nullptr);
        benchmark::DoNotOptimize(sum);
    }
    state.SetItemsProcessed(state.iterations() * static_cast<std::int64_t>(t.starts.size()));
}

// ---------------------------------------------------------------- memory

long StatusKib(const char *field) {
    std::FILE *f = std::fopen("/proc/self/status", "r");
    if (f == nullptr) return -1;
    char line[256];
    long value = -1;
    std::size_t n = std::strlen(field);
    while (std::fgets(line, sizeof line, f)) {
        if (std::strncmp(line, field, n) == 0 && line[n] == ':') {
            value = std::strtol(line + n + 1, nullptr, 10);
            break;
        }
    }
    std::fclose(f);
    return value;
}

// Sets the peak resident size (VmHWM) back to the current one.
bool ResetPeak() {
    int fd = ::open("/proc/self/clear_refs", O_WRONLY | O_CLOEXEC);
    if (fd < 0) return false;
    bool ok = ::write(fd, "5", 1) == 1;
    ::close(fd);
    return ok;
}

// One read of a large file; the counter is how far the peak resident size
// rose above the resident size before it.
void MemoryRead(benchmark::State &state, const std::string &path) {
    if (path.empty()) {
        state.SkipWithError("could not make the file");
        return;
    }
    Data d;
    long growth = 0;
    long before = tovra_bench::MessageCount();
    for (auto _ : state) {
        state.PauseTiming();
        long rss = StatusKib("VmRSS");
        if (!ResetPeak() || rss < 0) {
            state.SkipWithError("cannot reset the peak resident size (/proc/self/clear_refs)");
            break;
        }
        state.ResumeTiming();
        Read(path, d);
        benchmark::DoNotOptimize(d);
        state.PauseTiming();
        long peak = StatusKib("VmHWM");
        if (peak - rss > growth) growth = peak - rss;
        state.ResumeTiming();
    }
    if (!Quiet(state, before)) return;
    state.counters["rss_growth_KiB"] = static_cast<double>(growth);
    state.counters["file_MiB"] = static_cast<double>(FileSize(path) >> 20);
}

// ---------------------------------------------------------------- table

enum Kind { kTime, kRate, kMemory };

struct Pair {
    std::string name;
    std::string floor;
    Kind kind;
    double target;  // time: ratio at most; rate: ratio at least
};

// Keeps every result for the table, and prints as the console does.
class Collector : public benchmark::ConsoleReporter {
public:
    struct Result {
        double seconds = 0;  // per iteration
        double rate = 0;     // bytes or items per second
        double growth = 0;   // KiB
        double fileMib = 0;
        bool median = false;
    };
    std::map<std::string, Result> results;
    int errors = 0;

    void ReportRuns(const std::vector<Run> &runs) override {
        for (const Run &run : runs) {
            if (run.error_occurred) {
                ++errors;
                continue;
            }
            bool median = run.run_type == Run::RT_Aggregate && run.aggregate_name == "median";
            if (run.run_type == Run::RT_Aggregate && !median) continue;
            Result &r = results[run.run_name.function_name];
            if (r.median && !median) continue;
            r.median = median;
            r.seconds = run.GetAdjustedRealTime() / benchmark::GetTimeUnitMultiplier(run.time_unit);
            auto get = [&](const char *key) {
                auto it = run.counters.find(key);
                return it == run.counters.end() ? 0.0 : static_cast<double>(it->second);
            };
            r.rate = get("bytes_per_second");
            if (r.rate == 0) r.rate = get("items_per_second");
            r.growth = get("rss_growth_KiB");
            r.fileMib = get("file_MiB");
        }
        ConsoleReporter::ReportRuns(runs);
    }
};

std::string Seconds(double s) {
    char buf[64];
    if (s >= 1) std::snprintf(buf, sizeof buf, "%.3f s", s);
    else if (s >= 1e-3) std::snprintf(buf, sizeof buf, "%.3f ms", s * 1e3);
    else std::snprintf(buf, sizeof buf, "%.2f us", s * 1e6);
    return buf;
}

std::string Rate(const std::string &name, double r) {
    char buf[64];
    if (name.compare(0, 8, "convert/") == 0) std::snprintf(buf, sizeof buf, "%.1f M/s", r / 1e6);
    else std::snprintf(buf, sizeof buf, "%.1f MB/s", r / 1e6);
    return buf;
}

void PrintTable(const Collector &c, const std::vector<Pair> &pairs) {
    std::printf("\n%-30s | %-24s | %-34s | %-8s | %s\n", "benchmark", "time or rate", "floor", "ratio", "target");
    std::printf("%s\n", std::string(120, '-').c_str());
    for (const Pair &p : pairs) {
        auto a = c.results.find(p.name);
        if (a == c.results.end()) continue;
        auto f = c.results.find(p.floor);
        const Collector::Result &r = a->second;
        char value[64], floorText[96], ratio[32], target[48];
        bool met = false;
        if (p.kind == kMemory) {
            std::snprintf(value, sizeof value, "+%.0f KiB peak RSS", r.growth);
            double small = f == c.results.end() ? 0 : f->second.growth;
            std::snprintf(floorText, sizeof floorText, "+%.0f KiB at %.0f MiB (%s)", small,
                          f == c.results.end() ? 0 : f->second.fileMib, p.floor.c_str());
            std::snprintf(ratio, sizeof ratio, "%+.0f KiB", r.growth - small);
            met = r.growth - small <= 64;  // a page table or two, not the file
            std::snprintf(target, sizeof target, "flat over %.0f MiB", r.fileMib);
        } else {
            if (f == c.results.end()) continue;
            const Collector::Result &fl = f->second;
            if (p.kind == kTime) {
                std::snprintf(value, sizeof value, "%s", Seconds(r.seconds).c_str());
                std::snprintf(floorText, sizeof floorText, "%s %s", Seconds(fl.seconds).c_str(), p.floor.c_str());
                double x = r.seconds / fl.seconds;
                std::snprintf(ratio, sizeof ratio, "%.2fx", x);
                met = p.target <= 0 || x <= p.target;
                if (p.target > 0) std::snprintf(target, sizeof target, "<= %.2fx", p.target);
                else std::snprintf(target, sizeof target, "(shown)");
            } else {
                std::snprintf(value, sizeof value, "%s", Rate(p.name, r.rate).c_str());
                std::snprintf(floorText, sizeof floorText, "%s %s", Rate(p.name, fl.rate).c_str(), p.floor.c_str());
                double x = r.rate / fl.rate;
                std::snprintf(ratio, sizeof ratio, "%.2f", x);
                met = x >= p.target;
                std::snprintf(target, sizeof target, ">= %.2f of floor", p.target);
            }
        }
        std::printf("%-30s | %-24s | %-34s | %-8s | %s%s\n", p.name.c_str(), value, floorText, ratio, target,
                    met ? "" : "  MISSED");
    }
}

}  // namespace

int main(int argc, char **argv) {
    std::setlocale(LC_ALL, "C");
    if (const char *m = std::getenv("TOVRA_BENCH_MAX_MIB")) {
        gMaxMib = std::strtol(m, nullptr, 10);
        if (gMaxMib < 1) gMaxMib = 1;
    }
    const char *tmp = std::getenv("TMPDIR");
    std::string templ = std::string(tmp && *tmp ? tmp : "/tmp") + "/tovra-bench-XXXXXX";
    std::vector<char> name(templ.begin(), templ.end());
    name.push_back('\0');
    if (::mkdtemp(name.data()) == nullptr) {
        std::perror("mkdtemp");
        return 1;
    }
    gDir = name.data();

    // The bytes the writer makes for the full data set, and the file to load.
    gLoadPath = PathIn("load.dat");
    if (Write(gLoadPath, FullData()) != 0) {
        std::fprintf(stderr, "cannot write %s\n", gLoadPath.c_str());
        RemoveTree(gDir);
        return 1;
    }
    gSaveBytes = ReadWhole(gLoadPath);

    std::vector<long> sizes;
    for (long s : {1L, 16L, 256L})
        if (s <= gMaxMib) sizes.push_back(s);

    using benchmark::RegisterBenchmark;
    std::vector<Pair> pairs;
    // The disk's flush times vary from run to run: the table takes the
    // median of five runs.
    for (auto *b : {RegisterBenchmark("save/WriteD99999Data", BM_Save),
                    RegisterBenchmark("save/floor_a_write", BM_SaveFloorWrite),
                    RegisterBenchmark("save/floor_b_replace", BM_SaveFloorReplace)})
        b->UseRealTime()->Unit(benchmark::kMicrosecond)->Repetitions(5)->ReportAggregatesOnly(true);
    pairs.push_back({"save/WriteD99999Data", "save/floor_b_replace", kTime, 1.5});
    pairs.push_back({"save/WriteD99999Data", "save/floor_a_write", kTime, 0});
    pairs.push_back({"save/floor_b_replace", "save/floor_a_write", kTime, 0});

    RegisterBenchmark("load/ReadD99999Data", BM_Load)->UseRealTime()->Unit(benchmark::kMicrosecond);
    RegisterBenchmark("load/floor_read", BM_LoadFloor)->UseRealTime()->Unit(benchmark::kMicrosecond);
    pairs.push_back({"load/ReadD99999Data", "load/floor_read", kTime, 1.5});

    for (long s : sizes) {
        std::string tag = std::to_string(s) + "MiB";
        RegisterBenchmark(("scan/other_" + tag).c_str(),
                          [s](benchmark::State &st) { ScanRead(st, OtherFile(s)); })
            ->UseRealTime()->Unit(benchmark::kMillisecond);
        RegisterBenchmark(("scan/other_" + tag + "_floor").c_str(),
                          [s](benchmark::State &st) { ScanFloor(st, OtherFile(s)); })
            ->UseRealTime()->Unit(benchmark::kMillisecond);
        pairs.push_back({"scan/other_" + tag, "scan/other_" + tag + "_floor", kRate, 0.5});
    }
    RegisterBenchmark("scan/ifeld_x100000", [](benchmark::State &st) { ScanRead(st, RepeatedFile()); })
        ->UseRealTime()->Unit(benchmark::kMillisecond);
    RegisterBenchmark("scan/ifeld_x100000_floor", [](benchmark::State &st) { ScanFloor(st, RepeatedFile()); })
        ->UseRealTime()->Unit(benchmark::kMillisecond);
    pairs.push_back({"scan/ifeld_x100000", "scan/ifeld_x100000_floor", kRate, 0.5});

    RegisterBenchmark("convert/FormatReal", BM_FormatReal)->Unit(benchmark::kMillisecond);
    RegisterBenchmark("convert/snprintf_f", BM_FormatFloor)->Unit(benchmark::kMillisecond);
    RegisterBenchmark("convert/ParseReal", BM_ParseReal)->Unit(benchmark::kMillisecond);
    RegisterBenchmark("convert/strtod", BM_ParseFloor)->Unit(benchmark::kMillisecond);
    pairs.push_back({"convert/FormatReal", "convert/snprintf_f", kRate, 1.0});
    pairs.push_back({"convert/ParseReal", "convert/strtod", kRate, 1.0});

    for (long s : sizes) {
        std::string tag = std::to_string(s) + "MiB";
        RegisterBenchmark(("memory/read_" + tag).c_str(),
                          [s](benchmark::State &st) { MemoryRead(st, OtherFile(s)); })
            ->Iterations(1)->UseRealTime()->Unit(benchmark::kMillisecond);
        pairs.push_back({"memory/read_" + tag, "memory/read_1MiB", kMemory, 0});
    }

    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) {
        RemoveTree(gDir);
        return 1;
    }
    Collector collector;
    benchmark::RunSpecifiedBenchmarks(&collector);
    benchmark::Shutdown();

    std::printf("\nFiles in %s on %s; large files up to %ld MiB (TOVRA_BENCH_MAX_MIB).\n", gDir.c_str(),
                FileSystemOf(gDir).c_str(), sizes.empty() ? 0 : sizes.back());
    std::printf("Save file: %zu bytes. Conversions: %zu reals, 1e-7 to 1e20, as \"%%f\" texts.\n",
                gSaveBytes.size(), kReals);
    PrintTable(collector, pairs);
    RemoveTree(gDir);
    if (collector.errors > 0) {
        std::printf("\n%d benchmark(s) failed.\n", collector.errors);
        return 1;
    }
    return 0;
}
