// The save under faults: every system call of the POSIX save failing in
// turn, short and interrupted writes, a file system that fills up, and
// directories and files that may not be written.
//
// The executable is linked with --wrap for open, write, fsync, close and
// rename: the __wrap_ functions below pass every call through to the real
// one unless a fault is armed for it. While a save runs they also record
// which file each call was for (the target, the temporary file beside it,
// the directory), so that a failing call can be told its expected outcome.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <linux/capability.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "support/fake_message.h"
#include "support/test_util.h"

using namespace tovra_test;

namespace {

enum Call { kOpen, kWrite, kFsync, kClose, kRename, kCallCount };
const char *const kCallNames[kCallCount] = {"open", "write", "fsync", "close", "rename"};

// What an armed call does instead of its work.
enum Mode {
    kFailEio,     // -1 with EIO (close: the descriptor is released all the same)
    kFailEnospc,  // -1 with ENOSPC
    kShort,       // write: only a part of the bytes
    kInterrupt,   // write: -1 with EINTR before any byte
};
const char *const kModeNames[] = {"EIO", "ENOSPC", "short", "EINTR"};

// The file a call was for.
enum Role { kProbe, kTemporary, kDirect, kDirectory, kOther };
const char *const kRoleNames[] = {"target probe", "temporary file", "target (direct)", "directory",
                                  "other"};

struct Event {
    Call call;
    Role role;
};

struct Seam {
    bool recording = false;
    std::string target;  // the path the save is given
    std::string dir;     // its directory
    int count[kCallCount] = {};
    std::map<int, Mode> faults[kCallCount];  // call number (from 1) -> fault
    bool allShort = false;                   // every write takes at most 1000 bytes
    std::map<int, Role> fds;
    std::vector<Event> events;
};

Seam &S() {
    static Seam seam;
    return seam;
}

Role PathRole(const char *path, int flags) {
    std::string p = path;
    if (p == S().target) return (flags & O_TRUNC) ? kDirect : kProbe;
    if (p == S().dir) return kDirectory;
    if (p.compare(0, S().dir.size() + 2, S().dir + "/.") == 0 && p.find(".tovra-") != std::string::npos)
        return kTemporary;
    return kOther;
}

Role FdRole(int fd) {
    auto it = S().fds.find(fd);
    return it == S().fds.end() ? kOther : it->second;
}

// Counts the call and returns the fault armed for it, if any.
const Mode *Hit(Call call, Role role) {
    if (!S().recording) return nullptr;
    int n = ++S().count[call];
    S().events.push_back({call, role});
    auto it = S().faults[call].find(n);
    return it == S().faults[call].end() ? nullptr : &it->second;
}

int Fail(Mode mode) {
    errno = mode == kFailEnospc ? ENOSPC : mode == kInterrupt ? EINTR : EIO;
    return -1;
}

}  // namespace

extern "C" {

int __real_open(const char *path, int flags, ...);
ssize_t __real_write(int fd, const void *data, size_t size);
int __real_fsync(int fd);
int __real_close(int fd);
int __real_rename(const char *from, const char *to);

int __wrap_open(const char *path, int flags, ...) {
    mode_t mode = 0;
    if (flags & O_CREAT) {
        va_list ap;
        va_start(ap, flags);
        mode = static_cast<mode_t>(va_arg(ap, int));
        va_end(ap);
    }
    Role role = S().recording ? PathRole(path, flags) : kOther;
    if (const Mode *m = Hit(kOpen, role)) return Fail(*m);
    int fd = __real_open(path, flags, mode);
    if (fd >= 0 && S().recording) S().fds[fd] = role;
    return fd;
}

ssize_t __wrap_write(int fd, const void *data, size_t size) {
    const Mode *m = Hit(kWrite, S().recording ? FdRole(fd) : kOther);
    if (m && *m == kShort && size > 1) return __real_write(fd, data, size / 2);
    if (m && *m != kShort) return Fail(*m);
    if (S().recording && S().allShort && size > 1000) size = 1000;
    return __real_write(fd, data, size);
}

int __wrap_fsync(int fd) {
    if (const Mode *m = Hit(kFsync, S().recording ? FdRole(fd) : kOther)) return Fail(*m);
    return __real_fsync(fd);
}

int __wrap_close(int fd) {
    const Mode *m = Hit(kClose, S().recording ? FdRole(fd) : kOther);
    if (S().recording) S().fds.erase(fd);
    int r = __real_close(fd);
    // Linux releases the descriptor even when close reports an error.
    if (m) return Fail(*m);
    return r;
}

int __wrap_rename(const char *from, const char *to) {
    if (const Mode *m = Hit(kRename, kOther)) return Fail(*m);
    return __real_rename(from, to);
}

}  // extern "C"

