#include "app/RunControl.hpp"
#include "script/LuaTestEngine.hpp"
#include "support/TempDir.hpp"

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

namespace test = qel::test;

namespace {

// Compares two values deeply, nan equal to nan and -0 unequal to 0; errors name the first
// difference.
const char* const SameValue = R"(
core = LuaCore(gCore)
function same(a, b, path)
  path = path or "value"
  if type(a) ~= type(b) then error(path .. ": " .. type(a) .. " ~= " .. type(b)) end
  if type(a) == "number" then
    if a ~= a and b ~= b then return end
    if a ~= b or 1 / a ~= 1 / b then error(path .. string.format(": %.17g ~= %.17g", a, b)) end
  elseif type(a) == "table" then
    for k, v in pairs(a) do same(v, b[k], path .. "[" .. tostring(k) .. "]") end
    for k in pairs(b) do if a[k] == nil then error(path .. ": extra key " .. tostring(k)) end end
  elseif a ~= b then error(path .. ": " .. tostring(a) .. " ~= " .. tostring(b)) end
end
)";

qel::LaunchOptions optionsSavingIn(const test::TempDir& folder)
{
    qel::LaunchOptions options = test::testOptions();
    options.saveDir = (folder.path / "saves").string();
    return options;
}

qel::RunControl runSavingIn(const test::TempDir& folder, std::optional<qel::Recording> replay = std::nullopt)
{
    return *qel::RunControl::open(optionsSavingIn(folder), std::move(replay));
}

} // namespace

