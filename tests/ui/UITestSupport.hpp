#pragma once

#include "app/Core.hpp"
#include "display/Renderer.hpp"
#include "ui/TextField.hpp"
#include "ui/UI.hpp"
#include "ui/Window.hpp"

#include "support/EngineFixture.hpp"
#include "support/FakeScript.hpp"

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

// A whole engine with a HandlerScript; the log starts empty after start-up.
struct UIEngine {
    UIEngine()
    {
        auto fake = std::make_unique<HandlerScript>();
        script = fake.get();
        core = buildEngine(testOptions(), std::move(fake));
        script->log.clear();
    }

    UI& ui() { return *core->getUI(); }
    ScreenBuffer& screen() { return *core->getRenderer()->getScreenBuffer(); }
    // Draws the widget tree over a cleared screen, as one frame does.
    void drawFrame(float dt = 0.016f)
    {
        screen().clear(0);
        ui().draw(dt);
    }
    int topLevelCount() { return static_cast<int>(ui().getRoot().childCount()); }

    std::unique_ptr<Core> core;
    HandlerScript* script;
};

// The characters of a rectangle of cells as a player sees them, one string per row: a cell
// without a character or with the transparent foreground reads as a space.
inline std::vector<std::string> screenText(const ScreenBuffer& screen, int x, int y, int width, int height)
{
    std::vector<std::string> rows;
    for (int row = y; row < y + height; ++row) {
        WideString line;
        for (int column = x; column < x + width; ++column) {
            const Cell& cell = screen.cellAt(column, row);
            const bool visible = cell.character != 0 && cell.foreground != Clear;
            line.push_back(visible ? static_cast<char16_t>(cell.character) : u' ');
        }
        rows.push_back(toUtf8(line));
    }
    return rows;
}

// The background colours of a rectangle of cells, one letter per cell: '.' for Clear, then
// 'a' for index 1 up to 'p' for Black (16).
inline std::vector<std::string> backgroundText(const ScreenBuffer& screen, int x, int y, int width, int height)
{
    std::vector<std::string> rows;
    for (int row = y; row < y + height; ++row) {
        std::string line;
        for (int column = x; column < x + width; ++column) {
            const uint8_t background = screen.cellAt(column, row).background;
            line.push_back(background == 0 ? '.' : static_cast<char>('a' + background - 1));
        }
        rows.push_back(line);
    }
    return rows;
}

using Rows = std::vector<std::string>;

} // namespace qel::test
