#include "app/GamePacker.hpp"

#include "base/TextFileReader.hpp"
#include "base/ZipDirectory.hpp"

#include <zip.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <optional>
#include <vector>

namespace fs = std::filesystem;

namespace qel {

namespace {

struct PackedFile {
    std::string name;
    fs::path path;
    std::uintmax_t bytes;
};

// 1 January 1980 at midnight, the earliest time a zip file can hold, for every member.
constexpr zip_uint16_t FixedDosTime = 0;
constexpr zip_uint16_t FixedDosDate = (0 << 9) | (1 << 5) | 1;
constexpr zip_uint32_t FixedMode = 0100644;
// Files already packed by their own format gain nothing from deflate, and a stored sound can be
// sought in without unpacking what comes before.
const char* const PackedFormats[] = {".ogg", ".png", ".jpg", ".jpeg", ".mp3", ".flac", ".zip", ".qel", ".gz"};

// The launch script the game runs when the command line names none: config.dat's, else main.
fs::path launchScriptOf(const fs::path& folder)
{
    std::string name = "main";
    TextFileReader config((folder / "config.dat").string(), {64 << 10, 4096});
    for (std::string line; config.nextLine(line);)
        if (line == "#script" && config.nextLine(line))
            name = line;
    return folder / "scripts" / (name + ".lua");
}

// The author's and the player's files: dot-files (an editor's, a version control's), recordings,
// and the folders of saved data, screenshots, and the game's tests (its recordings and the
// pictures they must show), which lie at the top.
bool isLeftOut(const fs::directory_entry& entry, int depth)
{
    const std::string name = entry.path().filename().string();
    std::error_code error;
    if (entry.is_directory(error))
        return name[0] == '.' || name == "saves" || name == "screenshots" || (name == "tests" && depth == 0);
    return name[0] == '.' || entry.path().extension() == ".rec";
}

bool isPackedFormat(const fs::path& path)
{
    const std::string extension = path.extension().string();
    return std::any_of(std::begin(PackedFormats), std::end(PackedFormats),
                       [&](const char* packed) { return extension == packed; });
}

// The files to pack, sorted by name, within the limits an archive is read with; nothing, and why
// in error, when the folder cannot be read or holds too much. Links are followed, and a folder
// that links to itself stops at the limit of members.
std::optional<std::vector<PackedFile>> filesOf(const fs::path& folder, const fs::path& archive, std::string& error)
{
    const ZipDirectory::Limits limits;
    std::vector<PackedFile> files;
    std::uintmax_t total = 0;
    std::size_t visited = 0;
    std::error_code fault;
    for (fs::recursive_directory_iterator entry(folder, fs::directory_options::follow_directory_symlink, fault), end;
         !fault && entry != end; entry.increment(fault)) {
        if (++visited > 2 * limits.mostMembers) {
            error = "it holds more than " + std::to_string(limits.mostMembers) + " files";
            return std::nullopt;
        }
        if (isLeftOut(*entry, entry.depth())) {
            entry.disable_recursion_pending();
            continue;
        }
        std::error_code ignored;
        if (!entry->is_regular_file(ignored) || fs::equivalent(entry->path(), archive, ignored))
            continue;
        const std::uintmax_t bytes = entry->file_size(fault);
        const std::string name = entry->path().lexically_relative(folder).generic_string();
        if (!fault && bytes > limits.mostMemberBytes) {
            error = name + " is larger than " + std::to_string(limits.mostMemberBytes) + " bytes";
            return std::nullopt;
        }
        total += bytes;
        files.push_back({name, entry->path(), bytes});
    }
    if (fault) {
        error = fault.message();
        return std::nullopt;
    }
    if (files.size() > limits.mostMembers || total > limits.mostBytes) {
        error = "it holds more than " + std::to_string(limits.mostMembers) + " files or " +
                std::to_string(limits.mostBytes) + " bytes";
        return std::nullopt;
    }
    std::sort(files.begin(), files.end(), [](const PackedFile& a, const PackedFile& b) { return a.name < b.name; });
    return files;
}

// Adds the file as a member with the fixed time and mode; false when the library refuses it.
bool addMember(zip_t* zip, const PackedFile& file)
{
    zip_source_t* source = zip_source_file(zip, file.path.c_str(), 0, -1);
    if (!source)
        return false;
    const zip_int64_t index = zip_file_add(zip, file.name.c_str(), source, ZIP_FL_ENC_UTF_8);
    if (index < 0) {
        zip_source_free(source);
        return false;
    }
    const zip_uint64_t member = static_cast<zip_uint64_t>(index);
    return zip_set_file_compression(zip, member, isPackedFormat(file.path) ? ZIP_CM_STORE : ZIP_CM_DEFLATE, 9) == 0 &&
           zip_file_set_dostime(zip, member, FixedDosTime, FixedDosDate, 0) == 0 &&
           zip_file_set_external_attributes(zip, member, 0, ZIP_OPSYS_UNIX, FixedMode << 16) == 0;
}

// Writes the archive, replacing any file there only once it is whole; gives why not, or empty.
std::string writeArchive(const std::vector<PackedFile>& files, const fs::path& archive)
{
    int openError = 0;
    zip_t* zip = zip_open(archive.c_str(), ZIP_CREATE | ZIP_TRUNCATE, &openError);
    if (!zip) {
        zip_error_t error;
        zip_error_init_with_code(&error, openError);
        const std::string why = zip_error_strerror(&error);
        zip_error_fini(&error);
        return why;
    }
    for (const PackedFile& file : files) {
        if (!addMember(zip, file)) {
            const std::string why = file.name + ": " + zip_strerror(zip);
            zip_discard(zip);
            return why;
        }
    }
    if (zip_close(zip) != 0) {
        const std::string why = zip_strerror(zip);
        zip_discard(zip);
        return why;
    }
    return "";
}

// The archive asked for, or the folder's name and ".qel" beside the folder.
fs::path archivePathFor(const fs::path& folder, const std::string& archive)
{
    if (!archive.empty())
        return archive;
    const fs::path whole = fs::weakly_canonical(fs::absolute(folder));
    return whole.parent_path() / (whole.filename().string() + ".qel");
}

int refuse(const std::string& folder, const std::string& why)
{
    std::fprintf(stderr, "qel: cannot pack \"%s\": %s\n", folder.c_str(), why.c_str());
    return 1;
}

} // namespace

int GamePacker::pack(const std::string& folder, const std::string& archive)
{
    if (folder.empty()) {
        std::fprintf(stderr, "qel: --pack needs the game folder to pack (qel --pack DIR [OUT.qel])\n");
        return 1;
    }
    std::error_code error;
    if (!fs::is_directory(folder, error))
        return refuse(folder, "it is not a folder");
    const fs::path script = launchScriptOf(folder);
    if (!fs::is_regular_file(script, error))
        return refuse(folder, "it has no launch script " + script.lexically_relative(folder).generic_string());
    const fs::path out = archivePathFor(folder, archive);
    std::string why;
    const std::optional<std::vector<PackedFile>> files = filesOf(folder, out, why);
    if (!files)
        return refuse(folder, why);
    why = writeArchive(*files, out);
    if (!why.empty())
        return refuse(folder, "the archive \"" + out.string() + "\" cannot be written: " + why);
    std::printf("%s: %zu files, %ju bytes\n", out.c_str(), files->size(), static_cast<std::uintmax_t>(fs::file_size(out, error)));
    return 0;
}

} // namespace qel
