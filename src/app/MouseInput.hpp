#pragma once

#include "display/CellAtPixel.hpp"
#include "script/MouseFact.hpp"

#include <SFML/Window/Event.hpp>
#include <SFML/Window/Mouse.hpp>

#include <array>
#include <optional>
#include <string>

namespace sf {
class Window;
}

namespace qel {

class Renderer;

// The mouse over the window, told in the screen's cells: turns the window's pointer events into
// mouse facts through the picture the renderer shows, and finds the cell under the pointer now.
// A press, release or wheel turn outside the screen area tells nothing; a move tells something
// only when the pointer enters another cell, or leaves the screen area or the window.
class MouseInput {
public:
    // The buttons under the names scripts and recordings use, in the window library's numbering.
    static constexpr std::array<const char*, sf::Mouse::ButtonCount> ButtonNames = {"Left", "Right", "Middle",
                                                                                    "XButton1", "XButton2"};
    static std::optional<int> buttonNamed(const std::string& name);
    // Whether the window event is one of the pointer's, which factOf turns into facts.
    static bool isMouseEvent(const sf::Event& event);

    // The window was made or resized: the events after this one give pixels of a window of that size.
    void windowSized(sf::Vector2u size) { windowSize = size; }
    // The fact the window event tells, or nothing.
    std::optional<MouseFact> factOf(const sf::Event& event, const Renderer& renderer);
    // The cell under the pointer now, or nothing outside the screen area or the window.
    static std::optional<CellPosition> cellUnderPointer(const sf::Window& window, const Renderer& renderer);

private:
    std::optional<MouseFact> moveTo(std::optional<CellPosition> cell);

    sf::Vector2u windowSize;
    std::optional<CellPosition> pointerCell;
};

} // namespace qel
