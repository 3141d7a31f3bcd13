#include "e2e/EngineTest.hpp"
#include "support/ErrorLines.hpp"

#include <chrono>
#include <thread>

namespace qel::e2e {

namespace {

using EditingTest = EngineTest;

// A main input field of 8 columns that holds at most 12 characters, a console of one cell whose
// entries are full blocks of colour, and a message box of 250 words (two pages) on F1.
const char* const EditingScript = R"(
local field = LuaTextField(ui.createTextField({x = 2, y = 2, width = 8, maxLength = 12, mainInput = true}))
field.onEnter(function(text)
    say("entered " .. text)
    field.clear()
end)
local console = LuaConsole(ui.createConsole({x = 0, y = 0, width = 1, height = 1}))

function start()
    console.setActive(true)
    for _, colour in ipairs({Color.Red, Color.Green, Color.Yellow}) do
        console.insert({text = "\226\150\136", color = colour, appendEmpty = false})
    end
    say("ready")
end

function redraw()
    fill(Color.Blue)
    console.display()
end

function key(code, pressed, handled)
    if not pressed then
        return
    end
    if code == Key.PageUp or code == Key.PageDown or code == Key.Return then
        say("key " .. code .. " handled " .. tostring(handled))
    elseif code == Key.F1 then
        local words = {}
        for i = 1, 250 do
            words[i] = "word"
        end
        ui.showMessageBox(table.concat(words, " "), function() say("box closed") end)
    end
end
)";

} // namespace

TEST_F(EditingTest, KeysEditAtTheCaretAndTheFieldKeepsItsMaximumLength)
{
    ASSERT_TRUE(startGame("edit", EditingScript));
    ASSERT_TRUE(type("helo"));
    ASSERT_TRUE(press("Left"));
    ASSERT_TRUE(type("l"));
    ASSERT_TRUE(press("Home"));
    ASSERT_TRUE(press("Delete"));
    ASSERT_TRUE(type("H"));
    ASSERT_TRUE(press("End"));
    ASSERT_TRUE(type(", world and more"));
    ASSERT_TRUE(press("Left Left BackSpace"));
    ASSERT_TRUE(press("Return"));
    EXPECT_TRUE(waitForOutput("entered Hello, wold\n"))
        << "twelve characters at most; Backspace takes the one before the caret";
}

TEST_F(EditingTest, PageKeysScrollTheConsoleAndReturnTurnsAMessageBoxsPage)
{
    ASSERT_TRUE(startGame("edit", EditingScript));
    const ScreenLayout layout(Style::Default, 80, {1280, 720});
    ASSERT_TRUE(waitForPicture(cellShows(layout, 0, 0, Yellow)));
    ASSERT_TRUE(press("Prior"));
    EXPECT_TRUE(waitForPicture(cellShows(layout, 0, 0, Green)));
    ASSERT_TRUE(press("Prior Prior"));
    EXPECT_TRUE(waitForPicture(cellShows(layout, 0, 0, Red))) << "the oldest entry";
    ASSERT_TRUE(press("Next"));
    EXPECT_TRUE(waitForPicture(cellShows(layout, 0, 0, Green)));
    EXPECT_TRUE(waitForOutput("key 61 handled true\nkey 61 handled true\nkey 61 handled true\nkey 62 handled true\n"));

    // 250 words wrap into 28 rows at 45 columns: a page of 21 rows, then one of 7.
    ASSERT_TRUE(press("F1"));
    ASSERT_TRUE(waitForPicture(cellShows(layout, 15, 1, Brown))) << "the box is as tall as the screen";
    ASSERT_TRUE(press("Return"));
    EXPECT_TRUE(waitForOutput("key 58 handled true\n"));
    ASSERT_TRUE(waitForPicture(cellShows(layout, 15, 1, Brown))) << "the box stays for its second page";
    ASSERT_TRUE(press("Return"));
    EXPECT_TRUE(waitForOutput("box closed\n"));
    EXPECT_TRUE(waitForPicture(cellShows(layout, 15, 1, Blue)));
    EXPECT_EQ(test::withoutLines(output(), [](const std::string& line) { return !test::contains(line, "closed"); }),
              "box closed\n")
        << "the close handler runs once";
}

} // namespace qel::e2e
