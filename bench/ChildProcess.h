// A program the benchmark starts, with some environment variables of its own, ended and waited for
// when this goes; and what /proc tells of it.
#pragma once

#include <csignal>
#include <fstream>
#include <map>
#include <spawn.h>
#include <sstream>
#include <string>
#include <string_view>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

extern char** environ;

namespace snipstack::bench {

class ChildProcess {
public:
    // `overrides` replace the variables of the same name this process has.
    ChildProcess(std::vector<std::string> arguments,
                 const std::map<std::string, std::string>& overrides = {}) {
        std::vector<std::string> environment;
        for (char** entry = environ; *entry; ++entry) {
            const std::string_view variable(*entry);
            if (!overrides.contains(std::string(variable.substr(0, variable.find('='))))) {
                environment.emplace_back(variable);
            }
        }
        for (const auto& [name, value] : overrides) {
            environment.push_back(name + "=" + value);
        }
        const auto pointers = [](std::vector<std::string>& strings) {
            std::vector<char*> all;
            for (auto& string : strings) {
                all.push_back(string.data());
            }
            all.push_back(nullptr);
            return all;
        };
        auto argumentPointers = pointers(arguments);
        auto environmentPointers = pointers(environment);
        if (posix_spawn(&pid_, arguments.front().c_str(), nullptr, nullptr, argumentPointers.data(),
                        environmentPointers.data()) != 0) {
            pid_ = 0;
        }
    }
    ~ChildProcess() { end(); }
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;

    pid_t pid() const { return pid_; }

    // Asks it to end and waits until it has.
    void end() {
        if (pid_ > 0) {
            kill(pid_, SIGTERM);
            waitpid(pid_, nullptr, 0);
            pid_ = 0;
        }
    }

    // Kilobytes resident now.
    long residentKilobytes() const {
        std::ifstream status("/proc/" + std::to_string(pid_) + "/status");
        for (std::string line; std::getline(status, line);) {
            if (line.starts_with("VmRSS:")) {
                return std::stol(line.substr(6));
            }
        }
        return 0;
    }

    // User and system time so far, in seconds.
    double processorSeconds() const {
        std::ifstream stat("/proc/" + std::to_string(pid_) + "/stat");
        std::string line;
        std::getline(stat, line);
        // The fields after the command name, which may hold spaces, start with the state (field 3).
        std::istringstream fields(line.substr(line.rfind(')') + 2));
        std::string field;
        long ticks = 0;
        for (int index = 3; fields >> field && index <= 15; ++index) {
            if (index >= 14) {
                ticks += std::stol(field);
            }
        }
        return double(ticks) / double(sysconf(_SC_CLK_TCK));
    }

private:
    pid_t pid_ = 0;
};

} // namespace snipstack::bench
