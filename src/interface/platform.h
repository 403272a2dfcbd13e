// What the portable core needs from the platform: the message to the user
// and the safe replacement of a file. Each platform implements these in
// its own files (*_posix.cpp, *_win32.cpp); tests link substitutes.
#ifndef TOVRA_INTERFACE_PLATFORM_H
#define TOVRA_INTERFACE_PLATFORM_H

#include <cstddef>

namespace tovra {

// Shows `text` to the user with the caption "TOVRA" and returns when the
// user has closed it (Windows: a modal MessageBoxA; Linux: standard error,
// waiting for Enter on the controlling terminal when there is one).
void ShowMessage(const char *text);

// Saving a file. SaveOpen prepares the replacement of `path`: normally a new
// temporary file beside the target, which SaveFinish flushes to disk and
// renames over the target; with `direct`, or where no temporary file can be
// made or the target is no regular file, the target itself is truncated and
// written. The first SaveOpen that fails means the file cannot be opened for
// writing; nothing has been created or changed then.
struct SaveFile;

SaveFile *SaveOpen(const char *path, bool direct);
// Writes all `size` bytes; false on any error.
bool SaveWrite(SaveFile *file, const char *data, std::size_t size);

enum SaveResult {
    kSaveDone,         // the target holds the new bytes
    kSaveFailed,       // an error; a temporary file is removed, a replaced target untouched
    kSaveRetryDirect,  // the replace was refused: the target is untouched, write it directly
};
// Flushes, closes and (when writing a temporary file) replaces the target.
// Releases `file` in every case.
SaveResult SaveFinish(SaveFile *file);
// Discards an unfinished save: closes and removes a temporary file.
// Releases `file`.
void SaveAbort(SaveFile *file);

}  // namespace tovra

#endif
