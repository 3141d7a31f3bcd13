#pragma once

#include "script/ScriptingInterface.hpp"

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace qel::test {

// A script host that writes each call it gets into a log, one line per call.
class FakeScript : public ScriptingInterface {
public:
    bool load(const std::string& name) override { return record("load " + name), onLoad(), true; }
    void reload() override { record("reload"); }
    void start() override { record("start"); }
    void update(float) override { record("update"); }
    void runFile(const std::string& name) override { record("runFile " + name); }
    void onGlobalKey(int code, bool pressed, bool handled, const KeyModifiers& modifiers) override
    {
        record("key " + std::to_string(code) + (pressed ? " down" : " up") + (handled ? " handled" : ""));
        keyModifiers.push_back(modifiers);
    }
    void onTextTyped(uint32_t character) override { typed.push_back(character); }
    void onMouse(const MouseFact& fact) override { mouse.push_back(fact); }
    void redraw() override { record("redraw"); }
    void quit() override { record("quit"); }
    void onFocus(bool gained) override { record(gained ? "focus gained" : "focus lost"); }
    void onPadButton(int pad, int button, bool pressed) override
    {
        record("pad " + std::to_string(pad) + " button " + std::to_string(button) + (pressed ? " down" : " up"));
    }
    void onPadConnected(int pad, bool connected) override
    {
        record("pad " + std::to_string(pad) + (connected ? " connected" : " disconnected"));
    }
    bool onWidgetClose(int, bool) override { return record("widgetClose"), false; }
    bool onWidgetKey(int, int, bool) override { return record("widgetKey"), true; }
    bool onWidgetDraw(int) override { return record("widgetDraw"), false; }
    bool onTextFieldEnter(int, const WideString&) override { return record("fieldEnter"), false; }
    void onSetVideoMode(int mode) override { record("onSetVideoMode " + std::to_string(mode)); }
    void releaseReference(int reference) override { released.push_back(reference); }

    std::vector<std::string> log;
    // Apart from the log of calls: the modifiers of each key call, the characters typed and the
    // mouse facts.
    std::vector<KeyModifiers> keyModifiers;
    std::vector<uint32_t> typed;
    std::vector<MouseFact> mouse;
    // Released handler references, apart from the log of calls.
    std::vector<int> released;
    std::function<void()> onLoad = [] {};

private:
    void record(const std::string& call) { log.push_back(call); }
};

} // namespace qel::test
