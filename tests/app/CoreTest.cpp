#include "app/Core.hpp"

#include "support/EngineFixture.hpp"
#include "support/FakeScript.hpp"
#include "support/KeyEvent.hpp"
#include "ui/UITestSupport.hpp"

#include <gtest/gtest.h>

#include <algorithm>

using namespace qel;
using qel::test::FakeScript;
using qel::test::keyPress;
using qel::test::keyRelease;

using ScriptedEngine = qel::test::RecordingEngine<FakeScript>;

TEST(Core, FrameTimeRejectsStallsOfAQuarterSecond)
{
    EXPECT_FLOAT_EQ(Core::nextFrameTime(16, 0.f), 0.016f);
    EXPECT_FLOAT_EQ(Core::nextFrameTime(249, 0.016f), 0.249f);
    EXPECT_FLOAT_EQ(Core::nextFrameTime(250, 0.016f), 0.016f);
    EXPECT_FLOAT_EQ(Core::nextFrameTime(300, 0.f), 0.f) << "a slow start-up reports 0 to the first update";
}

TEST(Core, StartUpLoadsScriptsThenMakesTheScreenThenStartsAndRedraws)
{
    auto fake = std::make_unique<FakeScript>();
    FakeScript* script = fake.get();
    auto core = test::buildEngine(test::testOptions(), std::move(fake));
    EXPECT_EQ(script->log, (std::vector<std::string>{"load test", "onSetVideoMode 0", "start", "redraw"}));
    ASSERT_TRUE(core->getRenderer()->getScreenBuffer());
    EXPECT_EQ(core->getRenderer()->getScreenBuffer()->getSize().width, 80);
}

TEST(Core, RedrawDuringLoadingBeforeAnyScreenExistsStillCallsTheScript)
{
    auto fake = std::make_unique<FakeScript>();
    FakeScript* script = fake.get();
    Core* engine = nullptr;
    script->onLoad = [&] { engine->redraw(); };
    auto core = std::make_unique<Core>();
    engine = core.get();
    core->setScript(std::move(fake));
    testing::internal::CaptureStdout();
    core->build(test::testOptions());
    testing::internal::GetCapturedStdout();
    EXPECT_EQ(script->log, (std::vector<std::string>{"load test", "redraw", "onSetVideoMode 0", "start", "redraw"}));
}

TEST(Core, KeyPressesReachTheScriptWithTheHandledFlag)
{
    ScriptedEngine engine;
    FakeScript& script = *engine.script;
    Core& core = *engine.core;

    EXPECT_TRUE(core.handleEvent(keyPress(sf::Keyboard::Escape)));
    EXPECT_TRUE(core.handleEvent(keyPress(sf::Keyboard::A)));
    core.handleEvent(keyRelease(sf::Keyboard::A));
    EXPECT_EQ(script.log, (std::vector<std::string>{"key 36 down", "key 0 down", "key 0 up"}))
        << "Escape with no window to close is not handled";

    script.log.clear();
    core.handleEvent(keyPress(sf::Keyboard::BackSpace));
    core.handleEvent(keyPress(sf::Keyboard::B));
    EXPECT_EQ(script.log, (std::vector<std::string>{"key 59 down handled", "key 1 down handled"}))
        << "the handled flag holds for the rest of the frame";

    script.log.clear();
    core.runFrame(16);
    core.handleEvent(keyPress(sf::Keyboard::B));
    // The window system may tell of the focus in any frame.
    const auto isFocus = [](const std::string& call) { return call.rfind("focus", 0) == 0; };
    script.log.erase(std::remove_if(script.log.begin(), script.log.end(), isFocus), script.log.end());
    EXPECT_EQ(script.log, (std::vector<std::string>{"update", "key 1 down"})) << "a new frame clears it";
}

