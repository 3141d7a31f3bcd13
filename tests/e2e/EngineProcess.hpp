#pragma once

#include <chrono>
#include <filesystem>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include <sys/types.h>

namespace qel::e2e {

// The built engine running as a child process in a game folder, its standard output and
// standard error going to files beside the folder's contents.
class EngineProcess {
public:
    // The arguments follow the program's own path, which the process gets as its first one.
    EngineProcess(const std::string& program, const std::filesystem::path& gameFolder,
                  const std::vector<std::string>& arguments);
    // A process still running when the test ends is killed.
    ~EngineProcess();
    EngineProcess(const EngineProcess&) = delete;
    EngineProcess& operator=(const EngineProcess&) = delete;

    // The exit status once the process has ended within the timeout; a process killed by a
    // signal reports 128 plus the signal number, as a shell does.
    std::optional<int> waitForExit(std::chrono::milliseconds timeout);
    bool running();
    // Sends the signal to the process, as kill does.
    void signal(int number) const;

    std::string output() const;
    std::string errors() const;

private:
    pid_t pid = -1;
    std::optional<int> status;
    std::filesystem::path outputFile;
    std::filesystem::path errorFile;
};

struct ProgramResult {
    // -1 when the program could not be started.
    int status = -1;
    std::string errors;
};

// Runs a helper program to its end, keeping what it writes on standard error.
ProgramResult runProgram(const std::vector<std::string>& arguments);

// Polls the condition until it holds or the timeout passes; whether it held.
template <class Condition>
bool waitUntil(Condition condition, std::chrono::milliseconds timeout)
{
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    while (!condition()) {
        if (std::chrono::steady_clock::now() >= deadline)
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return true;
}

} // namespace qel::e2e
