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

// The first bytes of a text, at most length of them, ending before a character that would be cut.
std::string beginningOf(const std::string& text, std::size_t length)
{
    if (text.size() <= length)
        return text;
    while (length > 0 && (static_cast<unsigned char>(text[length]) & 0xC0) == 0x80)
        --length;
    return text.substr(0, length);
}

// Long lines are cut into pieces of at most columns characters, and no more than mostRows
// pieces are made.
std::vector<sf::String> wrapped(const std::vector<sf::String>& lines, std::size_t columns, std::size_t mostRows)
{
    std::vector<sf::String> rows;
    for (const sf::String& line : lines) {
        if (line.isEmpty())
            rows.emplace_back();
        for (std::size_t start = 0; start < line.getSize() && rows.size() < mostRows; start += columns)
            rows.push_back(line.substring(start, columns));
        if (rows.size() >= mostRows)
            break;
    }
    rows.resize(std::min(rows.size(), mostRows));
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
    rowColumns = 0;
    std::istringstream in(beginningOf(text, LongestShownText));
    for (std::string line; std::getline(in, line);) {
        std::replace(line.begin(), line.end(), '\t', ' ');
        lines.push_back(fromUtf8(line));
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
    const std::vector<sf::String>& rows = rowsFitting(columns, static_cast<std::size_t>(std::max(1.f, mostRows)));
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
    put(sf::String(Hint).substring(0, columns), HintColour);
}

const std::vector<sf::String>& ErrorPanel::rowsFitting(std::size_t columns, std::size_t mostRows) const
{
    if (columns != rowColumns || mostRows != rowLimit) {
        rows = wrapped(lines, columns, mostRows);
        rowColumns = columns;
        rowLimit = mostRows;
    }
    return rows;
}

} // namespace qel
