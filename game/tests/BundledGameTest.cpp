// The bundled game in game/, run by the real engine and script host and played through key
// events, as ./play runs it. A launch script of the test's own seeds the random numbers, so
// that every run digs the same caves, and a start-up script of its own runs the game's and
// reports any global that the game's scripts define beyond the functions the engine calls:
// the scripts are modules, which share what they define only through require.

#include "base/HashString.hpp"
#include "display/ScreenGeometry.hpp"
#include "script/LuaTestEngine.hpp"
#include "sound/SoundManager.hpp"
#include "support/TempDir.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <functional>
#include <set>
#include <vector>

using namespace qel;
using namespace qel::test;

namespace {

const sf::Keyboard::Key Left = sf::Keyboard::Left, Right = sf::Keyboard::Right, Up = sf::Keyboard::Up,
                        Down = sf::Keyboard::Down, Return = sf::Keyboard::Return,
                        Escape = sf::Keyboard::Escape;

// Notes the globals the engine made, runs the game's own start-up script (linked under another
// name), and from then on writes a line on the error stream for every other new global.
const char* const GuardedStartup = R"(
local engineGlobals = {}
for name in pairs(_G) do
    engineGlobals[name] = true
end
LuaCore(gCore).load("game-startup.lua")
local ENGINE_CALLS = {start = true, update = true, key = true, redraw = true, onSetVideoMode = true, mouse = true,
                      pad = true}
local function check(name)
    if not engineGlobals[name] and not ENGINE_CALLS[name] then
        io.stderr:write("a game script set the global ", tostring(name), "\n")
    end
end
for name in pairs(_G) do
    check(name)
end
setmetatable(_G, {__newindex = function(globals, name, value)
    check(name)
    rawset(globals, name, value)
end})
)";

// Where the game draws its cave: the map's frame spans columns 0 to 39 and rows 1 to 17.
constexpr int MapLeft = 1, MapTop = 2, MapWidth = 38, MapHeight = 15;

class BundledGame {
public:
    // launchScript "main" starts as config.dat does, on the title; "demo" plays itself. The
    // game's saved data goes to saveFolder when one is given (as -savedir puts it).
    explicit BundledGame(const std::string& launchScript = "main", const std::filesystem::path& saveFolder = {})
    {
        folder.writeScript("seeded.lua", "math.randomseed(7)\nLuaCore(gCore).load(\"" + launchScript + ".lua\")\n");
        folder.writeScript("startup.lua", GuardedStartup);
        for (const auto& entry : std::filesystem::directory_iterator(gameDirectory / "scripts")) {
            std::filesystem::path name = entry.path().filename();
            if (name == "startup.lua")
                name = "game-startup.lua";
            std::filesystem::create_symlink(entry.path(), folder.path() / "scripts" / name);
        }
        LaunchOptions options = testOptions();
        options.scriptName = "seeded";
        options.saveDir = saveFolder.string();
        core = std::make_unique<Core>();
        if (!saveFolder.empty())
            core->getRunControl() = *RunControl::open(options, std::nullopt);
        record([&] { core->build(options); });
    }

    // The engine goes before the folder it runs in.
    ~BundledGame() { core.reset(); }

    BundledGame(const BundledGame&) = delete;
    BundledGame& operator=(const BundledGame&) = delete;

    // A key as the window system reports it: the press, then the character it types, if any.
    void press(sf::Keyboard::Key code, char32_t typed = 0, Modifiers modifiers = NoModifiers)
    {
        record([&] {
            core->handleEvent(keyPress(code, modifiers));
            if (typed)
                core->handleEvent(typedCharacter(typed));
        });
    }

    void release(sf::Keyboard::Key code)
    {
        record([&] { core->handleEvent(keyRelease(code)); });
    }

    // A press and release of the mouse button over the cell, in a frame of its own, through the
    // pixel at the cell's centre in the window; the screen is stretched over the window for it.
    void click(int column, int row, sf::Mouse::Button button = sf::Mouse::Left)
    {
        renderer().setDisplayStyle(DisplayStyle::FullFill, Repaint::Later);
        const sf::Vector2i pixel = cellCentre(column, row);
        sf::Event event;
        event.type = sf::Event::MouseButtonPressed;
        event.mouseButton = {button, pixel.x, pixel.y};
        record([&] { core->handleEvent(event); });
        event.type = sf::Event::MouseButtonReleased;
        record([&] { core->handleEvent(event); });
        frames(1);
    }

