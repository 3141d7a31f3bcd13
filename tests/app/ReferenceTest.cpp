// The scripting reference, docs/reference.md, against what the engine defines: every method
// each script class registers, every enumeration name with its number and every global is
// documented in the section of the reference headed by its class, table or "Globals", and every
// method the reference names exists.

#include "app/Core.hpp"
#include "app/LuaCore.hpp"
#include "app/ScriptClasses.hpp"
#include "display/LuaScreenBuffer.hpp"
#include "script/LuaUtils.hpp"
#include "sound/LuaSoundManager.hpp"
#include "support/ErrorLines.hpp"
#include "ui/LuaConsole.hpp"
#include "ui/LuaLabel.hpp"
#include "ui/LuaTextField.hpp"
#include "ui/LuaUI.hpp"
#include "ui/LuaWindow.hpp"

#include <gtest/gtest.h>
#include <lua.hpp>

#include <algorithm>
#include <fstream>
#include <map>
#include <regex>
#include <set>
#include <sstream>
#include <string>
#include <vector>

using namespace qel;
using test::contains;

namespace {

std::string readReference()
{
    std::ifstream in(QEL_DOCS_DIR "/reference.md");
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

// The text from the heading "## name" to the next heading of that level; empty without one.
std::string section(const std::string& reference, const std::string& name)
{
    const std::string heading = "\n## " + name + "\n";
    const std::size_t start = reference.find(heading);
    if (start == std::string::npos)
        return "";
    return reference.substr(start, reference.find("\n## ", start + 1) - start);
}

template <class Wrapper>
std::vector<std::string> methodNames()
{
    std::vector<std::string> names;
    for (int i = 0; Wrapper::methods[i].name; ++i)
        names.push_back(Wrapper::methods[i].name);
    if constexpr (HasClassFunctions<Wrapper>::value)
        for (int i = 0; Wrapper::classFunctions[i].name; ++i)
            names.push_back(Wrapper::classFunctions[i].name);
    return names;
}

template <class... Wrappers>
std::map<std::string, std::vector<std::string>> methodsOf()
{
    return {{Wrappers::className, methodNames<Wrappers>()}...};
}

// Every script class's methods by class name.
std::map<std::string, std::vector<std::string>> classMethods()
{
    return methodsOf<LuaCore, LuaUtils, LuaScreenBuffer, LuaUI, LuaConsole, LuaTextField, LuaWindow, LuaLabel,
                     LuaSoundManager>();
}

// The names an interpreter has as globals.
std::set<std::string> globalNames(lua_State* L)
{
    std::set<std::string> names;
    lua_pushglobaltable(L);
    for (lua_pushnil(L); lua_next(L, -2); lua_pop(L, 1))
        names.insert(lua_tostring(L, -2));
    lua_pop(L, 1);
    return names;
}

// The entries of a read-only table as scripts read them: its metatable's __index table.
std::map<std::string, lua_Integer> readOnlyEntries(lua_State* L, const std::string& table)
{
    std::map<std::string, lua_Integer> entries;
    lua_getglobal(L, table.c_str());
    lua_getmetatable(L, -1);
    lua_getfield(L, -1, "__index"); /* table, metatable, entries */
    for (lua_pushnil(L); lua_next(L, -2); lua_pop(L, 1))
        entries[lua_tostring(L, -2)] = lua_tointeger(L, -1);
    lua_pop(L, 3);
    return entries;
}

// What the engine defines in a fresh interpreter, beside Lua's own libraries.
struct ScriptContract {
    std::set<std::string> classes;
    std::map<std::string, std::map<std::string, lua_Integer>> enumerations;
    std::vector<std::string> objectGlobals;
};

ScriptContract definedContract()
{
    Core core;
    const ScriptEnvironment environment = scriptEnvironment(core);
    ScriptContract contract;
    for (const ScriptGlobal& global : environment.globals)
        contract.objectGlobals.push_back(global.name);
    contract.objectGlobals.push_back(environment.screenBuffer().name);

    lua_State* L = luaL_newstate();
    luaL_openlibs(L);
    const std::set<std::string> own = globalNames(L);
    environment.defineClasses(L);
    for (const std::string& name : globalNames(L)) {
        if (own.count(name))
            continue;
        // A script class keeps its metatable in the registry under its name.
        luaL_getmetatable(L, name.c_str());
        if (lua_istable(L, -1))
            contract.classes.insert(name);
        else
            contract.enumerations[name] = readOnlyEntries(L, name);
        lua_pop(L, 1);
    }
    lua_close(L);
    return contract;
}

} // namespace

TEST(Reference, DocumentsEveryMethodEnumerationAndGlobal)
{
    const std::string reference = readReference();
    ASSERT_FALSE(reference.empty()) << "docs/reference.md is missing";
    const auto methods = classMethods();
    const ScriptContract contract = definedContract();

    std::set<std::string> listed;
    for (const auto& [className, names] : methods) {
        listed.insert(className);
        const std::string classSection = section(reference, className);
        for (const std::string& method : names)
            EXPECT_TRUE(contains(classSection, "`" + className + "." + method + "("))
                << className << "." << method << " is not documented under its class";
    }
    EXPECT_EQ(listed, contract.classes) << "a script class the engine defines is not checked here";

    ASSERT_EQ(contract.enumerations.size(), 6u) << "Color, VideoMode, DisplayStyle, Key, MouseButton and PadAxis";
    for (const auto& [table, entries] : contract.enumerations) {
        const std::string tableSection = section(reference, table);
        for (const auto& [name, number] : entries)
            EXPECT_TRUE(contains(tableSection, "| `" + table + "." + name + "` | " + std::to_string(number) + " |"))
                << table << "." << name << " = " << number << " is not documented under its table";
    }

    const std::string globals = section(reference, "Globals");
    for (const std::string& name : contract.objectGlobals)
        EXPECT_TRUE(contains(globals, "`" + name + "`")) << name << " is not documented among the globals";
}

// A method documented but not registered, say one renamed or removed, misleads as much as one
// left out.
TEST(Reference, DocumentsNoMethodTheEngineLacks)
{
    const std::string reference = readReference();
    const auto methods = classMethods();
    const std::regex mention("`(Lua[A-Za-z]+)\\.([A-Za-z0-9_]+)\\(");
    for (std::sregex_iterator match(reference.begin(), reference.end(), mention), end; match != end; ++match) {
        const auto found = methods.find((*match)[1]);
        ASSERT_NE(found, methods.end()) << "no script class " << (*match)[1];
        const std::vector<std::string>& names = found->second;
        EXPECT_EQ(std::count(names.begin(), names.end(), (*match)[2].str()), 1)
            << (*match)[1] << " has no method " << (*match)[2];
    }
}
