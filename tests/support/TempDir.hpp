#pragma once

#include <filesystem>
#include <fstream>
#include <string>

namespace qel::test {

// A fresh folder under the system's temporary folder, removed with its contents at the end.
class TempDir {
public:
    TempDir()
    {
        std::string pattern = (std::filesystem::temp_directory_path() / "qel-test-XXXXXX").string();
        path = mkdtemp(pattern.data());
    }
    ~TempDir() { std::filesystem::remove_all(path); }
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    // Writes a file below the folder, making its folders as needed.
    void write(const std::string& relative, const std::string& contents) const
    {
        const std::filesystem::path file = path / relative;
        std::filesystem::create_directories(file.parent_path());
        std::ofstream(file, std::ios::binary) << contents;
    }

    // The folder as a path prefix, ending in '/'.
    std::string prefix() const { return path.string() + "/"; }

    std::filesystem::path path;
};

} // namespace qel::test
