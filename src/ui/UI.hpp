#pragma once

#include "ui/UIWidget.hpp"

#include <cstddef>
#include <memory>
#include <vector>

namespace qel {

class Console;
class Hub;
class MemoryBudget;
class Label;
class MessageBox;
class TextField;
class Window;

// What closed a window: its close handler is told whether it was Escape.
enum class ClosedBy { Script, Return, Escape };

// Owns the widget tree: creates widgets and consoles, tracks the focused text field and the
// main input, opens message boxes, closes and dismisses windows, and draws the tree into the
// screen buffer once per frame. Top-level widgets are the root's children; the last
// top-level window is the topmost one.
//
// Widgets count as live objects for scripts (LiveObjects) from their creation until they
// leave the tree; consoles until the scripts reload. A widget leaving the tree gives its
// handlers back to the script host at once; the object itself is freed when no engine code
// can still be using it (DeferredRelease).
class UI {
public:
    explicit UI(Hub* core);
    virtual ~UI();
    UI(const UI&) = delete;
    UI& operator=(const UI&) = delete;

    // A null parent means top level. A width or height of 0 gives the default dialog rectangle.
    Window* createWindow(UIWidget* parent, int x, int y, int width, int height, ColorPair colors);
    Label* createLabel(UIWidget* parent, const WideString& text, int x, int y, ColorPair colors);
    TextField* createTextField(UIWidget* parent, int x, int y, int width, ColorPair colors);
    // Consoles are not widgets: they stay, inactive at first, until removed or the scripts
    // reload. All consoles together hold at most MostConsoleBytes; null when this one would not fit.
    Console* createConsole(int x, int y, int width, int height);
    void removeConsole(Console* console);
    static constexpr std::size_t MostConsoleBytes = 64 * 1024 * 1024;

    // The tree holds at most MostWidgets widgets, so that a script opening windows without end
    // meets a limit. Whether that many more fit.
    bool hasRoomFor(int widgets) const { return widgetCount + widgets <= MostWidgets; }
    static constexpr int MostWidgets = 16384;

    // A box wide enough for its dismiss text and never larger than the screen, paged when the
    // text is too tall for it; the box is returned so that the caller can give it a close handler.
    MessageBox* showMessageBox(const WideString& text);
    // Puts DismissText on the window's bottom border, ending two cells before the right corner.
    Label* addDismissText(Window& window);
    inline static const WideString DismissText = u" [Enter \u25BA] ";
    static constexpr int DismissTextFromRight = 13;

    // Scrolls every active console a page back or forward; false when none is active.
    bool scrollConsoles(bool back);

    // Runs the close handler, removes the widget with its children, lets the script repaint
    // and applies the focus rule. Closing a widget that is closing or gone does nothing.
    void closeWindow(UIWidget* widget, ClosedBy how);
    // Closes the topmost closable top-level window, or, by Return, turns the page of a message
    // box that has more; false when there is none.
    bool dismissTopWindow(ClosedBy how);
    Window* topWindow() const;
    int closableWindowCount() const;

    // The focus rule: the main input has the focus while no closable window is open, else none.
    void unfocus();
    // A field that has left the tree can take neither role. The field gaining the focus says its
    // prefix and text.
    void setFocus(TextField* field);
    TextField* focusedField() const { return focused; }
    // Grows whenever the focus moves, so that a key press can tell whether it moved the focus.
    unsigned focusChangeCount() const { return focusChanges; }
    TextField* mainInput() const { return mainInputField; }
    void setMainInput(TextField* field);

    // Removes every top-level widget and every console, and forgets the focused field and the
    // main input: what the scripts made goes with them when they reload.
    void removeAll();
    // Ends the life of a widget taken out of the tree (a window's old title label).
    void discard(std::unique_ptr<UIWidget> widget);

    void draw(float dt);

    const UIWidget& getRoot() const { return *root; }

private:
    template <typename Widget>
    Widget* attach(UIWidget* parent, std::unique_ptr<Widget> widget);
    // Takes a widget and its children out of the tree; false when it is not in the tree.
    bool removeWidget(UIWidget* widget);
    void retire(UIWidget& widget);
    void moveFocus(TextField* field);
    GridSize screenSize() const;

    Hub* core;
    std::unique_ptr<UIWidget> root;
    TextField* focused = nullptr;
    unsigned focusChanges = 0;
    TextField* mainInputField = nullptr;
    std::vector<std::unique_ptr<Console>> consoles;
    std::shared_ptr<MemoryBudget> consoleMemory;
    // The widgets in the tree, the root aside.
    int widgetCount = 0;
};

} // namespace qel
