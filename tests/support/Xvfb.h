#pragma once

#include <csignal>
#include <cstdlib>
#include <fcntl.h>
#include <stdexcept>
#include <string>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

namespace snipstack::x11test {

// A private Xvfb on a free display, for programs that need a real X server. Sets DISPLAY and
// QT_QPA_PLATFORM=xcb for everything created after it; stops the server when destroyed.
class Xvfb {
public:
    Xvfb() {
        int pipe[2];
        if (::pipe2(pipe, O_CLOEXEC) != 0) {
            throw std::runtime_error("pipe2 failed");
        }
        pid_ = ::fork();
        if (pid_ == 0) {
            ::prctl(PR_SET_PDEATHSIG, SIGTERM);
            ::fcntl(pipe[1], F_SETFD, 0);
            ::dup2(::open("/dev/null", O_WRONLY), STDERR_FILENO);
            const auto fd = std::to_string(pipe[1]);
            ::execlp("Xvfb", "Xvfb", "-displayfd", fd.c_str(), "-nolisten", "tcp", "-screen", "0",
                     "1280x800x24", static_cast<char*>(nullptr));
            ::_exit(127);
        }
        ::close(pipe[1]);
        // Xvfb writes the display number it chose once it accepts connections.
        std::string number;
        for (char c = 0; ::read(pipe[0], &c, 1) == 1 && c != '\n';) {
            number += c;
        }
        ::close(pipe[0]);
        if (number.empty()) {
            throw std::runtime_error("Xvfb did not start");
        }
        ::setenv("DISPLAY", (":" + number).c_str(), 1);
        ::setenv("QT_QPA_PLATFORM", "xcb", 1);
    }

    ~Xvfb() {
        ::kill(pid_, SIGTERM);
        ::waitpid(pid_, nullptr, 0);
    }

    Xvfb(Xvfb&&) = delete;

private:
    pid_t pid_ = 0;
};

} // namespace snipstack::x11test
