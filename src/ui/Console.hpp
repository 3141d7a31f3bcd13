#pragma once

#include "display/ScreenBuffer.hpp"

#include <cstddef>
#include <cstdint>
#include <deque>
#include <memory>

namespace qel {

class Hub;
class MemoryBudget;

struct ConsoleLine {
    WideString text;
    uint8_t color = White;
    bool appendEmptyLine = false;
    // The rows it takes when laid out at the console's width, its empty row included.
    int rows = 1;
};

// A scrolling output area outside the widget tree: it keeps its newest entries and, when
// asked, shows the bottom of their laid-out text in its screen rectangle, or a page further
// back while the player scrolls. Only content changes, scrolling and the script redraw it.
//
// Consoles draw their memory from one budget: the maker takes a console's fixed share
// (bytesFor) before making it, each entry takes its own as it comes, and the console gives all
// of it back when it ends.
class Console {
public:
    Console(Hub* core, std::shared_ptr<MemoryBudget> budget, int x, int y, int width, int height);
    virtual ~Console();

    // The memory of a console of this size, entries aside.
    static std::size_t bytesFor(int width, int height);

    // False, storing nothing, when the entry does not fit in the budget.
    bool insert(const WideString& text, uint8_t color, bool appendEmptyLine);
    bool insertEmptyLine();
    void clear();
    void display();

    // Keeps the newest `count` entries (at least one), dropping older ones now and later.
    void setMaxEntries(std::size_t count);
    static constexpr std::size_t DefaultMaxEntries = 1000;
    // Move the view one console height towards the oldest or the newest rows, and display.
    // Nothing moves past either end; a new entry or a clear goes back to the newest rows.
    void scrollBack();
    void scrollForward();

    void setActive(bool value) { active = value; }
    bool isActive() const { return active; }
    Hub* getCore() const { return core; }
    int getId() const { return id; }
    void setId(int value) { id = value; }
    const std::deque<ConsoleLine>& getLines() const { return lines; }

private:
    void scrollBy(int64_t rows);
    int64_t furthestBack() const;
    void layOut(int64_t top);
    void copyToScreen(ScreenBuffer& screen) const;

    static std::size_t bytesOf(const ConsoleLine& line);
    void dropOldestLine();

    Hub* core;
    std::shared_ptr<MemoryBudget> budget;
    int id = 0;
    std::deque<ConsoleLine> lines;
    std::size_t maxEntries = DefaultMaxEntries;
    // The rows of all entries together, and how far above the newest the view ends.
    int64_t totalRows = 0;
    int64_t scrolledBack = 0;
    int x;
    int y;
    int width;
    int height;
    ScreenBuffer buffer;
    std::size_t entryBytes = 0;
    bool active = false;
};

} // namespace qel
