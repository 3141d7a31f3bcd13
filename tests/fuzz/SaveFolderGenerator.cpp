#include "fuzz/SaveFolderGenerator.hpp"

#include "base/SaveStore.hpp"
#include "fuzz/Random.hpp"
#include "script/SavedValue.hpp"

#include <lua.hpp>

#include <sys/stat.h>

#include <fstream>
#include <memory>
#include <utility>

namespace qel::fuzz {

namespace {

const std::string Header = "qel-saved 1\n";
enum Tag : char { Nil, False, True, Number, String, Table };
// A count's byte that says more bytes follow.
constexpr unsigned char MoreFollows = 0x80;

std::string count(uint64_t n)
{
    std::string bytes;
    do {
        const unsigned char low = n & 0x7F;
        n >>= 7;
        bytes.push_back(static_cast<char>(n ? low | MoreFollows : low));
    } while (n);
    return bytes;
}

class FolderWriter {
public:
    explicit FolderWriter(uint64_t seed) : random(seed ^ 0x5361766573210000ull) {}

    std::vector<PlantedSave> write()
    {
        const std::string good = savedValue();
        add(UncheckedSaveName, Header + char(True));
        add("good", good);
        add("mutated", mutated(good));
        add("cut", good.substr(0, static_cast<size_t>(random.below(static_cast<int>(good.size())))));
        add("junk", junk());
        add("source", (random.chance(50) ? Header : "") + "RAN = true; return os.exit(3)\n");
        add("long-string", Header + char(String) + count(hugeCount()) + "abc");
        add("long-table", Header + char(Table) + count(hugeCount()) + std::string(1 + random.below(8), True));
        add("deep", deep());
        add("twice", twice());
        add("overlong", Header + char(String) + std::string(10 + random.below(20), '\xff') + "\x01x");
        plant("oversized", PlantedSave::Form::Sparse, good, SaveStore::MostFileBytes + 1 + random.below(1 << 20));
        plant("folder", PlantedSave::Form::Folder);
        plant("pipe", PlantedSave::Form::Pipe);
        plant("zero", PlantedSave::Form::Link, "", 0, "/dev/zero");
        // The run's launch script: Lua source in a file outside the folder.
        plant("outside", PlantedSave::Form::Link, "", 0, "../scripts/main.lua");
        // What a killed write and a hand leave: no names, so never loaded or listed.
        add(".good.Xy12zQ.new", good.substr(0, good.size() / 2));
        add(".hidden", good);
        // Now and then the game's data is near its limit or past it, and saves are refused. The
        // fillers are too large to load, which keeps loading them quick.
        if (random.chance(25))
            for (int i = random.between(1, 15); i > 0; --i)
                plant("filler-" + std::to_string(i), PlantedSave::Form::Sparse, "", SaveStore::MostFileBytes + 1);
        return planted;
    }

private:
    void add(const std::string& name, const std::string& contents) { plant(name, PlantedSave::Form::Contents, contents); }

    void plant(const std::string& name, PlantedSave::Form form, const std::string& contents = "", uint64_t sparseSize = 0,
               const std::string& target = "")
    {
        planted.push_back({name, form, contents, sparseSize, target});
    }

    // A value the engine saves, in its own bytes.
    std::string savedValue()
    {
        const std::unique_ptr<lua_State, void (*)(lua_State*)> state(luaL_newstate(), lua_close);
        lua_State* L = state.get();
        luaL_openlibs(L);
        if (luaL_dostring(L, ("return " + valueText(0)).c_str()) != LUA_OK)
            return Header + char(True);
        return SavedValue::encode(L, -1);
    }

    std::string valueText(int depth)
    {
        static const char* const leaves[] = {"true", "false", "0", "-0.0", "1/0", "0/0", "2^53 + 2", "5e-324",
                                             "'text'", "'a\\0b'", "string.rep('x', 3000)", "''", "-1.5"};
        if (depth >= 4 || random.chance(45))
            return random.pick(leaves);
        std::string text = "{";
        for (int i = random.between(0, 6); i > 0; --i) {
            const std::string key = random.chance(50) ? "k" + std::to_string(random.below(20))
                                                      : "[" + std::string(random.pick(leaves)) + "]";
            // A nan key is no key: the chunk would fail, so it keeps to a number.
            text += (key == "[0/0]" ? "[7]" : key) + " = " + valueText(depth + 1) + ", ";
        }
        return text + "}";
    }

    std::string mutated(std::string bytes)
    {
        for (int i = random.between(1, 8); i > 0; --i)
            bytes[static_cast<size_t>(random.below(static_cast<int>(bytes.size())))] = static_cast<char>(random.next());
        return bytes;
    }

    // Bytes that are no saved value: not the header, or after it a tag of no kind.
    std::string junk()
    {
        std::string bytes = random.chance(50) ? Header + char(6 + random.below(250)) : std::string(1, 'Q');
        for (int i = random.below(2000); i > 0; --i)
            bytes.push_back(static_cast<char>(random.next()));
        return bytes;
    }

    // More than the bytes after it could ever hold, up to the largest a count can say.
    uint64_t hugeCount() { return random.chance(50) ? random.next() : (uint64_t(1) << random.between(8, 63)) + 1; }

    // Tables of one entry each, far more than 100 deep, finished or not.
    std::string deep()
    {
        const int depth = random.pick({101, 1000, 200000});
        std::string bytes = Header;
        for (int i = 0; i < depth; ++i)
            bytes += std::string{Table, 1, True};
        return random.chance(50) ? bytes + char(True) : bytes;
    }

    // A table with one key twice (0 and -0 are one key), at its top or inside a good table.
    std::string twice()
    {
        static const std::pair<std::string, std::string> sameKeys[] = {
            {"\x04\x01k", "\x04\x01k"}, {"\x02", "\x02"},
            {std::string("\x03\0\0\0\0\0\0\0\0", 9), std::string("\x03\0\0\0\0\0\0\0\x80", 9)}};
        const auto& [first, second] = random.pick(sameKeys);
        const std::string table = std::string{Table, 2} + first + char(True) + second + char(False);
        return Header + (random.chance(50) ? table : std::string{Table, 1, True} + table);
    }

    Random random;
    std::vector<PlantedSave> planted;
};

} // namespace

std::vector<PlantedSave> generateSaveFolder(uint64_t seed)
{
    return FolderWriter(seed).write();
}

bool plantSaveFolder(const std::vector<PlantedSave>& entries, const std::filesystem::path& folder)
{
    std::error_code error;
    std::filesystem::create_directories(folder, error);
    for (const PlantedSave& entry : entries) {
        const std::filesystem::path path = folder / entry.name;
        switch (entry.form) {
        case PlantedSave::Form::Contents:
        case PlantedSave::Form::Sparse:
            if (!(std::ofstream(path, std::ios::binary) << entry.contents))
                return false;
            if (entry.form == PlantedSave::Form::Sparse)
                std::filesystem::resize_file(path, entry.sparseSize, error);
            break;
        case PlantedSave::Form::Folder:
            std::filesystem::create_directory(path, error);
            break;
        case PlantedSave::Form::Pipe:
            if (mkfifo(path.c_str(), 0600) != 0)
                return false;
            break;
        case PlantedSave::Form::Link:
            std::filesystem::create_symlink(entry.target, path, error);
            break;
        }
        if (error)
            return false;
    }
    return true;
}

} // namespace qel::fuzz
