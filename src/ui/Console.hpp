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
};

// A scrolling output area outside the widget tree: it keeps its newest entries and, when
// asked, shows the bottom of their laid-out text in its screen rectangle. Only content
// changes and the script redraw it.
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

    void setActive(bool value) { active = value; }
    bool isActive() const { return active; }
    Hub* getCore() const { return core; }
    int getId() const { return id; }
    void setId(int value) { id = value; }
    const std::deque<ConsoleLine>& getLines() const { return lines; }

private:
    int layOut();
    int totalRows() const;
    void copyToScreen(ScreenBuffer& screen, int endRow) const;

    static std::size_t bytesOf(const ConsoleLine& line);
    void dropOldestLine();

    Hub* core;
    std::shared_ptr<MemoryBudget> budget;
    int id = 0;
    // Only the newest `height` entries can ever be shown, so no more are kept.
    std::deque<ConsoleLine> lines;
    int x;
    int y;
    int width;
    int height;
    ScreenBuffer buffer;
    std::size_t entryBytes = 0;
    bool active = false;
};

} // namespace qel