    // A pad's button pressed and released, in a frame of its own.
    void padButton(unsigned button)
    {
        sf::Event event;
        event.joystickButton = {0, button};
        event.type = sf::Event::JoystickButtonPressed;
        record([&] { core->handleEvent(event); });
        event.type = sf::Event::JoystickButtonReleased;
        record([&] { core->handleEvent(event); });
        frames(1);
    }

    // Letters and spaces, each pressed and typed in a frame of its own.
    void type(const std::string& text)
    {
        for (char letter : text) {
            const bool isLetter = letter >= 'a' && letter <= 'z';
            press(isLetter ? static_cast<sf::Keyboard::Key>(sf::Keyboard::A + (letter - 'a')) : sf::Keyboard::Space,
                  static_cast<char32_t>(letter));
            frames(1);
        }
    }

    // A press and release of Return, typing its carriage return as the window system does.
    void enter()
    {
        press(Return, U'\r');
        release(Return);
        frames(1);
    }

    void frames(int count, int milliseconds = 16)
    {
        for (int i = 0; i < count; ++i)
            record([&] { core->runFrame(milliseconds); });
    }

    // Runs frames until the condition holds; false if it never did within the count.
    bool framesUntil(const std::function<bool()>& condition, int count, int milliseconds = 100)
    {
        for (int i = 0; i < count && !condition(); ++i)
            frames(1, milliseconds);
        return condition();
    }

    // What a player sees on a row: the characters drawn in a visible colour, blanks elsewhere.
    std::string row(int y) const
    {
        const ScreenBuffer& screen = buffer();
        WideString text;
        for (int x = 0; x < screen.getSize().width; ++x) {
            const Cell& cell = screen.cellAt(x, y);
            text += cell.character && cell.foreground != Clear ? cell.character : u' ';
        }
        return toUtf8(text);
    }

    bool shows(const std::string& text) const
    {
        for (int y = 0; y < buffer().getSize().height; ++y)
            if (row(y).find(text) != std::string::npos)
                return true;
        return false;
    }

    std::string screenText() const
    {
        std::string text;
        for (int y = 0; y < buffer().getSize().height; ++y)
            text += row(y) + "\n";
        return text;
    }

    // The character in one cell of the map, counted from the map's top left.
    std::string mapCell(int x, int y) const
    {
        const Cell& cell = buffer().cellAt(MapLeft + x, MapTop + y);
        return toUtf8(WideString(1, cell.character ? cell.character : u' '));
    }

    // Where the player stands on the map, or (-1, -1).
    GridPoint player() const
    {
        for (int y = 0; y < MapHeight; ++y)
            for (int x = 0; x < MapWidth; ++x)
                if (mapCell(x, y) == "☺")
                    return {x, y};
        return {-1, -1};
    }

    // Starts a run from the title as a player does: Return, a name, Return.
    void startRun(const std::string& name)
    {
        enter();
        type(name);
        enter();
    }

    // The window pixel at the centre of a cell while the screen fills the window: its pixel rows
    // from the texture's top down to the cells' last but CellsTop.
    sf::Vector2i cellCentre(int column, int row) const
    {
        const sf::Vector2u window = core->getWindow()->getSize();
        const int columns = buffer().getSize().width;
        const double textureY = CellsTop + (row + 0.5) * CellHeight;
        return {static_cast<int>((column + 0.5) * window.x / columns),
                static_cast<int>(textureY * window.y / FullStylesShownHeight)};
    }

    const ScreenBuffer& buffer() const { return *core->getRenderer()->getScreenBuffer(); }
    Renderer& renderer() { return *core->getRenderer(); }
    SoundManager& sounds() { return *core->getSoundManager(); }

    std::unique_ptr<Core> core;
    // Everything the game printed on the error stream: script errors land there.
    std::string errors;

private:
    template <class Action>
    void record(Action action)
    {
        errors += capturePrinted(action).err;
    }

    std::filesystem::path gameDirectory = std::filesystem::current_path();
    GameFolder folder;
    WorkingDirectory inside{folder.path()};
};

