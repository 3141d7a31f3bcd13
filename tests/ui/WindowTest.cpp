#include "ui/Window.hpp"

#include "UITestSupport.hpp"

#include <gtest/gtest.h>

using namespace qel;
using namespace qel::test;

TEST(Window, DrawsFrameFilledInsideShadowAndCentredTitle)
{
    UIEngine engine;
    Window* window = engine.ui().createWindow(nullptr, 1, 1, 8, 4, ColorPair{LightBlue, Blue});
    window->setShadow(true);
    window->setTitle(u"Menu");
    window->setTitle(u"ab");
    engine.drawFrame();
    EXPECT_EQ(screenText(engine.screen(), 1, 1, 8, 4), (Lines{"╔═ ab ═╗", "║......║", "║......║", "╚══════╝"}));
    // Blue (5) frame and inside; the Black (g) shadow one cell right of and below it.
    EXPECT_EQ(backgroundText(engine.screen(), 0, 0, 10, 6),
              (Lines{"0000000000", "0555555550", "055555555g", "055555555g", "055555555g", "00gggggggg"}));
    EXPECT_EQ(window->childCount(), 1u) << "a new title replaces the old label";

    window->setTitle(u"");
    EXPECT_EQ(window->childCount(), 0u);
    // With its two spaces the title is wider than the window: it starts at the window's left edge.
    window->setTitle(u"Longer");
    engine.drawFrame();
    EXPECT_EQ(screenText(engine.screen(), 0, 1, 10, 1), (Lines{". Longer ."}));
}

// Children are placed from the window's corner, the handler's print calls from its inside.
TEST(Window, DrawHandlerWritesInsideAndChildrenCoverIt)
{
    UIEngine engine;
    Window* window = engine.ui().createWindow(nullptr, 10, 5, 12, 4, ColorPair{LightBlue, Blue});
    engine.ui().createLabel(window, u"label", 2, 2, ColorPair{White, Clear});
    window->setHandler(HandlerSlot::Draw, engine.script->addDrawHandler([&] {
        engine.screen().print(0, 0, u"corner", ColorPair{White, Clear}, 0, 0);
        engine.screen().print(1, 1, u"xxxxxx", ColorPair{White, Clear}, 0, 0);
    }));
    engine.drawFrame();
    EXPECT_EQ(screenText(engine.screen(), 10, 5, 12, 3), (Lines{"╔══════════╗", "║corner....║", "║.labelx...║"}));
    EXPECT_EQ(engine.screen().getOrigin().x, 0) << "the origin is put back after the handler";

    // A handler may replace the screen buffer: the children draw into the new one.
    window->setHandler(HandlerSlot::Draw, engine.script->addDrawHandler([&] {
        testing::internal::CaptureStdout();
        engine.core->getRenderer()->setVideoMode(VideoMode::Text40x25, Repaint::Later);
        testing::internal::GetCapturedStdout();
    }));
    engine.ui().draw(0.016f);
    EXPECT_EQ(engine.screen().getSize().width, 40);
    EXPECT_EQ(screenText(engine.screen(), 12, 7, 5, 1), (Lines{"label"}));
}