namespace {

// A data set of about 60 KiB (every real with 301 integer digits), so the
// writer hands its 8 KiB buffer to several write calls.
Data BigData() {
    Data d = EmptyData();
    SetText(d.KTEIL, "big");
    for (int i = 0; i < 5; ++i) d.IFELD[i] = i;
    for (double &v : d.DFELD) v = 1e300;
    for (int i = 0; i < 10; ++i) SetText(d.CFELD[i], "text " + std::to_string(i));
    for (double &v : d.PFELD) v = -1e300;
    return d;
}

Data SmallData() {
    Data d = EmptyData();
    SetText(d.KTEIL, "old");
    d.IFELD[0] = 1;
    d.IFELD[1] = -9998;
    return d;
}

// The save of `data` to `path` under the armed faults; records the calls.
int SaveUnderFaults(const std::string &path, const Data &data) {
    Seam &s = S();
    s.target = path;
    s.dir = path.substr(0, path.rfind('/'));
    for (int &c : s.count) c = 0;
    s.fds.clear();
    s.events.clear();
    ClearMessages();
    s.recording = true;
    int result = Write(path, data);
    s.recording = false;
    return result;
}

void Disarm() {
    for (auto &f : S().faults) f.clear();
    S().allShort = false;
}

// What a save leaves.
enum Outcome {
    kReplaced,      // 0, no message, the target holds the new file
    kKeptOld,       // 1, "nicht schreiben", the target as before (or absent)
    kOpenFailed,    // 1, "nicht oeffnen", the target as before (or absent)
    kDirectFailed,  // 1, "nicht schreiben", the target written in place, new bytes in part or in full
};
const char *const kOutcomeNames[] = {"replaced", "kept old", "open failed", "direct write failed"};

// Checks the result, the message and what is on disk.
void ExpectOutcome(Outcome expect, int result, const std::string &path, bool hadOld,
                   const std::string &oldBytes, const std::string &newBytes,
                   const std::vector<std::string> &others = {}) {
    std::string dir = path.substr(0, path.rfind('/'));
    std::string base = path.substr(path.rfind('/') + 1);
    std::vector<std::string> names = ListDirectory(dir);
    std::vector<std::string> want = others;
    if (expect != kKeptOld && expect != kOpenFailed) want.push_back(base);
    if ((expect == kKeptOld || expect == kOpenFailed) && hadOld) want.push_back(base);
    std::sort(names.begin(), names.end());
    std::sort(want.begin(), want.end());
    EXPECT_EQ(names, want) << "no temporary file is left";

    switch (expect) {
        case kReplaced:
            EXPECT_EQ(result, 0);
            EXPECT_TRUE(Messages().empty());
            EXPECT_TRUE(FileExists(path) && ReadFile(path) == newBytes) << "the new file, complete";
            break;
        case kKeptOld:
        case kOpenFailed:
            EXPECT_EQ(result, 1);
            ASSERT_EQ(Messages().size(), 1u);
            EXPECT_EQ(Messages()[0], expect == kKeptOld ? WriteFailMessage(path) : OpenWriteMessage(path));
            if (hadOld) {
                EXPECT_TRUE(FileExists(path) && ReadFile(path) == oldBytes) << "the previous file, intact";
            }
            break;
        case kDirectFailed: {
            EXPECT_EQ(result, 1);
            ASSERT_EQ(Messages().size(), 1u);
            EXPECT_EQ(Messages()[0], WriteFailMessage(path));
            std::string got = FileExists(path) ? ReadFile(path) : "(missing)";
            EXPECT_EQ(newBytes.compare(0, got.size(), got), 0) << "a part of the new file";
            break;
        }
    }
}

// The outcome when the given call of a save fails (Mode kFail*): the
// errors before the rename leave the target as it was, the rename falls
// back to writing the target directly, and what fails after the rename
// (flushing the directory) or on a descriptor whose close is not part of
// the save (the probe) does not matter.
Outcome FailureOutcome(Call call, Role role) {
    switch (call) {
        case kOpen:
            if (role == kProbe || role == kDirect) return kOpenFailed;
            return kReplaced;  // no temporary file: written directly; no directory flush
        case kWrite:
        case kFsync:
        case kClose:
            if (role == kTemporary) return kKeptOld;
            if (role == kDirect) return kDirectFailed;
            return kReplaced;
        case kRename:
            return kReplaced;
        default:
            return kReplaced;
    }
}

// Prints the outcome table when TOVRA_FAULT_TABLE is set.
void TableRow(const std::string &scenario, const std::string &fault, Outcome outcome, int result) {
    if (std::getenv("TOVRA_FAULT_TABLE") == nullptr) return;
    std::printf("| %s | %s | %d | %s |\n", scenario.c_str(), fault.c_str(), result, kOutcomeNames[outcome]);
}

class FaultTest : public ::testing::Test {
protected:
    void SetUp() override {
        ClearMessages();
        Disarm();
        // The reference bytes of the new file, written without faults.
        std::string ref = dir.file("reference");
        ASSERT_EQ(Write(ref, BigData()), 0);
        newBytes = ReadFile(ref);
        ASSERT_EQ(::unlink(ref.c_str()), 0);
        ASSERT_EQ(Write(dir.file("old"), SmallData()), 0);
        oldBytes = ReadFile(dir.file("old"));
        ASSERT_EQ(::unlink(dir.file("old").c_str()), 0);
    }
    void TearDown() override { Disarm(); }

