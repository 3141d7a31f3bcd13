#include "ui/UI.hpp"

#include "base/LiveObjects.hpp"
#include "ui/Console.hpp"
#include "ui/MessageBox.hpp"

#include "UITestSupport.hpp"

#include <gtest/gtest.h>

using namespace qel;
using namespace qel::test;

namespace {

const ColorPair Dialog{LightBlue, Blue};

std::string rectText(const UIWidget* widget)
{
    const WidgetRect rect = widget->getRect();
    return std::to_string(rect.x) + "," + std::to_string(rect.y) + " " + std::to_string(rect.width) + "x" +
           std::to_string(rect.height);
}

bool isLive(const Window* window)
{
    return LiveObjects::serialOf<Window>(window) != LiveObjects::None;
}

} // namespace

TEST(UI, MessageBoxIsCentredWithItsTextAndDismissLabel)
{
    UIEngine engine;
    engine.ui().showMessageBox(u"0123456789");
    engine.drawFrame();
    EXPECT_EQ(screenText(engine.screen(), 31, 10, 17, 5), (Lines{
                  "╔═══════════════╗",
                  "║...............║",
                  "║..0123456789...║",
                  "║...............║",
                  "╚═══ [Enter ►] ═╝",
              }));
    EXPECT_EQ(backgroundText(engine.screen(), 31, 10, 17, 1), (Lines{"22222222222222222"})) << "Brown";

    // Twenty words of four letters wrap at 45 columns into three rows: 9, 9 and 2 words.
    WideString words;
    for (int i = 0; i < 20; ++i)
        words += u"abcd ";
    engine.ui().showMessageBox(words);
    EXPECT_EQ(rectText(engine.ui().topWindow()), "14,9 51x7") << "widths are odd: never 50";
}

TEST(UI, MessageBoxFitsTheNarrowScreenAndItsDismissText)
{
    UIEngine engine;
    engine.ui().showMessageBox(u"ok");
    engine.drawFrame();
    EXPECT_EQ(screenText(engine.screen(), 32, 10, 15, 5), (Lines{
                  "╔═════════════╗",
                  "║.............║",
                  "║..ok.........║",
                  "║.............║",
                  "╚═ [Enter ►] ═╝",
              })) << "a short text widens the box to 15";
    engine.ui().removeAll();

    engine.core->getRenderer()->setVideoMode(VideoMode::Text40x25, Repaint::Later);
    engine.ui().showMessageBox(u"Paused. Press Enter to go on, or Escape to leave.");
    engine.drawFrame();
    EXPECT_EQ(rectText(engine.ui().topWindow()), "0,9 39x6") << "the text wraps at 33 columns";
    EXPECT_EQ(screenText(engine.screen(), 0, 11, 39, 2), (Lines{
                  "║..Paused. Press Enter to go on, or ..║",
                  "║..Escape to leave....................║",
              }));
}

// Numbered words of four characters: "w001 w002 ...".
WideString numberedWords(int count)
{
    WideString words;
    for (int i = 1; i <= count; ++i)
        words += toWide("w" + std::to_string(1000 + i).substr(1) + " ");
    return words;
}

TEST(UI, MessageTallerThanTheScreenIsShownAPageAtATime)
{
    UIEngine engine;
    UI& ui = engine.ui();
    Lines closes;
    // Nine words a row at 45 columns: 250 words take 28 rows, a page of 21 and one of 7.
    ui.showMessageBox(numberedWords(250))
        ->setHandler(HandlerSlot::Close, engine.script->addCloseHandler([&](bool) { closes.push_back("closed"); }));
    engine.drawFrame();
    EXPECT_EQ(rectText(ui.topWindow()), "14,0 51x25") << "as tall as the screen";
    EXPECT_EQ(screenText(engine.screen(), 14, 0, 51, 25).front(), "╔═════════════════════════════════════════════════╗");
    EXPECT_EQ(screenText(engine.screen(), 17, 2, 44, 1), (Lines{"w001 w002 w003 w004 w005 w006 w007 w008 w009"}));
    EXPECT_EQ(screenText(engine.screen(), 17, 22, 44, 1), (Lines{"w181 w182 w183 w184 w185 w186 w187 w188 w189"}));
    EXPECT_EQ(screenText(engine.screen(), 14, 23, 51, 2), (Lines{
                  "║.................................................║",
                  "╚═════════════════════════════════════ [Enter ▼] ═╝",
              })) << "the frame stays whole, and the dismiss text says more follows";

    EXPECT_TRUE(ui.dismissTopWindow(ClosedBy::Return));
    engine.drawFrame();
    EXPECT_TRUE(closes.empty()) << "Return turned the page";
    EXPECT_EQ(rectText(ui.topWindow()), "14,0 51x25") << "the box keeps its size";
    EXPECT_EQ(screenText(engine.screen(), 17, 2, 44, 1), (Lines{"w190 w191 w192 w193 w194 w195 w196 w197 w198"}));
    EXPECT_EQ(screenText(engine.screen(), 17, 8, 44, 2), (Lines{
                  "w244 w245 w246 w247 w248 w249 w250 .........",
                  "............................................",
              }));
    EXPECT_EQ(screenText(engine.screen(), 52, 24, 11, 1), (Lines{" [Enter ►] "}));

    EXPECT_TRUE(ui.dismissTopWindow(ClosedBy::Return));
    EXPECT_EQ(closes, (Lines{"closed"})) << "the close handler runs once, after the last page";
    EXPECT_EQ(engine.topLevelCount(), 0);

    ui.showMessageBox(numberedWords(250));
    EXPECT_TRUE(ui.dismissTopWindow(ClosedBy::Escape));
    EXPECT_EQ(engine.topLevelCount(), 0) << "Escape closes the box on any page";
}

