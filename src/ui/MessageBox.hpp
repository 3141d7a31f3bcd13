#pragma once

#include "ui/Window.hpp"

namespace qel {

class Label;

// A closable window that shows a text, centred and never larger than the screen: the text wraps
// to the screen's width, and a text too tall for it is shown a page at a time. Return turns the
// page; on the last one it closes the box, like Escape on any page. The box lays itself out
// again, keeping the reader's place, when the screen's size changes.
class MessageBox : public Window {
public:
    explicit MessageBox(Hub* core);

    // Makes the box's labels and lays it out for the screen; once, after it is in the tree.
    void open(const WideString& text, GridSize screen);
    // False on the last page.
    bool showNextPage();
    bool isOnLastPage() const { return firstRow + pageRows >= textRows; }
    // The row of the wrapped text at the top of the page.
    int firstShownRow() const { return firstRow; }

    void draw(float dt) override;

private:
    void layOut(GridSize screen);
    void showPageFrom(int row);

    Label* message = nullptr;
    Label* dismiss = nullptr;
    GridSize laidOutFor;
    int textRows = 1;
    int pageRows = 1;
    int firstRow = 0;
};

} // namespace qel