    // A fresh directory holding the previous file, or none.
    std::string Prepare(const TempDir &where, bool withOld) {
        std::string path = where.file("data.dat");
        ::unlink(path.c_str());
        if (withOld) WriteFile(path, oldBytes);
        return path;
    }

    TempDir dir;
    std::string oldBytes, newBytes;
};

// Fails each call of the save in turn, for every call of every kind: once
// with a previous file (which is probed, then replaced) and once without.
TEST_F(FaultTest, EveryCallFailsInTurn) {
    for (bool withOld : {true, false}) {
        std::string scenario = withOld ? "target exists" : "new target";
        TempDir where;
        std::string path = Prepare(where, withOld);
        ASSERT_EQ(SaveUnderFaults(path, BigData()), 0);
        const std::vector<Event> calls = S().events;
        int counts[kCallCount] = {};
        for (const Event &e : calls) ++counts[e.call];
        // The seam sees the save: a temporary file, several writes, a flush,
        // one rename.
        ASSERT_GE(counts[kWrite], 5) << "the data set must need several writes";
        ASSERT_GE(counts[kOpen], withOld ? 3 : 2);
        ASSERT_EQ(counts[kRename], 1);
        ASSERT_GE(counts[kFsync], 1);

        int seen[kCallCount] = {};
        for (const Event &e : calls) {
            int n = ++seen[e.call];
            for (Mode mode : {kFailEio, kFailEnospc}) {
                std::string fault = std::string(kCallNames[e.call]) + " #" + std::to_string(n) + " (" +
                                    kRoleNames[e.role] + ") " + kModeNames[mode];
                SCOPED_TRACE(scenario + ": " + fault);
                path = Prepare(where, withOld);
                Disarm();
                S().faults[e.call][n] = mode;
                int result = SaveUnderFaults(path, BigData());
                Outcome expect = FailureOutcome(e.call, e.role);
                ExpectOutcome(expect, result, path, withOld, oldBytes, newBytes);
                if (mode == kFailEio) TableRow(scenario, fault, expect, result);
            }
        }
    }
}

// After a refused rename the target is written directly; each call of that
// second write fails in turn. Then the previous file is lost (the target
// has been cut) unless the open fails, and the error is reported.
TEST_F(FaultTest, DirectWriteAfterARefusedRenameFailsInTurn) {
    TempDir where;
    std::string path = Prepare(where, true);
    S().faults[kRename][1] = kFailEio;
    ASSERT_EQ(SaveUnderFaults(path, BigData()), 0);
    const std::vector<Event> calls = S().events;
    ExpectOutcome(kReplaced, 0, path, true, oldBytes, newBytes);

    int seen[kCallCount] = {};
    bool direct = false;
    for (const Event &e : calls) {
        int n = ++seen[e.call];
        if (e.call == kRename) direct = true;
        if (!direct || e.call == kRename) continue;
        std::string fault = "rename #1 EIO, then " + std::string(kCallNames[e.call]) + " #" +
                            std::to_string(n) + " (" + kRoleNames[e.role] + ") EIO";
        SCOPED_TRACE(fault);
        path = Prepare(where, true);
        Disarm();
        S().faults[kRename][1] = kFailEio;
        S().faults[e.call][n] = kFailEio;
        int result = SaveUnderFaults(path, BigData());
        Outcome expect = FailureOutcome(e.call, e.role);
        ExpectOutcome(expect, result, path, true, oldBytes, newBytes);
        TableRow("target exists", fault, expect, result);
    }
}

// Writes that take only a part of their bytes, or are interrupted before
// any, are continued: the save completes.
TEST_F(FaultTest, ShortAndInterruptedWritesAreContinued) {
    TempDir where;
    std::string path = Prepare(where, true);
    ASSERT_EQ(SaveUnderFaults(path, BigData()), 0);
    int writes = S().count[kWrite];
    for (Mode mode : {kShort, kInterrupt}) {
        for (int n = 1; n <= writes; ++n) {
            std::string fault = "write #" + std::to_string(n) + " " + kModeNames[mode];
            SCOPED_TRACE(fault);
            path = Prepare(where, true);
            Disarm();
            S().faults[kWrite][n] = mode;
            int result = SaveUnderFaults(path, BigData());
            ExpectOutcome(kReplaced, result, path, true, oldBytes, newBytes);
            TableRow("target exists", fault, kReplaced, result);
        }
    }
    path = Prepare(where, true);
    Disarm();
    S().allShort = true;  // every write takes at most 1000 bytes
    S().faults[kWrite][3] = kShort;
    int result = SaveUnderFaults(path, BigData());
    EXPECT_GT(S().count[kWrite], writes);
    ExpectOutcome(kReplaced, result, path, true, oldBytes, newBytes);
    TableRow("target exists", "every write at most 1000 bytes", kReplaced, result);
}

// A small tmpfs mounted in a temporary directory (root only).
class Mount {
public:
    explicit Mount(const std::string &where, const char *options) : path_(where) {
        ::mkdir(path_.c_str(), 0755);
        ok_ = ::mount("tovra-test", path_.c_str(), "tmpfs", 0, options) == 0;
        error_ = errno;
    }
    ~Mount() {
        if (ok_) ::umount2(path_.c_str(), MNT_DETACH);
    }
    Mount(const Mount &) = delete;
    Mount &operator=(const Mount &) = delete;
    bool ok() const { return ok_; }
    std::string why() const { return std::strerror(error_); }
    bool ReadOnly() { return ::mount("tovra-test", path_.c_str(), "tmpfs", MS_REMOUNT | MS_RDONLY, "") == 0; }
    std::string file(const std::string &name) const { return path_ + "/" + name; }

private:
    std::string path_;
    bool ok_ = false;
    int error_ = 0;
};

// Fills the file system of `path` with a file until `leave` bytes (rounded
// to pages) are left.
void Fill(const std::string &path, std::size_t leave) {
    int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    ASSERT_GE(fd, 0);
    std::string block(4096, 'f');
    while (::write(fd, block.data(), block.size()) == static_cast<ssize_t>(block.size())) {
    }
    ASSERT_EQ(::close(fd), 0);
    struct stat st;
    ASSERT_EQ(::stat(path.c_str(), &st), 0);
    std::size_t size = static_cast<std::size_t>(st.st_size);
    ASSERT_EQ(::truncate(path.c_str(), static_cast<off_t>(size > leave ? size - leave : 0)), 0);
}

// A file system that fills up while the new file is written.
TEST_F(FaultTest, FileSystemFillsUp) {
    if (::geteuid() != 0) GTEST_SKIP() << "mounting a small tmpfs needs root";
    struct Case {
        const char *name;
        std::size_t leave;  // bytes left free
    } cases[] = {{"no room at all", 0}, {"room for a third of the file", 20 * 1024}};
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        Mount fs(dir.file("mnt"), "size=64k");
        if (!fs.ok()) GTEST_SKIP() << "cannot mount a tmpfs (" << fs.why() << "): no CAP_SYS_ADMIN?";
        std::string path = fs.file("data.dat");
        WriteFile(path, oldBytes);
        ASSERT_NO_FATAL_FAILURE(Fill(fs.file("filler"), c.leave));
        ClearMessages();
        int result = Write(path, BigData());
        ExpectOutcome(kKeptOld, result, path, true, oldBytes, newBytes, {"filler"});
        TableRow("64 KiB tmpfs, " + std::string(c.name), "ENOSPC from the file system", kKeptOld, result);

        // Once there is room again the save succeeds.
        ASSERT_EQ(::unlink(fs.file("filler").c_str()), 0);
        ClearMessages();
        result = Write(path, BigData());
        ExpectOutcome(kReplaced, result, path, true, oldBytes, newBytes);
    }
}

