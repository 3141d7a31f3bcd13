#include "e2e/EngineProcess.hpp"

#include <csignal>
#include <fcntl.h>
#include <fstream>
#include <iterator>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace qel::e2e {

namespace {

std::vector<char*> argumentVector(const std::vector<std::string>& arguments)
{
    std::vector<char*> vector;
    for (const std::string& argument : arguments)
        vector.push_back(const_cast<char*>(argument.c_str()));
    vector.push_back(nullptr);
    return vector;
}

int exitStatus(int waitStatus)
{
    if (WIFSIGNALED(waitStatus))
        return 128 + WTERMSIG(waitStatus);
    return WEXITSTATUS(waitStatus);
}

std::string readFile(const std::filesystem::path& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// The child runs in the game folder with its output sent to the two files; only calls that are
// safe between fork and exec are made there.
[[noreturn]] void becomeEngine(const std::filesystem::path& folder, const std::filesystem::path& outputFile,
                               const std::filesystem::path& errorFile, const std::vector<char*>& argv)
{
    const int out = open(outputFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    const int err = open(errorFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    if (out < 0 || err < 0 || chdir(folder.c_str()) != 0 || dup2(out, STDOUT_FILENO) < 0 ||
        dup2(err, STDERR_FILENO) < 0)
        _exit(127);
    execv(argv[0], argv.data());
    _exit(127);
}

} // namespace

EngineProcess::EngineProcess(const std::string& program, const std::filesystem::path& gameFolder,
                             const std::vector<std::string>& arguments)
    : outputFile(gameFolder / "stdout.log"), errorFile(gameFolder / "stderr.log")
{
    std::vector<std::string> all{program};
    all.insert(all.end(), arguments.begin(), arguments.end());
    const std::vector<char*> argv = argumentVector(all);
    pid = fork();
    if (pid == 0)
        becomeEngine(gameFolder, outputFile, errorFile, argv);
}

EngineProcess::~EngineProcess()
{
    if (pid > 0 && running()) {
        kill(pid, SIGKILL);
        waitpid(pid, nullptr, 0);
    }
}

void EngineProcess::signal(int number) const
{
    if (!status && pid > 0)
        kill(pid, number);
}

bool EngineProcess::running()
{
    if (status || pid <= 0)
        return false;
    int waitStatus = 0;
    if (waitpid(pid, &waitStatus, WNOHANG) != pid)
        return true;
    status = exitStatus(waitStatus);
    return false;
}

std::optional<int> EngineProcess::waitForExit(std::chrono::milliseconds timeout)
{
    waitUntil([&] { return !running(); }, timeout);
    return status;
}

std::string EngineProcess::output() const
{
    return readFile(outputFile);
}

std::string EngineProcess::errors() const
{
    return readFile(errorFile);
}

ProgramResult runProgram(const std::vector<std::string>& arguments)
{
    int errorPipe[2];
    if (pipe(errorPipe) != 0)
        return {};
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, errorPipe[1], STDERR_FILENO);
    posix_spawn_file_actions_addclose(&actions, errorPipe[0]);
    const std::vector<char*> argv = argumentVector(arguments);
    pid_t child = -1;
    const int spawned = posix_spawnp(&child, argv[0], &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    close(errorPipe[1]);
    ProgramResult result;
    char chunk[256];
    for (ssize_t count; (count = read(errorPipe[0], chunk, sizeof chunk)) > 0;)
        result.errors.append(chunk, count);
    close(errorPipe[0]);
    int waitStatus = 0;
    if (spawned == 0 && waitpid(child, &waitStatus, 0) == child)
        result.status = exitStatus(waitStatus);
    return result;
}

} // namespace qel::e2e
