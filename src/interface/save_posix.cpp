// Saving a file on POSIX systems without ever leaving a damaged file.
//
// The new bytes go to a temporary file in the target's directory, created
// with the target's permission bits (or the umask's for a new file). It is
// flushed to disk and closed, then renamed over the target, and the
// directory is flushed. A symlinked target is resolved first, so the link
// stays and the file it names is replaced. Where no temporary file can be
// made, or the target is no regular file, the target is written directly.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <new>
#include <string>

#include "platform.h"

namespace tovra {

struct SaveFile {
    int fd = -1;
    bool temporary = false;
    std::string tempPath;
    std::string targetPath;
};

namespace {

unsigned long gTempCounter = 0;

std::string DirectoryOf(const std::string &path) {
    std::string::size_type slash = path.rfind('/');
    if (slash == std::string::npos) return ".";
    if (slash == 0) return "/";
    return path.substr(0, slash);
}

bool CloseChecked(int fd) {
    // After close fails with EINTR the descriptor is gone on Linux; the
    // data may not be, so it counts as an error.
    return ::close(fd) == 0;
}

void SyncDirectory(const std::string &dir) {
    int fd = ::open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return;
    // The rename has happened; a file system that cannot flush a directory
    // (EINVAL) does not make the save fail.
    (void)::fsync(fd);
    ::close(fd);
}

// Opens a new temporary file beside `target`; -1 when none can be made.
int CreateTemporary(const std::string &target, std::string &tempPath) {
    std::string dir = DirectoryOf(target);
    std::string base = target.substr(target.rfind('/') == std::string::npos ? 0 : target.rfind('/') + 1);
    for (int attempt = 0; attempt < 100; ++attempt) {
        tempPath = dir + "/." + base + ".tovra-" + std::to_string(::getpid()) + "-" +
                   std::to_string(++gTempCounter);
        int fd = ::open(tempPath.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd >= 0) return fd;
        if (errno != EEXIST) return -1;
    }
    return -1;
}

SaveFile *OpenDirect(SaveFile *file, const char *path) {
    file->temporary = false;
    file->fd = ::open(path, O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
    if (file->fd < 0) {
        delete file;
        return nullptr;
    }
    return file;
}

SaveFile *Open(const char *path, bool direct) {
    SaveFile *file = new SaveFile;
    if (direct) return OpenDirect(file, path);

    struct stat st;
    bool exists = ::lstat(path, &st) == 0;
    if (!exists) {
        if (errno != ENOENT) return OpenDirect(file, path);
        file->targetPath = path;
    } else {
        char *real = ::realpath(path, nullptr);
        if (real == nullptr) return OpenDirect(file, path);  // a dangling link, say
        file->targetPath = real;
        std::free(real);
        if (::stat(file->targetPath.c_str(), &st) != 0 || !S_ISREG(st.st_mode))
            return OpenDirect(file, path);
        // A target that may not be written stays as it is, as it would with
        // an ordinary open for writing.
        int probe = ::open(file->targetPath.c_str(), O_WRONLY | O_NONBLOCK | O_CLOEXEC);
        if (probe < 0) {
            delete file;
            return nullptr;
        }
        ::close(probe);
    }

    file->fd = CreateTemporary(file->targetPath, file->tempPath);
    if (file->fd < 0) return OpenDirect(file, path);
    file->temporary = true;
    if (exists) {
        // The replacement keeps the old file's permission bits and, where
        // allowed, its owner.
        (void)::fchmod(file->fd, st.st_mode & 07777);
        if (st.st_uid != ::geteuid() || st.st_gid != ::getegid())
            (void)::fchown(file->fd, st.st_uid, st.st_gid);
    }
    return file;
}

}  // namespace

SaveFile *SaveOpen(const char *path, bool direct) {
    try {
        return Open(path, direct);
    } catch (const std::bad_alloc &) {
        return nullptr;
    }
}

bool SaveWrite(SaveFile *file, const char *data, std::size_t size) {
    while (size > 0) {
        ssize_t n = ::write(file->fd, data, size);
        if (n < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        if (n == 0) return false;
        data += n;
        size -= static_cast<std::size_t>(n);
    }
    return true;
}

SaveResult SaveFinish(SaveFile *file) {
    SaveResult result = kSaveDone;
    if (file->temporary) {
        bool ok = ::fsync(file->fd) == 0;
        ok = CloseChecked(file->fd) && ok;
        if (!ok) {
            ::unlink(file->tempPath.c_str());
            result = kSaveFailed;
        } else if (::rename(file->tempPath.c_str(), file->targetPath.c_str()) != 0) {
            ::unlink(file->tempPath.c_str());
            result = kSaveRetryDirect;
        } else {
            SyncDirectory(DirectoryOf(file->targetPath));
        }
    } else {
        struct stat st;
        bool ok = true;
        // Only a regular file can be flushed; a device or pipe has taken
        // its bytes with the write.
        if (::fstat(file->fd, &st) == 0 && S_ISREG(st.st_mode)) ok = ::fsync(file->fd) == 0;
        ok = CloseChecked(file->fd) && ok;
        if (!ok) result = kSaveFailed;
    }
    delete file;
    return result;
}

void SaveAbort(SaveFile *file) {
    ::close(file->fd);
    if (file->temporary) ::unlink(file->tempPath.c_str());
    delete file;
}

}  // namespace tovra
