#include "base/ZipDirectory.hpp"

#include "support/TempDir.hpp"
#include "support/ZipWriter.hpp"

#include <gtest/gtest.h>

#include <functional>

using namespace qel;
using qel::test::TempDir;
using qel::test::ZipEnd;
using qel::test::ZipMember;
using qel::test::zipOf;

namespace {

ZipMember member(const std::string& name, const std::string& data = "x", bool deflated = false)
{
    ZipMember made;
    made.name = name;
    made.data = data;
    made.deflated = deflated;
    return made;
}

// A member changed by the given change.
ZipMember changed(ZipMember made, const std::function<void(ZipMember&)>& change)
{
    change(made);
    return made;
}

// Limits small enough that a test archive reaches them.
ZipDirectory::Limits smallLimits()
{
    ZipDirectory::Limits limits;
    limits.mostMembers = 4;
    limits.mostBytes = 100000;
    return limits;
}

} // namespace

TEST(ZipDirectory, ListsMembersAndTheFoldersTheirNamesImply)
{
    TempDir folder;
    folder.write("game.qel", zipOf({member("scripts/main.lua", "print(1)"), member("data/", ""),
                                    member("data/sounds/long.txt", std::string(20000, 'a'), true)},
                                   ZipEnd{{}, {}, 0, "a comment"}));
    std::string error;
    const std::optional<ZipDirectory> directory = ZipDirectory::read(folder.prefix() + "game.qel", error);
    ASSERT_TRUE(directory) << error;
    EXPECT_EQ(directory->size(), 3u);
    ASSERT_TRUE(directory->find("scripts/main.lua"));
    EXPECT_EQ(directory->find("scripts/main.lua")->bytes, 8u);
    EXPECT_FALSE(directory->find("scripts/main.lua")->folder);
    EXPECT_EQ(directory->find("data/sounds/long.txt")->bytes, 20000u);
    EXPECT_LT(directory->find("data/sounds/long.txt")->packedBytes, 200u);
    for (const char* folderName : {"scripts", "data", "data/sounds"})
        EXPECT_TRUE(directory->find(folderName) && directory->find(folderName)->folder) << folderName;
    EXPECT_FALSE(directory->find("data/"));
    EXPECT_FALSE(directory->find("main.lua"));
}

// Each archive is refused with one line that says why, before anything in it is unpacked.
TEST(ZipDirectory, RefusesDamagedAndHostileArchivesWithOneReason)
{
    const std::string good = zipOf({member("scripts/main.lua", "print(1)"), member("data/a.txt", "aaaa")});
    const std::string zeros(300000, '\0');
    std::vector<ZipMember> crowd;
    for (int i = 0; i < 5; ++i)
        crowd.push_back(member("file" + std::to_string(i)));
    const struct {
        const char* what;
        std::string bytes;
        const char* reason;
    } cases[] = {
        {"no zip", "-- a script, not an archive\n", "it is not a zip archive"},
        {"empty", "", "it is not a zip archive"},
        {"cut short", good.substr(0, good.size() / 2), "it is cut short"},
        {"cut in its end record", good.substr(0, good.size() - 3), "it is cut short"},
        {"climbing out", zipOf({member("../escape.lua")}), "member \"../escape.lua\" is not named by a plain path"},
        {"climbing out inside", zipOf({member("scripts/../../x")}), "is not named by a plain path"},
        {"absolute", zipOf({member("/etc/passwd")}), "is not named by a plain path"},
        {"backslash", zipOf({member("scripts\\main.lua")}), "is not named by a plain path"},
        {"drive", zipOf({member("C:x.lua")}), "is not named by a plain path"},
        {"no name", zipOf({member("")}), "is not named by a plain path"},
        {"empty part", zipOf({member("scripts//main.lua")}), "is not named by a plain path"},
        {"line break", zipOf({member("a\nb")}), "member \"a?b\" is not named"},
        {"twice", zipOf({member("a.lua"), member("b.lua"), member("a.lua")}), "it names member \"a.lua\" twice"},
        {"file and folder", zipOf({member("data"), member("data/x.png")}), "member \"data\" is both a file and a folder"},
        {"too many", zipOf(crowd), "it holds 5 members, more than 4"},
        {"too large together",
         zipOf({member("a", std::string(60000, 'a'), true), member("b", std::string(60000, 'b'), true)}),
         "its members claim more than 100000 bytes together"},
        {"a bomb", zipOf({changed(member("bomb", zeros, true), [](ZipMember& m) { m.claimedBytes = 300u << 20; })}),
         "member \"bomb\" claims 314572800 bytes, more than 268435456"},
        {"lying ratio",
         zipOf({changed(member("bomb", "tiny", true), [](ZipMember& m) { m.claimedBytes = 90000; })}),
         "member \"bomb\" claims 90000 bytes from 6 packed ones, more than 1100 to 1"},
        {"stored yet claiming more", zipOf({changed(member("s", "abc"), [](ZipMember& m) { m.claimedBytes = 3000; })}),
         "member \"s\" is stored, yet claims 3000 bytes from 3"},
        {"encrypted", zipOf({changed(member("e"), [](ZipMember& m) { m.flags = 1; })}), "member \"e\" is encrypted"},
        {"other method", zipOf({changed(member("m"), [](ZipMember& m) { m.method = 12; })}),
         "member \"m\" is packed by method 12"},
        {"a link", zipOf({changed(member("l", "/etc/passwd"), [](ZipMember& m) { m.externalAttributes = 0120777u << 16; })}),
         "member \"l\" is a link"},
        {"disagreeing header", zipOf({changed(member("h"), [](ZipMember& m) { m.localMethod = 8; })}),
         "member \"h\" is damaged: its header does not match"},
        {"overlapping", zipOf({member("a", std::string(40000, 'z'), true), changed(member("b", std::string(40000, 'z'), true), [](ZipMember& m) {
                                   m.sharesHeaderOf = 0;
                               })}),
         "two of its members overlap"},
        {"past its data", zipOf({changed(member("p", "abc"), [](ZipMember& m) {
             m.claimedPackedBytes = 1000;
             m.claimedBytes = 1000;
         })}),
         "member \"p\" lies outside the archive's data"},
        {"split", zipOf({member("a")}, ZipEnd{{}, {}, 1, ""}), "it is split over several files"},
        {"64-bit sizes", zipOf({changed(member("big"), [](ZipMember& m) { m.claimedBytes = 0xffffffff; })}),
         "it uses 64-bit zip records"},
        {"table misplaced", zipOf({member("a")}, ZipEnd{{}, 3, 0, ""}), "its table of contents is not where its end says"},
        {"table shorter than listed", zipOf({member("a")}, ZipEnd{2, {}, 0, ""}), "its table of contents breaks off"},
    };
    TempDir folder;
    for (const auto& hostile : cases) {
        SCOPED_TRACE(hostile.what);
        folder.write("hostile.qel", hostile.bytes);
        std::string error;
        EXPECT_FALSE(ZipDirectory::read(folder.prefix() + "hostile.qel", error, smallLimits()));
        EXPECT_NE(error.find(hostile.reason), std::string::npos) << error;
        EXPECT_EQ(error.find('\n'), std::string::npos) << error;
    }
}