// A read-only file system: the target cannot be opened for writing.
TEST_F(FaultTest, ReadOnlyFileSystem) {
    if (::geteuid() != 0) GTEST_SKIP() << "mounting a tmpfs needs root";
    Mount fs(dir.file("mnt"), "size=64k");
    if (!fs.ok()) GTEST_SKIP() << "cannot mount a tmpfs (" << fs.why() << "): no CAP_SYS_ADMIN?";
    std::string path = fs.file("data.dat");
    WriteFile(path, oldBytes);
    if (!fs.ReadOnly()) GTEST_SKIP() << "cannot remount the tmpfs read-only";
    ClearMessages();
    int result = Write(path, BigData());
    ExpectOutcome(kOpenFailed, result, path, true, oldBytes, newBytes);
    TableRow("read-only tmpfs", "open: EROFS", kOpenFailed, result);
}

// Root without the capabilities that pass over permission bits, for as
// long as it lives; with them again afterwards. Does nothing for other
// users, to whom the bits apply anyway.
class WithoutDacOverride {
public:
    WithoutDacOverride() {
        if (::geteuid() != 0) return;
        header_.version = _LINUX_CAPABILITY_VERSION_3;
        header_.pid = 0;
        if (::syscall(SYS_capget, &header_, saved_) != 0) return;
        __user_cap_data_struct reduced[2];
        std::memcpy(reduced, saved_, sizeof reduced);
        for (int cap : {CAP_DAC_OVERRIDE, CAP_DAC_READ_SEARCH, CAP_FOWNER})
            reduced[cap / 32].effective &= ~(1u << (cap % 32));
        dropped_ = ::syscall(SYS_capset, &header_, reduced) == 0;
        ok_ = dropped_;
    }
    ~WithoutDacOverride() {
        if (dropped_) ::syscall(SYS_capset, &header_, saved_);
    }
    WithoutDacOverride(const WithoutDacOverride &) = delete;
    WithoutDacOverride &operator=(const WithoutDacOverride &) = delete;
    // False when root could not drop them.
    bool ok() const { return ok_ || ::geteuid() != 0; }

private:
    __user_cap_header_struct header_{};
    __user_cap_data_struct saved_[2]{};
    bool dropped_ = false;
    bool ok_ = false;
};

