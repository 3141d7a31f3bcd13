#include "display/ErrorPanel.hpp"

#include <SFML/Graphics/Font.hpp>
#include <SFML/Graphics/RectangleShape.hpp>
#include <SFML/Graphics/RenderTarget.hpp>
#include <SFML/Graphics/Text.hpp>

#include <algorithm>
#include <sstream>

namespace qel {

namespace {

const sf::Color PanelColour(32, 8, 8);
const sf::Color FrameColour(224, 48, 48);
const sf::Color TitleColour(255, 208, 80);
const sf::Color TextColour(240, 240, 240);
const sf::Color HintColour(176, 176, 176);

const char* const Title = "Script error";
const char* const Hint = "Shift+R: reload the scripts   F12: hide this   all of it: standard error";

// The panel's largest share of the window's height, its margin and frame, and the text size
// for a window height (one line of text per 40 rows of pixels, within legible bounds).
constexpr float HeightShare = 0.5f;
constexpr float Margin = 12.f;
constexpr float Frame = 3.f;
unsigned textSize(float windowHeight)
{
    return static_cast<unsigned>(std::clamp(windowHeight / 40.f, 11.f, 20.f));
}

// UTF-8 bytes as the window library's text; invalid bytes are dropped by its decoder.
sf::String fromUtf8(const std::string& text)
{
    return sf::String::fromUtf8(text.begin(), text.end());
}

// Long lines are cut into pieces of at most columns characters (counted in code points).
std::vector<sf::String> wrapped(const std::vector<std::string>& lines, std::size_t columns)
{
    std::vector<sf::String> rows;
    for (const std::string& line : lines) {
        const sf::String text = fromUtf8(line);
        if (text.isEmpty())
            rows.emplace_back();
        for (std::size_t start = 0; start < text.getSize(); start += columns)
            rows.push_back(text.substring(start, columns));
    }
    return rows;
}

// The frame lies inside the box.
void drawFramedBox(sf::RenderTarget& target, sf::Vector2f corner, sf::Vector2f size)
{
    sf::RectangleShape box(size - sf::Vector2f(2 * Frame, 2 * Frame));
    box.setPosition(corner + sf::Vector2f(Frame, Frame));
    box.setFillColor(PanelColour);
    box.setOutlineColor(FrameColour);
    box.setOutlineThickness(Frame);
    target.draw(box);
}

} // namespace

void ErrorPanel::show(const std::string& text)
{
    ++revision;
    lines.clear();
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) {
        std::replace(line.begin(), line.end(), '\t', ' ');
        lines.push_back(line);
    }
    if (lines.empty())
        lines.emplace_back();
}

void ErrorPanel::hide()
{
    if (isShown())
        ++revision;
    lines.clear();
}

void ErrorPanel::draw(sf::RenderTarget& target, const sf::Font& font) const
{
    if (!isShown())
        return;
    const sf::Vector2f window(target.getView().getSize());
    const unsigned size = textSize(window.y);
    const float lineHeight = font.getLineSpacing(size);
    const float advance = font.getGlyph(U'M', size, false).advance;
    const float padding = Frame + lineHeight / 2;
    const float width = window.x - 2 * Margin;
    const auto columns = static_cast<std::size_t>(std::max(1.f, (width - 2 * padding) / advance));
    // Besides the error's rows: the title and the hint, each half a row apart from them.
    const float otherRows = 3.f;
    const float mostRows = (window.y * HeightShare - 2 * padding) / lineHeight - otherRows;
    std::vector<sf::String> rows = wrapped(lines, columns);
    rows.resize(std::min(rows.size(), static_cast<std::size_t>(std::max(1.f, mostRows))));
    const sf::Vector2f panelSize(width, 2 * padding + (static_cast<float>(rows.size()) + otherRows) * lineHeight);
    const sf::Vector2f corner(Margin, window.y - Margin - panelSize.y);

    drawFramedBox(target, corner, panelSize);

    sf::Text text("", font, size);
    float y = corner.y + padding;
    const auto put = [&](const sf::String& row, const sf::Color& colour) {
        text.setString(row);
        text.setFillColor(colour);
        text.setPosition(corner.x + padding, y);
        target.draw(text);
        y += lineHeight;
    };
    put(Title, TitleColour);
    y += lineHeight / 2;
    for (const sf::String& row : rows)
        put(row, TextColour);
    y += lineHeight / 2;
    put(wrapped({Hint}, columns).front(), HintColour);
}

} // namespace qel