const int32_t MusicId = hashString("data/sounds/music.ogg");

} // namespace

TEST(BundledGame, TitleShowsTheGameAndItsDisplayKeysWork)
{
    BundledGame game;
    game.frames(2);
    EXPECT_TRUE(game.shows("▀████▀  ██   ██    ▀█▀    ██████")) << game.screenText();
    std::string vertical;
    for (int y = 0; y < 8; ++y)
        vertical += game.row(y)[21];
    EXPECT_EQ(vertical, "TREASURE") << "printed down the logo's left side";
    EXPECT_TRUE(game.shows("Deep under the hills lies a cave full of")) << "the legend, wrapped in its panel";
    EXPECT_TRUE(game.shows("No one yet. Be the")) << "the best explorers' table, empty";
    EXPECT_TRUE(game.shows("Enter   go down into the cave"));
    std::set<int> strata;
    for (int x = 0; x < 80; ++x)
        strata.insert(game.buffer().cellAt(x, 8).background);
    for (int color = Red; color <= Black; ++color)
        EXPECT_TRUE(strata.count(color)) << "colour " << color << " in the band of every colour";

    game.press(sf::Keyboard::V);
    game.press(sf::Keyboard::S);
    game.press(sf::Keyboard::W);
    game.press(sf::Keyboard::F);
    game.frames(1);
    EXPECT_EQ(game.renderer().getVideoMode(), VideoMode::Text40x25);
    EXPECT_EQ(game.renderer().getDisplayStyle(), DisplayStyle::FullFill);
    EXPECT_EQ(game.renderer().getWallpaper(), 1) << "the wallpaper after the launch one, 18";
    EXPECT_TRUE(game.core->isFullscreen());
    EXPECT_TRUE(game.shows("Enter go down into the cave")) << "redrawn for 40 columns:\n" << game.screenText();
    EXPECT_TRUE(game.shows("H how to play   O options   Q quit"));
    game.press(sf::Keyboard::F);
    game.frames(1);
    EXPECT_FALSE(game.core->isFullscreen()) << "a script's toggle takes effect as the frame ends";

    game.press(sf::Keyboard::Q);
    game.frames(1);
    EXPECT_FALSE(game.core->getWindow()->isOpen()) << "the game ends with the frame it quits in";
    EXPECT_EQ(game.core->getExitCode(), 0);
    EXPECT_EQ(game.errors, "");
}

TEST(BundledGame, TheNameTypedInTheDialogStartsARun)
{
    BundledGame game;
    game.enter();
    EXPECT_TRUE(game.shows(" New explorer ")) << game.screenText();
    EXPECT_TRUE(game.shows("> ■")) << "the Return that opened the dialog typed nothing into it";

    game.type("qvann");
    game.press(sf::Keyboard::BackSpace);
    game.frames(1);
    EXPECT_TRUE(game.shows("> qvan")) << "letters go into the field:\n" << game.screenText();
    EXPECT_TRUE(game.core->getWindow()->isOpen()) << "Q typed into the field does not quit";
    EXPECT_EQ(game.renderer().getVideoMode(), VideoMode::Text80x25) << "nor does V switch the video mode";

    game.enter();
    EXPECT_TRUE(game.shows(" Qvan ")) << "the explorer's panel, titled with the name:\n" << game.screenText();
    EXPECT_TRUE(game.shows("Welcome, Qvan. Find every gem!"));
    EXPECT_TRUE(game.shows(" Depth 1 "));
    EXPECT_NE(game.player().x, -1) << game.screenText();
    EXPECT_EQ(game.errors, "");
}