TEST(SavedData, EveryKindOfValueComesBackExactly)
{
    test::TempDir saves;
    test::LuaTestEngine engine("", SameValue, runSavingIn(saves));
    const test::Printed printed = engine.run(R"(
      local bytes = {} for i = 0, 255 do bytes[#bytes + 1] = string.char(i) end
      local deep = {} local inner = deep for i = 1, 98 do inner.next = {} inner = inner.next end
      local value = {1 / 0, -1 / 0, 0 / 0, -0.0, 0.0, 2^53, 2^53 + 2, -2^63, 1.7976931348623157e308,
                     -1.7976931348623157e308, 5e-324, 2.2250738585072014e-308, 0.1, 1 / 3, 2^31, -2^31 - 1,
                     true, false, "", table.concat(bytes), string.rep("x", 100000),
                     [1.5] = "float key", [-0.5] = {}, [true] = "t", [false] = {[false] = false},
                     ["a\0b"] = "nul key", [2^60] = 1, deep = deep, [table.concat(bytes)] = 7}
      for _, v in ipairs({true, false, 42, -0.0, 0 / 0, "text", {}, value}) do
        assert(core.save("v", v) == true)
        same(v, core.loadSaved("v"))
      end
      assert(core.save("v", nil) == true and core.loadSaved("v") == nil)
      print("round trips done")
    )");
    EXPECT_EQ(printed.err, "");
    EXPECT_NE(printed.out.find("round trips done"), std::string::npos);
}

TEST(SavedData, WhatCannotBeSavedIsAnErrorNamingWhere)
{
    test::TempDir saves;
    test::LuaTestEngine engine("", SameValue, runSavingIn(saves));
    const test::Printed printed = engine.run(R"(
      local function why(name, value) local ok, e = pcall(core.save, name, value) print(e) end
      why("a", {player = {inventory = {"sword", "shield", print}}})
      why("a", {[print] = 1})
      local cycle = {} cycle.self = {back = cycle}
      why("a", cycle)
      why("a", coroutine.create(print))
      local deep = {} local inner = deep for i = 1, 100 do inner[1] = {} inner = inner[1] end
      why("a", deep)
      why("a", {string.rep("x", 9 * 2^20), string.rep("y", 9 * 2^20)})
      for _, name in ipairs({"", ".hidden", "../x", "a/b", string.rep("n", 65), "sp ace", "a\0b"}) do
        print(pcall(core.loadSaved, name))
      end
      print(pcall(core.save, string.rep("n", 64), 1), #core.savedNames())
    )");
    EXPECT_EQ(printed.err, "");
    for (const char* expected :
         {"LuaCore.save: value.player.inventory[3] is a function", "LuaCore.save: value has a key that is a function",
          "LuaCore.save: value.self.back is a table that holds itself (a cycle)", "LuaCore.save: value is a thread",
          "is nested more than 100 tables deep", "LuaCore.save: the value takes more than 16 MB", "true\t1"})
        EXPECT_NE(printed.out.find(expected), std::string::npos) << expected << "\n" << printed.out;
    EXPECT_EQ(std::count(printed.out.begin(), printed.out.end(), '\n'), 14) << printed.out;
    EXPECT_EQ(printed.out.find("true\t"), printed.out.rfind("true\t")) << "a bad name was taken";
    EXPECT_FALSE(std::filesystem::exists(saves.path / "x"));
}

TEST(SavedData, DamagedOrHandEditedFilesAreRefusedNeverRun)
{
    test::TempDir saves;
    test::LuaTestEngine engine("", SameValue, runSavingIn(saves));
    engine.run("core.save('good', {1, 2, {x = 'y'}}) core.save('names', 1)");
    std::ifstream in(saves.path / "saves" / "good", std::ios::binary);
    const std::string good((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    const std::string cases[] = {
        "", "return os.exit(3)", "ran = true", "qel-saved 9\n\x01", good.substr(0, good.size() - 1), good + "x",
        std::string("qel-saved 1\n\x05\xff\xff\xff\xff\xff\xff\xff\xff\x7f", 21), "qel-saved 1\n\x04\x80\x80\x80\x80\x10",
        "qel-saved 1\n\x07", "qel-saved 1\n\x05\x01\x00\x02",
        std::string("qel-saved 1\n") + std::string(200, '\x05') + std::string(200, '\x01'),
        // The same key twice (true; 0 and -0), and a key hidden behind an entry without a value.
        "qel-saved 1\n\x05\x02\x02\x01\x02\x02",
        std::string("qel-saved 1\n\x05\x02\x03\0\0\0\0\0\0\0\0\x02\x03\0\0\0\0\0\0\0\x80\x01", 34),
        std::string("qel-saved 1\n\x05\x02\x02\x00\x02\x02", 18)};
    for (const std::string& contents : cases) {
        saves.write("saves/bad", contents);
        const test::Printed printed =
            engine.run("local v, e = core.loadSaved('bad') print(v == nil, ran, (e:gsub('^.-: ', '')))");
        EXPECT_EQ(printed.err, "");
        EXPECT_EQ(printed.out.rfind("true\tnil\t", 0), 0u) << printed.out;
    }
    saves.write("saves/bad", "qel-saved 1\n\x05\x02\x04\x01k\x02\x04\x01k\x01");
    EXPECT_EQ(engine.run("print(core.loadSaved('bad'))").out,
              "nil\tsaved data \"bad\" is damaged: it holds a table with the same key twice\n");
    std::filesystem::remove(saves.path / "saves" / "bad");
    std::filesystem::create_directory(saves.path / "saves" / "bad");
    EXPECT_NE(engine.run("print(core.loadSaved('bad'))").out.find("not a regular file"), std::string::npos);
    std::filesystem::remove(saves.path / "saves" / "bad");
    EXPECT_EQ(engine.run("print(table.concat(core.savedNames(), ','))").out, "good,names\n");
}

TEST(SavedData, AReplayAnswersFromTheRecordingAndLeavesTheFolderAlone)
{
    test::TempDir saves;
    const std::string recordPath = (saves.path / "play.rec").string();
    {
        qel::LaunchOptions options = optionsSavingIn(saves);
        options.recordPath = recordPath;
        test::LuaTestEngine engine("", SameValue, *qel::RunControl::open(options, std::nullopt));
        engine.run("core.save('big', {string.rep('\\0\\255', 3000), 0 / 0}) core.save('gone', 1)");
        engine.run("big = core.loadSaved('big') print(core.loadSaved('none')) names = core.savedNames()");
        engine.core().getRunControl().finish();
    }
    std::filesystem::remove_all(saves.path / "saves");
    std::string error;
    qel::TextFileReader lines(recordPath, qel::Recording::FileLimits);
    std::optional<qel::Recording> recording = qel::Recording::read(lines, error);
    ASSERT_TRUE(recording) << error;
    test::LuaTestEngine replay("", SameValue, runSavingIn(saves, std::move(recording)));
    const test::Printed printed = replay.run(R"(
      same({string.rep('\0\255', 3000), 0 / 0}, core.loadSaved('big'))
      assert(core.loadSaved('none') == nil and core.loadSaved('big') == nil, "each load is answered once")
      assert(table.concat(core.savedNames(), ",") == "big,gone")
      assert(core.save('new', {1}) == true) same({1}, core.loadSaved('new'))
      print("replayed")
    )");
    EXPECT_EQ(printed.err, "");
    EXPECT_EQ(printed.out, "replayed\n");
    EXPECT_FALSE(std::filesystem::exists(saves.path / "saves"));
}
