// The message to the user where there is no message box: the text on
// standard error after "TOVRA:", then, only when the process has a
// controlling terminal, a wait there until the user presses Enter.
#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "platform.h"

namespace tovra {

namespace {

void WriteAll(int fd, const char *data, std::size_t size) {
    while (size > 0) {
        ssize_t n = ::write(fd, data, size);
        if (n < 0) {
            if (errno == EINTR) continue;
            return;  // nowhere left to report to
        }
        data += n;
        size -= static_cast<std::size_t>(n);
    }
}

}  // namespace

void ShowMessage(const char *text) {
    WriteAll(STDERR_FILENO, "TOVRA:", 6);
    WriteAll(STDERR_FILENO, text, std::strlen(text));
    WriteAll(STDERR_FILENO, "\n", 1);

    int tty = ::open("/dev/tty", O_RDONLY | O_NOCTTY | O_CLOEXEC);
    if (tty < 0) return;  // no terminal: nobody to wait for
    char c = 0;
    for (;;) {
        ssize_t n = ::read(tty, &c, 1);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0 || c == '\n') break;
    }
    ::close(tty);
}

}  // namespace tovra