TEST(BundledGame, AnArrowKeyStepsAtOnceAndWalksOnWhileHeld)
{
    BundledGame game;
    game.startRun("ann");
    const GridPoint start = game.player();
    ASSERT_NE(start.x, -1) << game.screenText();

    // The lantern lights the floor around the player: a direction with two floor cells ahead.
    const std::vector<std::pair<sf::Keyboard::Key, GridPoint>> moves{
        {Left, {-1, 0}}, {Right, {1, 0}}, {Up, {0, -1}}, {Down, {0, 1}}};
    const auto open = std::find_if(moves.begin(), moves.end(), [&](const auto& move) {
        const GridPoint step = move.second;
        return game.mapCell(start.x + step.x, start.y + step.y) == "·" &&
               game.mapCell(start.x + 2 * step.x, start.y + 2 * step.y) == "·";
    });
    ASSERT_NE(open, moves.end()) << game.screenText();
    const auto [key, step] = *open;
    const auto stepsTaken = [&] {
        const GridPoint now = game.player();
        return (now.x - start.x) * step.x + (now.y - start.y) * step.y;
    };

    game.press(key);
    game.frames(1);
    EXPECT_EQ(stepsTaken(), 1) << "a step at once:\n" << game.screenText();
    game.frames(20);
    EXPECT_GE(stepsTaken(), 2) << "more while the key is held:\n" << game.screenText();
    game.release(key);
    const int taken = stepsTaken();
    game.frames(20);
    EXPECT_EQ(stepsTaken(), taken) << "none after it is released";
    EXPECT_EQ(game.errors, "");
}

TEST(BundledGame, DialogsOpenOverThePlayAndCloseWithReturnOrEscape)
{
    BundledGame game;
    game.startRun("ann");

    game.press(sf::Keyboard::P, U'p');
    game.frames(1);
    EXPECT_TRUE(game.shows("Paused. Press Enter to go on.")) << game.screenText();
    EXPECT_TRUE(game.shows("[Enter ►]"));
    game.enter();
    EXPECT_FALSE(game.shows("Paused.")) << "Return dismissed the message box";

    game.press(sf::Keyboard::O, U'o');
    game.frames(1);
    EXPECT_TRUE(game.shows(" Options ")) << game.screenText();
    EXPECT_TRUE(game.shows("Display style  monitor"));
    game.press(Down);
    game.press(Right);
    game.frames(1);
    EXPECT_EQ(game.renderer().getDisplayStyle(), DisplayStyle::FullFill);
    EXPECT_TRUE(game.shows("Display style  fill window"));
    game.press(Up);
    game.press(Right);
    game.frames(1);
    EXPECT_EQ(game.renderer().getVideoMode(), VideoMode::Text40x25);
    EXPECT_TRUE(game.shows("Video mode     40 x 25")) << "opened again on the narrow screen:\n"
                                                         << game.screenText();
    game.press(Escape);
    game.frames(1);
    EXPECT_FALSE(game.shows(" Options "));
    EXPECT_TRUE(game.shows("♥♥♥♥♥  0 points")) << "the status line under the map:\n" << game.screenText();
    EXPECT_TRUE(game.shows("Welcome, Ann. Find every gem!")) << "the log under it";

    game.press(sf::Keyboard::H, U'h');
    game.frames(1);
    EXPECT_TRUE(game.shows(" How to play ")) << game.screenText();
    EXPECT_TRUE(game.shows("Shift+R   reload the game's scripts"));
    game.press(Escape);
    game.frames(1);
    EXPECT_FALSE(game.shows(" How to play "));
    EXPECT_EQ(game.errors, "");
}

// The title's menu, the options, help and name dialogs and the map, all with clicks. The options
// window lies at column 22, row 6, its settings from row 7; the name dialog at 22, 8.
TEST(BundledGame, TheMouseWorksTheMenuTheDialogsAndTheMap)
{
    BundledGame game;
    game.frames(1);
    game.click(25, 21);
    ASSERT_TRUE(game.shows(" Options ")) << "the menu's options line:\n" << game.screenText();
    const int wallpaper = game.renderer().getWallpaper();
    game.click(39, 10);
    EXPECT_NE(game.renderer().getWallpaper(), wallpaper) << "a left click on a value steps it on";
    game.click(39, 10, sf::Mouse::Right);
    EXPECT_EQ(game.renderer().getWallpaper(), wallpaper) << "a right click steps it back";
    game.click(0, 0);
    EXPECT_TRUE(game.shows(" Options ")) << "a click outside the window does nothing";
    game.press(Escape);
    game.frames(1);

    game.click(25, 20);
    ASSERT_TRUE(game.shows(" How to play ")) << game.screenText();
    game.click(40, 12);
    EXPECT_FALSE(game.shows(" How to play ")) << "a click inside closes it";

    game.click(25, 19);
    ASSERT_TRUE(game.shows("What is your name?")) << game.screenText();
    game.type("bo");
    game.click(26, 15);
    ASSERT_TRUE(game.shows("Welcome, Bo. Find every gem!")) << "OK enters the name:\n" << game.screenText();

    const GridPoint start = game.player();
    const auto floorAt = [&](int dx) { return game.mapCell(start.x + dx, start.y) == "·"; };
    const int way = floorAt(1) && floorAt(2) && floorAt(3) ? 1 : -1;
    ASSERT_TRUE(floorAt(way) && floorAt(2 * way) && floorAt(3 * way)) << "a straight way is lit:\n" << game.screenText();
    game.click(MapLeft + start.x + 3 * way, MapTop + start.y);
    EXPECT_EQ(game.player().x, start.x + way) << "a step at once";
    game.frames(40);
    EXPECT_EQ(game.player().x, start.x + 3 * way) << "and on to the cell clicked, no further";
    EXPECT_EQ(game.errors, "");
}

