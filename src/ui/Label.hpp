#pragma once

#include "ui/UIWidget.hpp"

#include <memory>

namespace qel {

// Static text printed at its position every frame, wrapped when it has a maximum width. A label
// may show only a band of its wrapped rows, as a page of a longer text.
class Label : public UIWidget {
public:
    Label(Hub* core, const WideString& text, int x, int y, ColorPair colors);
    ~Label() override;

    WidgetType type() const override { return WidgetType::Label; }
    void draw(float dt) override;

    const WideString& getText() const { return text; }
    void setText(const WideString& value);
    // 0 or less: no wrapping.
    void setMaxWidth(int width);
    // Shows `count` wrapped rows from row `first` on, at the label's position; a count of 0 or
    // less shows every row.
    void showRows(int first, int count);

private:
    void drawBand(ScreenBuffer& screen, const WidgetRect& rect);
    void layOutBand(int screenWidth);

    WideString text;
    int maxWidth = 0;
    int firstRow = 0;
    int rowCount = 0;
    // The band's rows laid out off the screen, made again when the text, the width, the band
    // or the screen's width changes.
    std::unique_ptr<ScreenBuffer> band;
};

} // namespace qel
