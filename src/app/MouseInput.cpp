#include "app/MouseInput.hpp"

#include "display/Renderer.hpp"
#include "display/ScreenGeometry.hpp"

#include <SFML/Window/Window.hpp>

#include <algorithm>
#include <cmath>

namespace qel {

namespace {

constexpr float MostWheelSteps = 1000;

ShownScreen shownScreen(sf::Vector2u windowSize, const Renderer& renderer)
{
    const int columns = renderer.getVideoMode() == VideoMode::Text40x25 ? Columns40 : Columns80;
    return {static_cast<int>(windowSize.x), static_cast<int>(windowSize.y), renderer.getDisplayStyle(), columns};
}

} // namespace

std::optional<int> MouseInput::buttonNamed(const std::string& name)
{
    for (std::size_t button = 0; button < ButtonNames.size(); ++button)
        if (name == ButtonNames[button])
            return static_cast<int>(button);
    return std::nullopt;
}

bool MouseInput::isMouseEvent(const sf::Event& event)
{
    return event.type == sf::Event::MouseMoved || event.type == sf::Event::MouseLeft ||
           event.type == sf::Event::MouseButtonPressed || event.type == sf::Event::MouseButtonReleased ||
           event.type == sf::Event::MouseWheelScrolled;
}

std::optional<MouseFact> MouseInput::factOf(const sf::Event& event, const Renderer& renderer)
{
    const ShownScreen screen = shownScreen(windowSize, renderer);
    switch (event.type) {
    case sf::Event::MouseMoved:
        return moveTo(cellAtPixel(event.mouseMove.x, event.mouseMove.y, screen));
    case sf::Event::MouseLeft:
        return moveTo(std::nullopt);
    case sf::Event::MouseButtonPressed:
    case sf::Event::MouseButtonReleased: {
        const std::optional<CellPosition> cell = cellAtPixel(event.mouseButton.x, event.mouseButton.y, screen);
        // Only the buttons the MouseButton table names have a name in a recording.
        if (!cell || event.mouseButton.button < 0 || event.mouseButton.button >= sf::Mouse::ButtonCount)
            return std::nullopt;
        const bool pressed = event.type == sf::Event::MouseButtonPressed;
        return MouseFact{pressed ? MouseAction::Press : MouseAction::Release, cell, event.mouseButton.button};
    }
    case sf::Event::MouseWheelScrolled: {
        const sf::Event::MouseWheelScrollEvent& wheel = event.mouseWheelScroll;
        const std::optional<CellPosition> cell = cellAtPixel(wheel.x, wheel.y, screen);
        // The window library gives the steps as a fraction; a wheel turns in whole ones, and by
        // no more than a few at once.
        const float delta = std::isfinite(wheel.delta) ? std::clamp(wheel.delta, -MostWheelSteps, MostWheelSteps) : 0.f;
        const int steps = static_cast<int>(delta);
        if (wheel.wheel != sf::Mouse::VerticalWheel || !cell || steps == 0)
            return std::nullopt;
        return MouseFact{MouseAction::Wheel, cell, steps};
    }
    default:
        return std::nullopt;
    }
}

std::optional<MouseFact> MouseInput::moveTo(std::optional<CellPosition> cell)
{
    if (cell == pointerCell)
        return std::nullopt;
    pointerCell = cell;
    return MouseFact{MouseAction::Move, cell};
}

std::optional<CellPosition> MouseInput::cellUnderPointer(const sf::Window& window, const Renderer& renderer)
{
    const sf::Vector2i pixel = sf::Mouse::getPosition(window);
    return cellAtPixel(pixel.x, pixel.y, shownScreen(window.getSize(), renderer));
}

} // namespace qel