TEST(Core, ShiftRReloadsAndStopsPollingForTheFrame)
{
    ScriptedEngine engine;
    EXPECT_FALSE(engine.core->handleEvent(keyPress(sf::Keyboard::R, test::WithShift)));
    EXPECT_EQ(engine.script->log, (std::vector<std::string>{"reload", "start", "redraw"}))
        << "the reload key itself does not reach the script";

    engine.core->runFrame(16);
    engine.script->log.clear();
    EXPECT_TRUE(engine.core->handleEvent(keyPress(sf::Keyboard::R)));
    EXPECT_EQ(engine.script->log, (std::vector<std::string>{"key 17 down"}));
}

TEST(Core, ReloadRemovesEveryWidget)
{
    test::UIEngine engine;
    TextField* field = engine.ui().createTextField(nullptr, 0, 24, 20, ColorPair{White, Clear});
    engine.ui().setMainInput(field);
    engine.ui().showMessageBox(u"note");
    engine.core->handleEvent(keyPress(sf::Keyboard::R, test::WithShift));
    EXPECT_EQ(engine.topLevelCount(), 0);
    EXPECT_EQ(engine.ui().focusedField(), nullptr);
    EXPECT_EQ(engine.ui().mainInput(), nullptr);
    EXPECT_EQ(engine.script->log, (test::Lines{"reload", "start", "redraw"}));
}

TEST(Core, AltReturnTogglesFullscreenAndCountsAsHandled)
{
    ScriptedEngine engine;
    Core& core = *engine.core;
    core.handleEvent(keyPress(sf::Keyboard::Return, test::WithAlt));
    EXPECT_TRUE(core.isFullscreen());
    EXPECT_TRUE(core.getWindow()->isOpen());
    EXPECT_EQ(engine.script->log, (std::vector<std::string>{"key 58 down handled"}));
    core.toggleFullscreen();
    EXPECT_FALSE(core.isFullscreen());
}

// Fullscreen takes the screen's size on this display, whatever size was asked for.
TEST(Core, LeavingFullscreenGivesTheWindowItsSizeAgain)
{
    const std::unique_ptr<Core> core = test::buildEngine(test::testOptions(640, 480), std::make_unique<FakeScript>());
    core->toggleFullscreen();
    EXPECT_NE(core->getWindow()->getSize(), sf::Vector2u(640, 480));
    core->toggleFullscreen();
    EXPECT_EQ(core->getWindow()->getSize(), sf::Vector2u(640, 480));
}

TEST(Core, ExitFinishesTheFrameAndKeepsTheCode)
{
    ScriptedEngine engine;
    Core& core = *engine.core;
    sf::Event closing;
    closing.type = sf::Event::Closed;
    EXPECT_FALSE(core.handleEvent(closing)) << "the frame's later events are dropped";
    core.exit(3);
    EXPECT_TRUE(core.getWindow()->isOpen()) << "the frame in progress is still drawn";
    core.runFrame(16);
    EXPECT_FALSE(core.getWindow()->isOpen());
    EXPECT_EQ(core.getExitCode(), 3);
    EXPECT_EQ(engine.script->log, (test::Lines{"update"}));

    ScriptedEngine starting;
    starting.core->exit(4);
    starting.core->run();
    EXPECT_EQ(starting.script->log, test::Lines{"quit"}) << "an exit as the game starts runs no frame, but quit";
    EXPECT_FALSE(starting.core->getWindow()->isOpen());
    EXPECT_EQ(starting.core->getRenderer(), nullptr) << "shutdown releases the renderer";
}

// The window system cannot make windows of 65536 pixels or more, and hangs on some sizes above.
TEST(Core, AWindowLargerThanTheScreenIsCutToTheScreen)
{
    const std::unique_ptr<Core> core =
        test::buildEngine(test::testOptions(65537, 70000), std::make_unique<FakeScript>());
    const sf::VideoMode screen = sf::VideoMode::getDesktopMode();
    EXPECT_EQ(core->getWindow()->getSize(), sf::Vector2u(screen.width, screen.height));
}