TEST(UI, PagedMessageFollowsAVideoModeChange)
{
    UIEngine engine;
    UI& ui = engine.ui();
    MessageBox* box = ui.showMessageBox(numberedWords(250));
    ui.dismissTopWindow(ClosedBy::Return);
    engine.core->getRenderer()->setVideoMode(VideoMode::Text40x25, Repaint::Later);
    engine.drawFrame();
    // Six words a row at 33 columns: 42 rows.
    EXPECT_EQ(rectText(box), "0,0 39x25") << "the box fits the narrow screen";
    EXPECT_EQ(box->firstShownRow(), 31) << "the page starts with the row that holds w190, the word that was on top";
    EXPECT_EQ(screenText(engine.screen(), 3, 2, 29, 2), (Lines{"w187 w188 w189 w190 w191 w192",
                                                               "w193 w194 w195 w196 w197 w198"}));
    EXPECT_TRUE(box->isOnLastPage()) << "eleven rows are left";
    EXPECT_EQ(screenText(engine.screen(), 0, 24, 39, 1), (Lines{"╚═════════════════════════ [Enter ►] ═╝"}));

    engine.core->getRenderer()->setVideoMode(VideoMode::Text80x25, Repaint::Later);
    engine.drawFrame();
    EXPECT_EQ(rectText(box), "14,0 51x25");
    EXPECT_EQ(box->firstShownRow(), 20);
    EXPECT_EQ(screenText(engine.screen(), 17, 2, 44, 1), (Lines{"w181 w182 w183 w184 w185 w186 w187 w188 w189"}))
        << "back on the wide screen the page starts a little earlier: nothing is skipped";
}

TEST(UI, FocusGoesBackToTheMainInputWhenNoClosableWindowIsLeft)
{
    UIEngine engine;
    UI& ui = engine.ui();
    TextField* input = ui.createTextField(nullptr, 0, 24, 20, ColorPair{White, Clear});
    ui.setMainInput(input);
    EXPECT_EQ(ui.focusedField(), nullptr) << "setting the main input does not move the focus";
    ui.showMessageBox(u"hello");
    ui.createWindow(nullptr, 1, 1, 10, 5, Dialog)->setClosable(false);
    ui.createWindow(nullptr, 1, 1, 10, 5, Dialog);
    input->focus();
    EXPECT_EQ(ui.focusedField(), input) << "focus() works whatever windows are open";

    ui.dismissTopWindow(ClosedBy::Return);
    EXPECT_EQ(ui.focusedField(), nullptr) << "the message box is still open";
    ui.dismissTopWindow(ClosedBy::Return);
    EXPECT_EQ(ui.focusedField(), input) << "the box under the window that is not closable went";
    EXPECT_FALSE(ui.dismissTopWindow(ClosedBy::Return));
    EXPECT_EQ(engine.topLevelCount(), 2);
}

TEST(UI, CloseRunsTheHandlerInTheTreeOnceThenRedraws)
{
    UIEngine engine;
    UI& ui = engine.ui();
    Window* window = ui.createWindow(nullptr, 1, 1, 10, 5, Dialog);
    bool inTreeDuringHandler = false;
    window->setHandler(HandlerSlot::Close, engine.script->addCloseHandler([&](bool) {
        inTreeDuringHandler = ui.topWindow() == window;
        window->close();
        ui.dismissTopWindow(ClosedBy::Return);
    }));
    ui.closeWindow(window, ClosedBy::Escape);
    EXPECT_TRUE(inTreeDuringHandler);
    EXPECT_EQ(engine.script->log, (Lines{"close escape", "redraw"})) << "the nested closes did nothing";
    EXPECT_EQ(engine.topLevelCount(), 0);
}

