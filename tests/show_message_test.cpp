// The message on Linux: "TOVRA:" and the text on standard error; the call
// waits for Enter only where the process has a controlling terminal.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <pty.h>
#include <sys/wait.h>
#include <unistd.h>

#include <string>

#include "interface/platform.h"

namespace {

std::string ReadAvailable(int fd, int timeoutMs) {
    std::string out;
    pollfd p{fd, POLLIN, 0};
    while (::poll(&p, 1, timeoutMs) > 0) {
        char buf[256];
        ssize_t n = ::read(fd, buf, sizeof buf);
        if (n <= 0) break;
        out.append(buf, static_cast<std::size_t>(n));
        timeoutMs = 50;
    }
    return out;
}

const char kText[] = "\nAbbruch in KK=-9999 wurde MaxAnz=0 \x81" "berschritten";
const std::string kExpected = std::string("TOVRA:") + kText + "\n";

TEST(ShowMessage, WithoutTerminalGoesOnAtOnce) {
    int err[2];
    ASSERT_EQ(::pipe(err), 0);
    pid_t pid = ::fork();
    ASSERT_GE(pid, 0);
    if (pid == 0) {
        ::setsid();  // no controlling terminal
        ::dup2(err[1], STDERR_FILENO);
        tovra::ShowMessage(kText);
        ::_exit(0);
    }
    ::close(err[1]);
    std::string out = ReadAvailable(err[0], 5000);
    int status = 0;
    ASSERT_EQ(::waitpid(pid, &status, 0), pid);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    EXPECT_EQ(out, kExpected);
    ::close(err[0]);
}

TEST(ShowMessage, WithTerminalWaitsForEnter) {
    int err[2];
    ASSERT_EQ(::pipe(err), 0);
    int master = -1;
    pid_t pid = ::forkpty(&master, nullptr, nullptr, nullptr);
    ASSERT_GE(pid, 0);
    if (pid == 0) {
        ::dup2(err[1], STDERR_FILENO);
        tovra::ShowMessage(kText);
        ::_exit(0);
    }
    ::close(err[1]);
    EXPECT_EQ(ReadAvailable(err[0], 5000), kExpected);
    // Still waiting: the user has not pressed Enter.
    ::usleep(200 * 1000);
    int status = 0;
    EXPECT_EQ(::waitpid(pid, &status, WNOHANG), 0);
    ASSERT_EQ(::write(master, "ok\n", 3), 3);
    ASSERT_EQ(::waitpid(pid, &status, 0), pid);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    ::close(master);
    ::close(err[0]);
}

}  // namespace
