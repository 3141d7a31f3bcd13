#include "display/StatsOverlay.hpp"

#include <SFML/Graphics/Font.hpp>
#include <SFML/Graphics/RenderTarget.hpp>

namespace qel {

namespace {

constexpr unsigned TextSize = 14;
constexpr float Margin = 8.f;
constexpr float Padding = 6.f;
const sf::Color BoxColour(0, 0, 0, 200);
const sf::Color TextColour(160, 255, 160);

} // namespace

StatsOverlay::StatsOverlay(const sf::Font& font) : text("", font, TextSize)
{
    text.setFillColor(TextColour);
    box.setFillColor(BoxColour);
}

void StatsOverlay::show(bool on)
{
    if (on != shown)
        ++revision;
    shown = on;
}

void StatsOverlay::setText(const std::string& lines)
{
    text.setString(lines);
    const sf::FloatRect bounds = text.getLocalBounds();
    box.setSize({bounds.left + bounds.width + 2 * Padding, bounds.top + bounds.height + 2 * Padding});
    if (shown)
        ++revision;
}

// Placed by a transform, so that a frame neither copies nor lays out the text.
void StatsOverlay::draw(sf::RenderTarget& target) const
{
    if (!shown)
        return;
    sf::RenderStates states;
    states.transform.translate(target.getView().getSize().x - Margin - box.getSize().x, Margin);
    target.draw(box, states);
    states.transform.translate(Padding, Padding);
    target.draw(text, states);
}

} // namespace qel