// Without a keyboard: A confirms, B goes back, Start pauses, Y opens the options.
TEST(BundledGame, APadStartsARunAndAnswersTheDialogs)
{
    BundledGame game;
    game.frames(1);
    game.padButton(0);
    ASSERT_TRUE(game.shows("What is your name?")) << game.screenText();
    game.padButton(0);
    ASSERT_TRUE(game.shows("Welcome, Nameless. Find every gem!")) << game.screenText();

    game.padButton(7);
    EXPECT_TRUE(game.shows("Paused.")) << game.screenText();
    game.padButton(0);
    EXPECT_FALSE(game.shows("Paused.")) << "A dismissed the message box";

    game.padButton(3);
    ASSERT_TRUE(game.shows(" Options ")) << game.screenText();
    game.padButton(1);
    EXPECT_FALSE(game.shows(" Options ")) << "B closed the options";
    game.padButton(1);
    EXPECT_TRUE(game.shows("go down into the cave")) << "and B again left for the title:\n" << game.screenText();
    EXPECT_EQ(game.errors, "");
}

TEST(BundledGame, TheSecretWordIsTypedHiddenAndLightsTheCave)
{
    BundledGame game;
    game.startRun("ann");
    game.press(sf::Keyboard::C, U'c');
    game.frames(1);
    EXPECT_TRUE(game.shows(" Secret word ")) << game.screenText();
    game.type("lantern");
    EXPECT_TRUE(game.shows("> *******■")) << game.screenText();
    EXPECT_FALSE(game.shows("lantern"));
    game.enter();
    game.frames(1);
    EXPECT_TRUE(game.shows("The whole cave lights up!")) << game.screenText();
    int unseen = 0;
    for (int y = 0; y < MapHeight; ++y)
        for (int x = 0; x < MapWidth; ++x)
            unseen += game.mapCell(x, y) == " ";
    EXPECT_EQ(unseen, 0) << "every cell of the map shows:\n" << game.screenText();

    game.press(sf::Keyboard::C, U'c');
    game.type("xyzzy");
    game.enter();
    EXPECT_TRUE(game.shows("Nothing happens.")) << game.screenText();
    EXPECT_EQ(game.errors, "");
}

TEST(BundledGame, AnExplorerWhoStandsStillIsBittenToDeathAndMakesTheBestExplorers)
{
    BundledGame game;
    game.startRun("ann");
    ASSERT_TRUE(game.framesUntil([&] { return game.shows("A bat bites you!"); }, 500))
        << "a bat found the player:\n" << game.screenText();
    ASSERT_TRUE(game.framesUntil([&] { return game.shows("Game over"); }, 1500)) << game.screenText();
    EXPECT_TRUE(game.shows("Game over, Ann. You reached depth 1 with 0")) << game.screenText();
    EXPECT_TRUE(game.shows("best score so far!"));

    game.enter();
    game.frames(2);
    EXPECT_TRUE(game.shows(" Best explorers ")) << "back on the title:\n" << game.screenText();
    EXPECT_TRUE(game.shows("1 Ann.................0"));
    EXPECT_EQ(game.errors, "");
}

