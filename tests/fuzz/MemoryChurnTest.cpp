// A long-running script that opens and closes windows with handlers holding big closures,
// labels and text fields, fills consoles with long text, loads and unloads sounds and switches
// the video mode, and reloads now and then. The Lua heap and the resident memory must level off.

#include "script/LuaTestEngine.hpp"
#include "sound/ToneFile.hpp"

#include <fstream>
#include <iostream>
#include <numeric>
#include <unistd.h>

namespace qel::test {
namespace {

const char* const ChurnScript = R"(
local core, ui, sounds = LuaCore(gCore), LuaUI(gUI), LuaSoundManager(gSoundManager)
screen = LuaScreenBuffer(gScreenBuffer)
function onSetVideoMode() screen = LuaScreenBuffer(gScreenBuffer) end
local frame = 0
local consoles = {}
churned = 0

-- A few consoles per interpreter, full of long lines: a reload makes new ones.
function start()
    for i = 1, 4 do
        local console = LuaConsole(ui.createConsole({x = 0, y = i * 5, width = 80, height = 20}))
        console.setActive(true)
        for line = 1, 20 do console.insert({text = string.rep("log " .. i .. " ", 4000)}) end
        consoles[i] = console
    end
end

-- Each frame a window opens with a label, a text field and handlers that each hold 100 kB, and closes.
function update(dt)
    frame = frame + 1
    churned = churned + 1
    local big = string.rep(string.char(65 + frame % 26), 100000)
    local window = LuaWindow(ui.createWindow({x = 2, y = 2, width = 30, height = 10, title = "churn " .. frame}))
    window.onDraw(function() return #big end)
    window.onKey(function() return big ~= nil end)
    window.onClose(function() big = big .. "" end)
    LuaLabel(ui.createLabel({parent = window.instance(), x = 1, y = 1, text = "frame " .. frame}))
    local field = LuaTextField(ui.createTextField({parent = window.instance(), x = 1, y = 3, width = 20}))
    field.onEnter(function(text) return big .. text end)
    field.setText(string.rep("t", 200))
    consoles[frame % #consoles + 1].insert({text = big:sub(1, 2000)})
    if frame % 5 == 0 then
        local id = sounds.load("tone" .. frame % 7 .. ".wav")
        sounds.play(id)
        sounds.unload(id)
    end
    if frame % 100 == 0 then
        core.setVideoMode(frame % 200 == 0 and VideoMode.Text80x25 or VideoMode.Text40x25)
    end
    window.close()
end
)";

constexpr int FramesPerSample = 25;
constexpr int Samples = 32;

using Series = std::vector<double>;

double meanOf(const Series& series, size_t first, size_t last)
{
    return std::accumulate(series.begin() + first, series.begin() + last, 0.0) / static_cast<double>(last - first);
}

std::string listed(const Series& series)
{
    std::string text;
    for (double value : series)
        text += std::to_string(static_cast<long>(value)) + " ";
    return text;
}

// The series has stopped growing when the mean of its last quarter stays within the tolerance
// of the mean of its second quarter (the first quarter is the warm-up).
testing::AssertionResult levelsOff(const char* what, const Series& series, double relative, double absolute)
{
    const size_t quarter = series.size() / 4;
    const double second = meanOf(series, quarter, 2 * quarter);
    const double last = meanOf(series, 3 * quarter, series.size());
    std::cout << what << ": " << listed(series) << "\n";
    if (last <= second * (1 + relative) + absolute)
        return testing::AssertionSuccess();
    return testing::AssertionFailure() << what << " grows: second quarter " << second << ", last quarter " << last
                                       << "\nseries: " << listed(series);
}

double residentKiB()
{
    std::ifstream statm("/proc/self/statm");
    long pages = 0;
    long resident = 0;
    statm >> pages >> resident;
    return static_cast<double>(resident * sysconf(_SC_PAGESIZE) / 1024);
}

class MemoryChurnTest : public testing::Test {
protected:
    void SetUp() override
    {
#if defined(__SANITIZE_ADDRESS__)
        GTEST_SKIP() << "resident memory says little under AddressSanitizer, which keeps freed memory";
#endif
        for (int i = 0; i < 7; ++i)
            writeTone(std::filesystem::current_path() / ("tone" + std::to_string(i) + ".wav"));
        // The frame limit would make the thousands of frames last minutes.
        engine.core().getWindow()->setFramerateLimit(0);
        engine.core().getWindow()->setVerticalSyncEnabled(false);
    }

    // Runs the frames of one sample, reloading the scripts first when asked; the script must
    // run without errors, or it would churn nothing.
    void runSample(bool reload)
    {
        if (reload) {
            ASSERT_EQ(engine.reload().err, "");
        }
        const Printed printed = capturePrinted([&] {
            for (int frame = 0; frame < FramesPerSample; ++frame)
                engine.core().runFrame(16);
        });
        ASSERT_EQ(printed.err, "");
        ASSERT_GE(std::stoi(engine.run("print(churned)").out), FramesPerSample) << "the churn did not run";
    }

    // The live Lua heap in KiB, after a full collection.
    double luaHeapKiB()
    {
        const Printed printed = engine.run("collectgarbage() print(collectgarbage('count'))");
        return std::stod(printed.out);
    }

    LuaTestEngine engine{ChurnScript};
};

// The first half churns one interpreter, whose heap must level off: the handlers of closed
// windows must go. In the second half every other sample starts with a reload, which makes a
// new interpreter and new consoles: the old ones must go too, so resident memory levels off
// over the whole run.
TEST_F(MemoryChurnTest, LuaHeapAndResidentMemoryLevelOff)
{
    Series heap;
    Series resident;
    for (int sample = 0; sample < Samples; ++sample) {
        ASSERT_NO_FATAL_FAILURE(runSample(sample >= Samples / 2 && sample % 2 == 1));
        heap.push_back(luaHeapKiB());
        resident.push_back(residentKiB());
    }
    const Series oneInterpreter(heap.begin(), heap.begin() + Samples / 2);
    EXPECT_TRUE(levelsOff("Lua heap KiB, one interpreter", oneInterpreter, 0.10, 256));
    EXPECT_TRUE(levelsOff("Lua heap KiB, with reloads", heap, 0.10, 256));
    EXPECT_TRUE(levelsOff("resident KiB", resident, 0.05, 16 * 1024));
}

} // namespace
} // namespace qel::test
