#include "ui/Window.hpp"

#include "base/Hub.hpp"
#include "base/TextConversion.hpp"
#include "ui/Label.hpp"
#include "ui/UI.hpp"

#include <algorithm>
#include <utility>

namespace qel {

Window::Window(Hub* core, int x, int y, int width, int height, ColorPair colors)
    : UIWidget(core, x, y, width, height, colors)
{
}

void Window::draw(float dt)
{
    ScreenBuffer* buffer = screen();
    if (!buffer)
        return;
    const WidgetRect rect = absoluteRect();
    buffer->drawBorder(rect.x, rect.y, rect.width, rect.height, getColors(),
                       shadow ? Fill | Shadow : Fill);
    runDrawHandler();
    drawChildren(dt);
}

// The handler prints relative to the window's inside. It may replace the screen buffer (by a
// video-mode change) or close this window, so the buffer is fetched again afterwards.
void Window::runDrawHandler()
{
    ScriptingInterface* host = scriptHost();
    const int handler = getHandler(HandlerSlot::Draw);
    if (!host || handler == NoReference)
        return;
    const GridPoint savedOrigin = screen()->getOrigin();
    const WidgetRect rect = absoluteRect();
    screen()->setOrigin(pinToInt(int64_t{rect.x} + 1), pinToInt(int64_t{rect.y} + 1));
    host->onWidgetDraw(handler);
    if (ScreenBuffer* buffer = screen())
        buffer->setOrigin(savedOrigin.x, savedOrigin.y);
}

void Window::releaseHandlers(ScriptingInterface& host)
{
    for (int& reference : handlers)
        host.releaseReference(std::exchange(reference, NoReference));
}

void Window::close()
{
    core->getUI()->closeWindow(this, ClosedBy::Script);
}

void Window::setTitle(const WideString& text)
{
    if (text != title)
        core->announce(toUtf8(text));
    title = text;
    UI* ui = core->getUI();
    if (titleLabel) {
        ui->discard(detachChild(titleLabel));
        titleLabel = nullptr;
    }
    if (text.empty())
        return;
    const WideString shown = u" " + text + u" ";
    // A title wider than the window starts at its left edge rather than before it.
    const int64_t room = int64_t{getRect().width} - static_cast<int64_t>(shown.size());
    const int x = pinToInt(std::max<int64_t>(room / 2, 0));
    titleLabel = ui->createLabel(this, shown, x, 0, getColors());
}

} // namespace qel
