#pragma once

#include "display/ScreenBuffer.hpp"

#include <cstdint>
#include <deque>

namespace qel {

class Hub;

struct ConsoleLine {
    WideString text;
    uint8_t color = White;
    bool appendEmptyLine = false;
};

// A scrolling output area outside the widget tree: it keeps its newest entries and, when
// asked, shows the bottom of their laid-out text in its screen rectangle. Only content
// changes and the script redraw it.
class Console {
public:
    Console(Hub* core, int x, int y, int width, int height);
    virtual ~Console();

    void insert(const WideString& text, uint8_t color, bool appendEmptyLine);
    void insertEmptyLine();
    void clear();
    void display();

    void setActive(bool value) { active = value; }
    bool isActive() const { return active; }
    int getId() const { return id; }
    void setId(int value) { id = value; }
    const std::deque<ConsoleLine>& getLines() const { return lines; }

private:
    int layOut();
    int totalRows() const;
    void copyToScreen(ScreenBuffer& screen, int endRow) const;

    Hub* core;
    int id = 0;
    // Only the newest `height` entries can ever be shown, so no more are kept.
    std::deque<ConsoleLine> lines;
    int x;
    int y;
    int width;
    int height;
    ScreenBuffer buffer;
    bool active = false;
};

} // namespace qel
