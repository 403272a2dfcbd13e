// Saving a file on Windows without ever leaving a damaged file.
//
// The new bytes go to a temporary file in the target's directory, which is
// flushed (FlushFileBuffers), closed and moved over the target with
// MoveFileExA(MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH). Where no
// temporary file can be made, or the target is no regular file, the target
// is written directly. A refused replace (the target held open without
// delete sharing) is reported as kSaveRetryDirect.
#include <windows.h>

#include <new>
#include <string>

#include "platform.h"

namespace tovra {

struct SaveFile {
    HANDLE handle = INVALID_HANDLE_VALUE;
    bool temporary = false;
    std::string tempPath;
    std::string targetPath;
};

namespace {

unsigned long gTempCounter = 0;

std::string DirectoryOf(const std::string &path) {
    std::string::size_type sep = path.find_last_of("\\/:");
    if (sep == std::string::npos) return ".";
    if (path[sep] == ':') return path.substr(0, sep + 1) + ".";
    if (sep == 0) return path.substr(0, 1);
    return path.substr(0, sep);
}

std::string BaseOf(const std::string &path) {
    std::string::size_type sep = path.find_last_of("\\/:");
    return sep == std::string::npos ? path : path.substr(sep + 1);
}

HANDLE CreateTemporary(const std::string &target, std::string &tempPath) {
    std::string dir = DirectoryOf(target);
    for (int attempt = 0; attempt < 100; ++attempt) {
        tempPath = dir + "\\~" + BaseOf(target) + ".tovra-" +
                   std::to_string(GetCurrentProcessId()) + "-" + std::to_string(++gTempCounter);
        HANDLE h = CreateFileA(tempPath.c_str(), GENERIC_WRITE, 0, NULL, CREATE_NEW,
                               FILE_ATTRIBUTE_NORMAL, NULL);
        if (h != INVALID_HANDLE_VALUE) return h;
        if (GetLastError() != ERROR_FILE_EXISTS) break;
    }
    return INVALID_HANDLE_VALUE;
}

SaveFile *OpenDirect(SaveFile *file, const char *path) {
    file->temporary = false;
    file->handle = CreateFileA(path, GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, NULL, CREATE_ALWAYS,
                               FILE_ATTRIBUTE_NORMAL, NULL);
    if (file->handle == INVALID_HANDLE_VALUE) {
        delete file;
        return nullptr;
    }
    return file;
}

SaveFile *Open(const char *path, bool direct) {
    SaveFile *file = new SaveFile;
    if (direct) return OpenDirect(file, path);

    file->targetPath = path;
    DWORD attributes = GetFileAttributesA(path);
    if (attributes != INVALID_FILE_ATTRIBUTES) {
        if (attributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_DEVICE))
            return OpenDirect(file, path);
        // A target that may not be written (read-only, or held open without
        // write sharing) stays as it is, as with an ordinary open. The
        // attribute is checked first: not every file system enforces it on
        // the open.
        if (attributes & FILE_ATTRIBUTE_READONLY) {
            delete file;
            return nullptr;
        }
        HANDLE probe = CreateFileA(path, GENERIC_WRITE,
                                   FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, NULL,
                                   OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, NULL);
        if (probe == INVALID_HANDLE_VALUE) {
            delete file;
            return nullptr;
        }
        DWORD type = GetFileType(probe);
        CloseHandle(probe);
        if (type != FILE_TYPE_DISK) return OpenDirect(file, path);
    } else {
        DWORD error = GetLastError();
        if (error != ERROR_FILE_NOT_FOUND) return OpenDirect(file, path);
    }

    file->handle = CreateTemporary(file->targetPath, file->tempPath);
    if (file->handle == INVALID_HANDLE_VALUE) return OpenDirect(file, path);
    file->temporary = true;
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
        DWORD chunk = size > 0x40000000u ? 0x40000000u : static_cast<DWORD>(size);
        DWORD written = 0;
        if (!WriteFile(file->handle, data, chunk, &written, NULL) || written == 0) return false;
        data += written;
        size -= written;
    }
    return true;
}

SaveResult SaveFinish(SaveFile *file) {
    SaveResult result = kSaveDone;
    bool ok = true;
    if (GetFileType(file->handle) == FILE_TYPE_DISK) ok = FlushFileBuffers(file->handle) != 0;
    ok = CloseHandle(file->handle) != 0 && ok;
    if (file->temporary) {
        if (!ok) {
            DeleteFileA(file->tempPath.c_str());
            result = kSaveFailed;
        } else if (!MoveFileExA(file->tempPath.c_str(), file->targetPath.c_str(),
                                MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
            DeleteFileA(file->tempPath.c_str());
            result = kSaveRetryDirect;
        }
    } else if (!ok) {
        result = kSaveFailed;
    }
    delete file;
    return result;
}

void SaveAbort(SaveFile *file) {
    CloseHandle(file->handle);
    if (file->temporary) DeleteFileA(file->tempPath.c_str());
    delete file;
}

}  // namespace tovra
