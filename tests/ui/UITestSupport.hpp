#pragma once

#include "app/Core.hpp"
#include "base/Hub.hpp"
#include "display/Renderer.hpp"
#include "ui/TextField.hpp"
#include "ui/UI.hpp"
#include "ui/Window.hpp"

#include "support/EngineFixture.hpp"
#include "support/FakeScript.hpp"
#include "support/ScreenText.hpp"

#include <functional>
#include <string>
#include <vector>

namespace qel::test {

// A recording script host whose widget handlers are C++ functions. A handler reference is an
// index into the host's list of that kind, as a registry reference is for the real host.
class HandlerScript : public FakeScript {
public:
    int addCloseHandler(std::function<void(bool)> handler) { return add(closeHandlers, handler); }
    int addKeyHandler(std::function<bool(int, bool)> handler) { return add(keyHandlers, handler); }
    int addDrawHandler(std::function<void()> handler) { return add(drawHandlers, handler); }
    int addEnterHandler(std::function<void(const WideString&)> handler) { return add(enterHandlers, handler); }

    bool onWidgetClose(int reference, bool escape) override
    {
        if (reference == NoReference)
            return false;
        log.push_back(escape ? "close escape" : "close");
        closeHandlers[reference](escape);
        return true;
    }

    bool onWidgetKey(int reference, int code, bool pressed) override
    {
        if (reference == NoReference)
            return true;
        log.push_back("widgetKey " + std::to_string(code) + (pressed ? " down" : " up"));
        return keyHandlers[reference](code, pressed);
    }

    bool onWidgetDraw(int reference) override
    {
        if (reference == NoReference)
            return false;
        drawHandlers[reference]();
        return true;
    }

    bool onTextFieldEnter(int reference, const WideString& text) override
    {
        if (reference == NoReference)
            return false;
        log.push_back("enter " + toUtf8(text));
        enterHandlers[reference](text);
        return true;
    }

private:
    template <typename Handler>
    static int add(std::vector<Handler>& handlers, const Handler& handler)
    {
        handlers.push_back(handler);
        return static_cast<int>(handlers.size()) - 1;
    }

    std::vector<std::function<void(bool)>> closeHandlers;
    std::vector<std::function<bool(int, bool)>> keyHandlers;
    std::vector<std::function<void()>> drawHandlers;
    std::vector<std::function<void(const WideString&)>> enterHandlers;
};

// The user interface with a HandlerScript and no window: the application around them is a
// screen buffer whose repaint is the script's redraw. For testing what routes input to the UI.
struct UIHub : Hub {
    sf::RenderWindow* getWindow() override { return nullptr; }
    UI* getUI() override { return &ui; }
    ScriptingInterface* getScript() override { return &script; }
    ScreenBuffer* getScreenBuffer() override { return &screen; }
    void redraw() override
    {
        screen.clear(0);
        script.redraw();
    }
    void announce(const std::string&) override {}
    int topLevelCount() const { return static_cast<int>(ui.getRoot().childCount()); }

    ScreenBuffer screen{this, 80, 25};
    HandlerScript script;
    UI ui{this};
};

// A whole engine with a HandlerScript; the log starts empty after start-up.
struct UIEngine : RecordingEngine<HandlerScript> {
    UI& ui() { return *core->getUI(); }
    ScreenBuffer& screen() { return *core->getRenderer()->getScreenBuffer(); }
    // Draws the widget tree over a cleared screen, as one frame does.
    void drawFrame(float dt = 0.016f)
    {
        screen().clear(0);
        ui().draw(dt);
    }
    int topLevelCount() { return static_cast<int>(ui().getRoot().childCount()); }
};

} // namespace qel::test