// The best explorers, and the options set with the keys and in the options dialog, are there
// again when the game starts anew.
TEST(BundledGame, TheBestExplorersAndTheOptionsSurviveARestart)
{
    TempDir saves;
    {
        BundledGame game("main", saves.path);
        game.startRun("ann");
        ASSERT_TRUE(game.framesUntil([&] { return game.shows("Game over"); }, 2000)) << game.screenText();
        game.enter();
        game.frames(2);
        for (sf::Keyboard::Key key : {sf::Keyboard::V, sf::Keyboard::S, sf::Keyboard::W, sf::Keyboard::RBracket})
            game.press(key);
        game.press(sf::Keyboard::O);
        game.frames(1);
        for (sf::Keyboard::Key key : {Down, Down, Down, Down, Right, Escape})
            game.press(key);
        game.frames(1);
        ASSERT_FLOAT_EQ(game.sounds().getVolume(MusicId), 60.f) << "the options dialog's music volume\n"
                                                                  << game.screenText();
        EXPECT_EQ(game.errors, "");
    }
    {
        BundledGame game("main", saves.path);
        game.frames(2);
        EXPECT_EQ(game.renderer().getVideoMode(), VideoMode::Text40x25);
        EXPECT_EQ(game.renderer().getDisplayStyle(), DisplayStyle::FullFill);
        EXPECT_EQ(game.renderer().getWallpaper(), 1);
        EXPECT_FLOAT_EQ(game.sounds().getVolume(MusicId), 60.f);
        EXPECT_FLOAT_EQ(game.sounds().getPan(MusicId), 0.25f);
        EXPECT_TRUE(game.shows("Best: Ann, 0 points")) << "the title in 40 columns:\n" << game.screenText();
        EXPECT_FALSE(game.shows("No one yet"));
        EXPECT_EQ(game.errors, "");
    }

    std::ofstream(saves.path / "options") << "return {videoMode = 1}";
    BundledGame damaged("main", saves.path);
    damaged.frames(2);
    EXPECT_EQ(damaged.renderer().getVideoMode(), VideoMode::Text80x25) << "damaged options leave the start as it is";
    EXPECT_EQ(damaged.errors, "");
}

TEST(BundledGame, MusicKeysChangeTheStreamedMusicAndAReloadKeepsIt)
{
    BundledGame game;
    SoundManager& sounds = game.sounds();
    ASSERT_TRUE(sounds.getLoop(MusicId)) << "the music loops from the start";
    EXPECT_FLOAT_EQ(sounds.getVolume(MusicId), 50.f);

    game.press(sf::Keyboard::Equal);
    EXPECT_FLOAT_EQ(sounds.getVolume(MusicId), 60.f);
    game.press(sf::Keyboard::M);
    EXPECT_FLOAT_EQ(sounds.getVolume(MusicId), 0.f) << "muted";
    game.press(sf::Keyboard::M);
    EXPECT_FLOAT_EQ(sounds.getVolume(MusicId), 60.f);
    game.press(sf::Keyboard::RBracket);
    EXPECT_FLOAT_EQ(sounds.getPan(MusicId), 0.25f);

    game.startRun("ann");
    EXPECT_TRUE(game.shows("Music   60%  L ─────●─── R")) << game.screenText();
    game.press(sf::Keyboard::R, U'R', WithShift);
    game.frames(1);
    EXPECT_TRUE(game.shows("Enter   go down into the cave")) << "Shift+R reloaded, back on the title";
    EXPECT_FLOAT_EQ(sounds.getVolume(MusicId), 60.f) << "the music plays on as it was";
    EXPECT_FLOAT_EQ(sounds.getPan(MusicId), 0.25f);
    EXPECT_EQ(game.errors, "");
}

TEST(BundledGame, TheDemoLaunchScriptPlaysItself)
{
    BundledGame demo("demo");
    ASSERT_TRUE(demo.framesUntil([&] { return demo.shows("You find"); }, 300)) << demo.screenText();
    EXPECT_EQ(demo.errors, "");
}

TEST(BundledGame, TheTitleLeftAloneShowsTheGamePlayingUntilAKey)
{
    BundledGame game;
    game.frames(155, 200);
    EXPECT_TRUE(game.shows("DEMO: press any key")) << "30 seconds without a key:\n" << game.screenText();
    game.press(sf::Keyboard::Space, U' ');
    game.frames(1);
    EXPECT_TRUE(game.shows("Enter   go down into the cave"));
    EXPECT_EQ(game.errors, "");
}
