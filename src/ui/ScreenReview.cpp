#include "ui/ScreenReview.hpp"

#include "base/Hub.hpp"
#include "display/ScreenBuffer.hpp"
#include "display/SpokenRow.hpp"
#include "sound/Speech.hpp"

#include <algorithm>
#include <string>
#include <utility>

namespace qel {

namespace {

// The first row from the given one on, going in the direction, that has something to say; the
// search starts inside the screen, which may have lost rows since the position was set.
std::optional<int> readableRow(const ScreenBuffer& screen, int from, int direction)
{
    const int height = screen.getSize().height;
    for (int row = direction > 0 ? std::max(from, 0) : std::min(from, height - 1); row >= 0 && row < height;
         row += direction)
        if (!spokenRow(screen, row).empty())
            return row;
    return std::nullopt;
}

} // namespace

ScreenReview::ScreenReview(Hub* core, Speech& speech, std::function<std::optional<CellPosition>()> pointerCell)
    : core(core), speech(speech), pointerCell(std::move(pointerCell))
{
}

bool ScreenReview::review(Step step)
{
    if (!speech.isOn())
        return false;
    const ScreenBuffer* screen = core->getScreenBuffer();
    if (!screen)
        return true;
    const bool wasReadingScreen = std::exchange(readingScreen, false);
    switch (step) {
    case Step::WholeScreen:
        if (wasReadingScreen && speech.isSpeaking())
            speech.stop();
        else
            readScreen(*screen);
        break;
    case Step::PreviousRow:
        readNextRow(*screen, -1);
        break;
    case Step::NextRow:
        readNextRow(*screen, 1);
        break;
    case Step::RowUnderPointer:
        readRowUnderPointer(*screen);
        break;
    }
    return true;
}

// Each row is an utterance of its own, so that the player hears where the rows break.
void ScreenReview::readScreen(const ScreenBuffer& screen)
{
    position = -1;
    readingScreen = true;
    bool first = true;
    for (int row = 0; row < screen.getSize().height; ++row) {
        const std::string text = spokenRow(screen, row);
        if (text.empty())
            continue;
        speech.speak(text, first);
        first = false;
    }
    if (first)
        speech.speak("blank", true);
}

void ScreenReview::readNextRow(const ScreenBuffer& screen, int direction)
{
    if (const std::optional<int> row = readableRow(screen, position + direction, direction)) {
        sayRow(screen, *row, true);
        return;
    }
    speech.speak(direction < 0 ? "top" : "bottom", true);
    const int edge = direction < 0 ? 0 : screen.getSize().height - 1;
    if (const std::optional<int> row = readableRow(screen, edge, -direction))
        sayRow(screen, *row, false);
}

void ScreenReview::readRowUnderPointer(const ScreenBuffer& screen)
{
    const std::optional<CellPosition> cell = pointerCell();
    if (!cell || !screen.contains(cell->column, cell->row)) {
        speech.speak("off screen", true);
        return;
    }
    sayRow(screen, cell->row, true);
}

void ScreenReview::sayRow(const ScreenBuffer& screen, int row, bool interrupt)
{
    position = row;
    const std::string text = spokenRow(screen, row);
    speech.speak(text.empty() ? "blank" : text, interrupt);
}

} // namespace qel
