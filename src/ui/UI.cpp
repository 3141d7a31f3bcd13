#include "ui/UI.hpp"

#include "base/Hub.hpp"
#include "display/Renderer.hpp"
#include "base/DeferredRelease.hpp"
#include "base/LiveObjects.hpp"
#include "base/MemoryBudget.hpp"
#include "ui/Console.hpp"
#include "ui/Label.hpp"
#include "ui/MessageBox.hpp"
#include "ui/TextField.hpp"
#include "ui/Window.hpp"

#include <algorithm>

namespace qel {

namespace {

constexpr WidgetRect DefaultWindowRect{30, 10, 20, 8};
// The screen size of the default video mode, which a script gets if it sets none.
constexpr GridSize DefaultScreenSize{80, 25};

} // namespace

UI::UI(Hub* core)
    : core(core), root(std::make_unique<UIWidget>(nullptr, 0, 0, 0, 0, ColorPair{White, Clear})),
      consoleMemory(std::make_shared<MemoryBudget>(MostConsoleBytes))
{
}

UI::~UI() = default;

template <typename Widget>
Widget* UI::attach(UIWidget* parent, std::unique_ptr<Widget> widget)
{
    Widget* added = widget.get();
    UIWidget* owner = parent ? parent : root.get();
    owner->addChild(std::move(widget));
    // A child given to a widget that has just left the tree leaves with it.
    ++widgetCount;
    if (owner->isRemoved())
        retire(*added);
    else
        LiveObjects::add(added);
    return added;
}

Window* UI::createWindow(UIWidget* parent, int x, int y, int width, int height, ColorPair colors)
{
    const WidgetRect rect = width == 0 || height == 0 ? DefaultWindowRect : WidgetRect{x, y, width, height};
    return attach(parent, std::make_unique<Window>(core, rect.x, rect.y, rect.width, rect.height, colors));
}

Label* UI::createLabel(UIWidget* parent, const WideString& text, int x, int y, ColorPair colors)
{
    return attach(parent, std::make_unique<Label>(core, text, x, y, colors));
}

TextField* UI::createTextField(UIWidget* parent, int x, int y, int width, ColorPair colors)
{
    return attach(parent, std::make_unique<TextField>(core, x, y, width, colors));
}

Console* UI::createConsole(int x, int y, int width, int height)
{
    if (!consoleMemory->take(Console::bytesFor(width, height)))
        return nullptr;
    consoles.push_back(std::make_unique<Console>(core, consoleMemory, x, y, width, height));
    LiveObjects::add(consoles.back().get());
    return consoles.back().get();
}

void UI::removeConsole(Console* console)
{
    const auto found = std::find_if(consoles.begin(), consoles.end(),
                                    [&](const std::unique_ptr<Console>& own) { return own.get() == console; });
    if (found == consoles.end())
        return;
    LiveObjects::remove(console);
    DeferredRelease::release(std::move(*found));
    consoles.erase(found);
}

MessageBox* UI::showMessageBox(const WideString& text)
{
    auto made = std::make_unique<MessageBox>(core);
    MessageBox* box = made.get();
    // Scripts know it as the window it is.
    attach<Window>(nullptr, std::move(made));
    box->open(text, screenSize());
    unfocus();
    return box;
}

Label* UI::addDismissText(Window& window)
{
    const WidgetRect rect = window.getRect();
    return createLabel(&window, DismissText, pinToInt(int64_t{rect.width} - DismissTextFromRight),
                       pinToInt(int64_t{rect.height} - 1), window.getColors());
}

bool UI::scrollConsoles(bool back)
{
    bool scrolled = false;
    for (const std::unique_ptr<Console>& console : consoles) {
        if (!console->isActive())
            continue;
        back ? console->scrollBack() : console->scrollForward();
        scrolled = true;
    }
    return scrolled;
}

void UI::closeWindow(UIWidget* widget, ClosedBy how)
{
    if (!widget || widget->isRemoved() || widget->isClosing())
        return;
    const DeferredRelease::Hold hold;
    widget->markClosing();
    ScriptingInterface* script = core->getScript();
    if (widget->type() == WidgetType::Window && script)
        script->onWidgetClose(widget->getHandler(HandlerSlot::Close), how == ClosedBy::Escape);
    // The handler may have removed the window itself, or all of them.
    if (!removeWidget(widget))
        return;
    core->redraw();
    unfocus();
}

bool UI::dismissTopWindow(ClosedBy how)
{
    for (std::size_t i = root->childCount(); i-- > 0;) {
        UIWidget* child = root->childAt(i);
        if (child->type() != WidgetType::Window || !static_cast<Window*>(child)->isClosable())
            continue;
        auto* box = dynamic_cast<MessageBox*>(child);
        if (!(how == ClosedBy::Return && box && box->showNextPage()))
            closeWindow(child, how);
        return true;
    }
    return false;
}

Window* UI::topWindow() const
{
    for (std::size_t i = root->childCount(); i-- > 0;) {
        UIWidget* child = root->childAt(i);
        if (child->type() == WidgetType::Window)
            return static_cast<Window*>(child);
    }
    return nullptr;
}

int UI::closableWindowCount() const
{
    int count = 0;
    for (std::size_t i = 0; i < root->childCount(); ++i) {
        const UIWidget* child = root->childAt(i);
        if (child->type() == WidgetType::Window && static_cast<const Window*>(child)->isClosable())
            ++count;
    }
    return count;
}

void UI::unfocus()
{
    moveFocus(mainInputField && closableWindowCount() == 0 ? mainInputField : nullptr);
}

void UI::setFocus(TextField* field)
{
    if (!field || !field->isRemoved())
        moveFocus(field);
}

void UI::moveFocus(TextField* field)
{
    if (field == focused)
        return;
    ++focusChanges;
    focused = field;
    if (field)
        field->announceFocus();
}

void UI::setMainInput(TextField* field)
{
    if (!field || !field->isRemoved())
        mainInputField = field;
}

void UI::removeAll()
{
    while (root->childCount() > 0)
        removeWidget(root->childAt(root->childCount() - 1));
    focused = nullptr;
    mainInputField = nullptr;
    for (std::unique_ptr<Console>& console : consoles) {
        LiveObjects::remove(console.get());
        DeferredRelease::release(std::move(console));
    }
    consoles.clear();
}

bool UI::removeWidget(UIWidget* widget)
{
    std::unique_ptr<UIWidget> detached = root->detachChild(widget);
    if (!detached)
        return false;
    discard(std::move(detached));
    return true;
}

void UI::discard(std::unique_ptr<UIWidget> widget)
{
    if (!widget)
        return;
    retire(*widget);
    DeferredRelease::release(std::move(widget));
}

// Nothing may keep naming a widget that is leaving the tree: not the focus, not the main
// input, not a script handle; and nothing may keep its handlers alive.
void UI::retire(UIWidget& widget)
{
    if (!widget.isRemoved())
        --widgetCount;
    widget.markRemoved();
    LiveObjects::remove(&widget);
    if (ScriptingInterface* script = core ? core->getScript() : nullptr)
        widget.releaseHandlers(*script);
    if (&widget == focused)
        focused = nullptr;
    if (&widget == mainInputField)
        mainInputField = nullptr;
    for (std::size_t i = 0; i < widget.childCount(); ++i)
        retire(*widget.childAt(i));
}

void UI::draw(float dt)
{
    const DeferredRelease::Hold hold;
    root->draw(dt);
}

GridSize UI::screenSize() const
{
    const ScreenBuffer* buffer = core->getScreenBuffer();
    return buffer ? buffer->getSize() : DefaultScreenSize;
}

} // namespace qel
