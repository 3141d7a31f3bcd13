#pragma once

#include "script/ScriptArguments.hpp"
#include "script/ScriptBinding.hpp"

#include <array>
#include <cstddef>

namespace qel {

// The methods every widget script class has. A widget script class derives from
// LuaWidget<Engine>, which holds its engine object, and makes its method list with
// widgetMethods from the methods of its own.
template <class Engine>
class LuaWidget {
public:
    int instance(lua_State* L) { return widget.pushInstance(L); }

    int setId(lua_State* L)
    {
        widget.live(L).setId(readInteger(L, 1));
        return 0;
    }

    int getId(lua_State* L) { return pushInteger(L, widget.live(L).getId()); }

protected:
    explicit LuaWidget(lua_State* L) : widget(L) {}

    EngineObject<Engine> widget;
};

// A widget script class's method list: instance, then the class's own methods in their order,
// then setId and getId, and the entry that ends the list.
template <class Wrapper, std::size_t OwnCount>
constexpr std::array<ScriptMethod<Wrapper>, OwnCount + 4> widgetMethods(const ScriptMethod<Wrapper> (&own)[OwnCount])
{
    std::array<ScriptMethod<Wrapper>, OwnCount + 4> list{};
    list[0] = {"instance", &Wrapper::instance};
    for (std::size_t i = 0; i < OwnCount; ++i)
        list[i + 1] = own[i];
    list[OwnCount + 1] = {"setId", &Wrapper::setId};
    list[OwnCount + 2] = {"getId", &Wrapper::getId};
    list[OwnCount + 3] = {nullptr, nullptr};
    return list;
}

} // namespace qel