TEST(UI, CloseHandlersMayCloseCreateAndRemoveWindows)
{
    UIEngine engine;
    UI& ui = engine.ui();
    Window* first = ui.createWindow(nullptr, 1, 1, 10, 5, Dialog);
    Window* second = ui.createWindow(nullptr, 2, 2, 10, 5, Dialog);
    Window* created = nullptr;
    second->setHandler(HandlerSlot::Close, engine.script->addCloseHandler([&](bool) {
        first->close();
        created = ui.createWindow(nullptr, 3, 3, 10, 5, Dialog);
    }));
    second->close();
    EXPECT_EQ(engine.topLevelCount(), 1);
    EXPECT_EQ(ui.topWindow(), created);

    created->setHandler(HandlerSlot::Close, engine.script->addCloseHandler([&](bool) { ui.removeAll(); }));
    engine.script->log.clear();
    created->close();
    EXPECT_EQ(engine.topLevelCount(), 0);
    EXPECT_EQ(engine.script->log, (Lines{"close"})) << "no redraw for a window the handler took away";
}

TEST(UI, DrawHandlersMayChangeTheTreeWhileItIsDrawn)
{
    UIEngine engine;
    UI& ui = engine.ui();
    Lines drawn;
    auto logDraw = [&](const std::string& name) {
        return engine.script->addDrawHandler([&drawn, name] { drawn.push_back(name); });
    };
    Window* a = ui.createWindow(nullptr, 0, 0, 10, 5, Dialog);
    Window* b = ui.createWindow(nullptr, 10, 0, 10, 5, Dialog);
    Window* c = ui.createWindow(nullptr, 20, 0, 10, 5, Dialog);
    Window* nested = ui.createWindow(b, 1, 1, 5, 3, Dialog);
    Window* besideNested = ui.createWindow(b, 2, 2, 5, 3, Dialog);
    Window* created = nullptr;
    a->setHandler(HandlerSlot::Draw, engine.script->addDrawHandler([&] {
        drawn.push_back("a");
        if (created)
            return;
        c->close();
        created = ui.createWindow(nullptr, 30, 0, 10, 5, Dialog);
        created->setHandler(HandlerSlot::Draw, logDraw("created"));
    }));
    b->setHandler(HandlerSlot::Draw, logDraw("b"));
    c->setHandler(HandlerSlot::Draw, logDraw("c"));
    // A nested window closes the top-level window it is drawn in: the rest of that is skipped.
    nested->setHandler(HandlerSlot::Draw, engine.script->addDrawHandler([&] {
        drawn.push_back("nested");
        b->close();
    }));
    besideNested->setHandler(HandlerSlot::Draw, logDraw("besideNested"));

    ui.draw(0.016f);
    EXPECT_EQ(drawn, (Lines{"a", "b", "nested"})) << "a window closed before its turn is not drawn";
    EXPECT_FALSE(isLive(b) || isLive(nested)) << "removed at once, freed after the pass";
    drawn.clear();
    ui.draw(0.016f);
    EXPECT_EQ(drawn, (Lines{"a", "created"})) << "a window made during a pass is drawn from the next";
}

TEST(UI, AFieldLeavingTheTreeIsForgottenAsFocusAndMainInput)
{
    UIEngine engine;
    UI& ui = engine.ui();
    Window* window = ui.createWindow(nullptr, 1, 1, 20, 5, Dialog);
    Window* inner = ui.createWindow(window, 1, 1, 15, 3, Dialog);
    TextField* field = ui.createTextField(inner, 1, 1, 8, ColorPair{White, Clear});
    ui.setMainInput(field);
    field->focus();
    window->close();
    EXPECT_EQ(ui.focusedField(), nullptr);
    EXPECT_EQ(ui.mainInput(), nullptr);

    TextField* topLevel = ui.createTextField(nullptr, 0, 24, 8, ColorPair{White, Clear});
    ui.setMainInput(topLevel);
    topLevel->focus();
    ui.removeAll();
    EXPECT_EQ(ui.focusedField(), nullptr);
    EXPECT_EQ(ui.mainInput(), nullptr);
}

// A reload removes everything: consoles too, which otherwise no script could ever free.
TEST(UI, ConsolesStayLiveForScriptsUntilEverythingIsRemoved)
{
    UIEngine engine;
    Console* console = engine.ui().createConsole(0, 0, 10, 3);
    TextField* field = engine.ui().createTextField(nullptr, 0, 0, 5, ColorPair{White, Clear});
    engine.ui().closeWindow(field, ClosedBy::Script);
    EXPECT_NE(LiveObjects::serialOf<Console>(console), LiveObjects::None);
    EXPECT_EQ(LiveObjects::serialOf<TextField>(field), LiveObjects::None);
    engine.ui().removeAll();
    EXPECT_EQ(LiveObjects::serialOf<Console>(console), LiveObjects::None);
}