// Permission bits of the directory and of the target. The bits bind an
// ordinary user (and root without its override capabilities, which is how
// these cases run as root); root with them writes as an ordinary open would.
TEST_F(FaultTest, PermissionBits) {
    struct Case {
        const char *name;
        mode_t dirMode;
        mode_t fileMode;
        bool privileged;  // root with every capability
        Outcome expect;
    } cases[] = {
        // No temporary file can be made: the target is written directly.
        {"directory 0555, target 0644", 0555, 0644, false, kReplaced},
        {"target 0444", 0755, 0444, false, kOpenFailed},
        {"directory 0555, target 0444", 0555, 0444, false, kOpenFailed},
        {"directory 0555, target 0644, as root", 0555, 0644, true, kReplaced},
        {"target 0444, as root", 0755, 0444, true, kReplaced},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        if (c.privileged && ::geteuid() != 0) continue;  // root's case only
        TempDir where;
        std::string path = Prepare(where, true);
        ASSERT_EQ(::chmod(path.c_str(), c.fileMode), 0);
        ASSERT_EQ(::chmod(where.path().c_str(), c.dirMode), 0);
        int result;
        {
            std::optional<WithoutDacOverride> guard;
            if (!c.privileged) guard.emplace();
            if (guard && !guard->ok()) {
                ::chmod(where.path().c_str(), 0755);
                GTEST_SKIP() << "root cannot drop CAP_DAC_OVERRIDE here";
            }
            ClearMessages();
            result = Write(path, BigData());
        }
        ASSERT_EQ(::chmod(where.path().c_str(), 0755), 0);
        ExpectOutcome(c.expect, result, path, true, oldBytes, newBytes);
        struct stat st;
        ASSERT_EQ(::stat(path.c_str(), &st), 0);
        EXPECT_EQ(st.st_mode & 07777, c.fileMode) << "the permission bits stay";
        TableRow(c.name, c.privileged ? "(root)" : "(ordinary user)", c.expect, result);
    }
}

}  // namespace
