#pragma once

#include "script/ScriptArguments.hpp"
#include "script/ScriptBinding.hpp"

#include <array>
#include <cstddef>

namespace qel {

// The methods every widget script class has besides instance, for any wrapper that is the
// EngineObject of a widget or console.
template <class Wrapper>
int widgetSetId(Wrapper& widget, lua_State* L)
{
    widget.live(L).setId(readInteger(L, 1));
    return 0;
}

template <class Wrapper>
int widgetGetId(Wrapper& widget, lua_State* L)
{
    return pushInteger(L, widget.live(L).getId());
}

// A widget script class's method list: instance, then the class's own methods in their order,
// then setId and getId, and the entry that ends the list.
template <class Wrapper, std::size_t OwnCount>
constexpr std::array<ScriptMethod<Wrapper>, OwnCount + 4> widgetMethods(const ScriptMethod<Wrapper> (&own)[OwnCount])
{
    std::array<ScriptMethod<Wrapper>, OwnCount + 4> list{};
    list[0] = {"instance", &instanceMethod<Wrapper>};
    for (std::size_t i = 0; i < OwnCount; ++i)
        list[i + 1] = own[i];
    list[OwnCount + 1] = {"setId", &widgetSetId<Wrapper>};
    list[OwnCount + 2] = {"getId", &widgetGetId<Wrapper>};
    list[OwnCount + 3] = {nullptr, nullptr};
    return list;
}

} // namespace qel
