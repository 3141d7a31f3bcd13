#pragma once

#include "support/TempDir.hpp"

#include <filesystem>
#include <string>

namespace qel::test {

// A fresh game folder for an engine to run in: the test's scripts under scripts/, and a link
// to a real game's data folder (by default the bundled game's, where the tests run).
class GameFolder {
public:
    explicit GameFolder(const std::filesystem::path& data = std::filesystem::current_path() / "data")
    {
        std::filesystem::create_directories(path() / "scripts");
        std::filesystem::create_directory_symlink(data, path() / "data");
    }

    void writeScript(const std::string& name, const std::string& contents) const
    {
        folder.write("scripts/" + name, contents);
    }

    void removeScript(const std::string& name) const { std::filesystem::remove(path() / "scripts" / name); }

    const std::filesystem::path& path() const { return folder.path; }

private:
    TempDir folder;
};

// The engine reads its scripts and data relative to the working directory: this makes a
// folder the working directory while it lives.
class WorkingDirectory {
public:
    explicit WorkingDirectory(const std::filesystem::path& folder) : previous(std::filesystem::current_path())
    {
        std::filesystem::current_path(folder);
    }
    ~WorkingDirectory() { std::filesystem::current_path(previous); }
    WorkingDirectory(const WorkingDirectory&) = delete;
    WorkingDirectory& operator=(const WorkingDirectory&) = delete;

private:
    std::filesystem::path previous;
};

} // namespace qel::test
