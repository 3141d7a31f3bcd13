// Measures what drawing the screen costs, in both video modes and in the monitor and stretched
// display styles:
//   P  a bare present of the window (cleared, nothing drawn): the floor
//   E  a whole frame of an empty screen
//   S  a full screen that stays the same
//   C  a full screen that changes every frame
//   D  a full screen of which a tenth of the cells change every frame
//   R  the changing screen drawn one cell at a time, by the plain reference way
//   I  the processor time a still screen costs in the real main loop, at its frame rate
// and what the script host's time check costs a Lua-heavy update (2,000 put calls and a loop of
// arithmetic), with the check and without it, in blocks taken in turn; and what a script pays
// for a full-screen fillRect, a full-screen blit of an off-screen buffer and a transparent one;
// and, with speech sounding, what a whole frame that starts an utterance costs beside the frames
// between them.
// The frames of P to R are taken in turn, one of each per round, so that every scenario meets
// the same load on a shared machine; the ratios are medians over blocks of rounds, with the
// quartiles of those blocks beside them.
//
//   build/bench/qel-bench [rounds]     (run inside the game folder, for its data)

#include "ReferenceCellDrawer.hpp"

#include "app/Core.hpp"
#include "app/LaunchOptions.hpp"
#include "app/ScriptClasses.hpp"
#include "display/Renderer.hpp"
#include "script/LUAImpl.hpp"
#include "script/ScriptingInterface.hpp"
#include "sound/Speech.hpp"

#include <SFML/OpenGL.hpp>
#include <SFML/System/Clock.hpp>
#include <SFML/System/Sleep.hpp>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <random>
#include <string>
#include <vector>

#include <sys/resource.h>
#include <unistd.h>

using namespace qel;

namespace {

struct Configuration {
    const char* name;
    VideoMode videoMode;
    DisplayStyle displayStyle;
    const char* styleName;
};

const Configuration configurations[] = {
    {"80x25 Default", VideoMode::Text80x25, DisplayStyle::Default, "default"},
    {"40x25 Default", VideoMode::Text40x25, DisplayStyle::Default, "default"},
    {"80x25 FullFill", VideoMode::Text80x25, DisplayStyle::FullFill, "fullFill"},
};

std::uniform_int_distribution<int> characters(33, 126), colours(1, 16);

Cell randomCell(std::mt19937& random)
{
    return {static_cast<uint8_t>(colours(random)), static_cast<uint8_t>(colours(random)),
            static_cast<uint16_t>(characters(random))};
}

// A screen full of glyphs on coloured backgrounds, different for every call.
void fillRandomly(std::vector<Cell>& cells, std::mt19937& random)
{
    for (Cell& cell : cells)
        cell = randomCell(random);
}

// A tenth of the cells, picked at random, made anew: scattered, most go up as rectangles of their own.
void changeATenth(std::vector<Cell>& cells, std::mt19937& random)
{
    std::uniform_int_distribution<size_t> place(0, cells.size() - 1);
    for (size_t changed = 0; changed < cells.size() / 10; ++changed)
        cells[place(random)] = randomCell(random);
}

// The value a share of the way up the sorted values.
double quantile(std::vector<double> values, double share)
{
    std::sort(values.begin(), values.end());
    return values[static_cast<size_t>(share * (values.size() - 1) + 0.5)];
}

double median(const std::vector<double>& values)
{
    return quantile(values, 0.5);
}

// Moves into a fresh game folder with the data of the current one and scripts that do nothing,
// so that no game logic or music runs while the screen is measured. Returns the folder.
std::filesystem::path enterEmptyGame()
{
    namespace fs = std::filesystem;
    const fs::path data = fs::absolute("data");
    std::string pattern = (fs::temp_directory_path() / "qel-bench-XXXXXX").string();
    const fs::path folder = mkdtemp(pattern.data());
    fs::create_directory_symlink(data, folder / "data");
    fs::create_directory(folder / "scripts");
    std::ofstream(folder / "scripts" / "startup.lua");
    std::ofstream(folder / "scripts" / "bench.lua");
    fs::current_path(folder);
    return folder;
}

// Hands each frame to the cell drawer of the scenario whose turn it is. Each scenario keeps its
// own drawer, so that each finds the cells it drew last; they share the screen texture, whose
// content does not change what an upload costs.
class TakingTurns : public CellDrawer {
public:
    using CellDrawer::CellDrawer;
    bool draw(const ScreenBuffer& buffer, sf::Texture& target) override { return current->draw(buffer, target); }
    CellDrawer* current = nullptr;
};

struct Scenario {
    const char* name;
    // Readies the next frame's cells; null for the bare present.
    std::function<void(std::vector<Cell>&, std::mt19937&)> change;
    std::unique_ptr<CellDrawer> drawer;
    std::vector<Cell> cells;
    std::vector<double> times;
};

enum ScenarioIndex { P, E, S, C, D, R, ScenarioCount };

std::vector<Scenario> scenarios(Renderer& renderer)
{
    const auto none = [](std::vector<Cell>&, std::mt19937&) {};
    std::vector<Scenario> list;
    list.push_back({"P", nullptr, nullptr, {}, {}});
    list.push_back({"E", none, std::make_unique<CellDrawer>(renderer.getFont()), {}, {}});
    list.push_back({"S", none, std::make_unique<CellDrawer>(renderer.getFont()), {}, {}});
    list.push_back({"C", fillRandomly, std::make_unique<CellDrawer>(renderer.getFont()), {}, {}});
    list.push_back({"D", changeATenth, std::make_unique<CellDrawer>(renderer.getFont()), {}, {}});
    list.push_back({"R", fillRandomly, std::make_unique<ReferenceCellDrawer>(renderer.getFont()), {}, {}});
    return list;
}

// Milliseconds of one frame of the scenario, until the picture is presented and finished.
double timeFrame(Core& core, Scenario& scenario, TakingTurns& turns, std::mt19937& random)
{
    sf::RenderWindow& window = *core.getWindow();
    Renderer& renderer = *core.getRenderer();
    if (scenario.change) {
        scenario.change(scenario.cells, random);
        renderer.getScreenBuffer()->getCells() = scenario.cells;
        turns.current = scenario.drawer.get();
    }
    sf::Clock clock;
    if (scenario.change)
        renderer.compose();
    else
        window.clear();
    window.display();
    glFinish();
    return clock.getElapsedTime().asMicroseconds() / 1000.0;
}

struct Row {
    double median[ScenarioCount];
    // Each ratio's value in every block of rounds.
    std::vector<double> changingToEmpty, steadyToEmpty, partialShare, changingToReference;
    double idleShare;
};

void addBlockRatios(Row& row, const std::vector<Scenario>& list, size_t begin, size_t end)
{
    const auto blockMedian = [&](int index) {
        return median(std::vector<double>(list[index].times.begin() + begin, list[index].times.begin() + end));
    };
    const double e = blockMedian(E), s = blockMedian(S), c = blockMedian(C), d = blockMedian(D),
                 r = blockMedian(R);
    row.changingToEmpty.push_back(c / e);
    row.steadyToEmpty.push_back(s / e);
    row.partialShare.push_back((d - e) / (c - e));
    row.changingToReference.push_back(c / r);
}

// Processor time per second of wall time that the real main loop spends on a still screen: a
// launch script draws one screen and the engine runs on its own until the script ends it.
double idleShare(const Configuration& configuration, double seconds)
{
    char script[512];
    std::snprintf(script, sizeof script,
                  "local core = LuaCore(gCore)\n"
                  "local screen\n"
                  "function onSetVideoMode() screen = LuaScreenBuffer(gScreenBuffer) end\n"
                  "function start() core.setVideoMode(%d) end\n"
                  "function redraw()\n"
                  "    screen.clear(Color.Blue)\n"
                  "    screen.print({x = 2, y = 1, text = \"A still screen\", color = Color.Yellow})\n"
                  "end\n"
                  "local left = %g\n"
                  "function update(dt) left = left - dt; if left <= 0 then core.exit(0) end end\n",
                  static_cast<int>(configuration.videoMode), seconds);
    std::ofstream("scripts/idle.lua") << script;
    LaunchOptions options;
    options.scriptName = "idle";
    options.style = configuration.styleName;
    Core core;
    core.build(options);
    rusage before, after;
    getrusage(RUSAGE_SELF, &before);
    sf::Clock clock;
    core.run();
    const double wall = clock.getElapsedTime().asSeconds();
    getrusage(RUSAGE_SELF, &after);
    const auto cpu = [](const rusage& usage) {
        return usage.ru_utime.tv_sec + usage.ru_stime.tv_sec + (usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
    };
    return (cpu(after) - cpu(before)) / wall;
}

Row measureConfiguration(Core& core, const Configuration& configuration, int rounds)
{
    Renderer& renderer = *core.getRenderer();
    renderer.setVideoMode(configuration.videoMode, Repaint::Later);
    renderer.setDisplayStyle(configuration.displayStyle, Repaint::Later);
    auto turns = std::make_unique<TakingTurns>(renderer.getFont());
    TakingTurns& turnsRef = *turns;
    renderer.setCellDrawer(std::move(turns));

    std::mt19937 random(7);
    std::vector<Scenario> list = scenarios(renderer);
    for (int index = 0; index < ScenarioCount; ++index) {
        list[index].cells.assign(renderer.getScreenBuffer()->getCells().size(), Cell{});
        if (index != E)
            fillRandomly(list[index].cells, random);
    }
    const int warmUp = 10;
    for (int round = 0; round < warmUp + rounds; ++round) {
        // Each round starts with another scenario, so that none always follows the same one.
        for (int turn = 0; turn < ScenarioCount; ++turn) {
            Scenario& scenario = list[(round + turn) % ScenarioCount];
            const double time = timeFrame(core, scenario, turnsRef, random);
            if (round >= warmUp)
                scenario.times.push_back(time);
        }
    }
    Row row;
    for (int index = 0; index < ScenarioCount; ++index)
        row.median[index] = median(list[index].times);
    const int blocks = std::min(10, rounds);
    for (int block = 0; block < blocks; ++block)
        addBlockRatios(row, list, static_cast<size_t>(block) * rounds / blocks,
                       static_cast<size_t>(block + 1) * rounds / blocks);
    return row;
}

const char* const LuaHeavyUpdate = R"(
local screen = LuaScreenBuffer(gScreenBuffer)
local cell = {x = 0, y = 0, text = "#", color = Color.Yellow}
function update(dt)
    for i = 1, 2000 do
        cell.x, cell.y = i % 80, i % 25
        screen.put(cell)
    end
    local sum = 0
    for i = 1, 200000 do sum = sum + (i * 7) % 13 end
end
)";

// Milliseconds per update of the Lua-heavy script, with the time check and without.
struct ScriptCost {
    std::vector<double> checked, unchecked, ratios;
};

double timeUpdates(Core& core, double timeLimit, int updates, const char* script = "luaheavy")
{
    ScriptEnvironment environment = scriptEnvironment(core);
    environment.timeLimit = timeLimit;
    LUAImpl host(std::move(environment));
    host.load(script);
    host.update(0.016f);
    sf::Clock clock;
    for (int update = 0; update < updates; ++update)
        host.update(0.016f);
    return clock.getElapsedTime().asSeconds() * 1000 / updates;
}

ScriptCost measureScriptCheck(Core& core, int blocks)
{
    std::ofstream("scripts/luaheavy.lua") << LuaHeavyUpdate;
    ScriptCost cost;
    for (int block = 0; block < blocks; ++block) {
        // Each block starts with the other variant.
        const bool checkedFirst = block % 2 == 0;
        const double first = timeUpdates(core, checkedFirst ? 5 : 0, 20);
        const double second = timeUpdates(core, checkedFirst ? 0 : 5, 20);
        cost.checked.push_back(checkedFirst ? first : second);
        cost.unchecked.push_back(checkedFirst ? second : first);
        cost.ratios.push_back(cost.checked.back() / cost.unchecked.back());
    }
    return cost;
}

// An update that makes one full-screen call a thousand times; the call is the script's %s.
const char* const FullScreenCalls = R"(
local screen = LuaScreenBuffer(gScreenBuffer)
local layer = LuaScreenBuffer.new{width = 80, height = 25}
layer.fillRect{width = 80, height = 25, color = Color.Blue}
layer.print{x = 0, y = 3, text = string.rep("layer ", 60), color = Color.Yellow}
function update(dt)
    for i = 1, 1000 do %s end
end
)";

struct FullScreenCall {
    const char* name;
    const char* call;
};

const FullScreenCall fullScreenCalls[] = {
    {"fillRect", "screen.fillRect{width = 80, height = 25, color = Color.Green}"},
    {"blit", "screen.blit{source = layer}"},
    {"blit transparent", "screen.blit{source = layer, transparent = true}"},
};

// Microseconds per call of each full-screen call, and each one's ratio to the first, by block.
struct CopyCost {
    std::vector<double> micros[std::size(fullScreenCalls)];
    std::vector<double> ratios[std::size(fullScreenCalls)];
};

CopyCost measureFullScreenCalls(Core& core, int blocks)
{
    for (size_t index = 0; index < std::size(fullScreenCalls); ++index) {
        char script[1024];
        std::snprintf(script, sizeof script, FullScreenCalls, fullScreenCalls[index].call);
        std::ofstream("scripts/calls" + std::to_string(index) + ".lua") << script;
    }
    CopyCost cost;
    for (int block = 0; block < blocks; ++block)
        for (size_t index = 0; index < std::size(fullScreenCalls); ++index) {
            const std::string script = "calls" + std::to_string(index);
            cost.micros[index].push_back(timeUpdates(core, 5, 5, script.c_str()));
            cost.ratios[index].push_back(cost.micros[index].back() / cost.micros[0].back());
        }
    return cost;
}

// Whole frames of a script that prints a status row every frame and, every other frame, says a
// sentence in place of what is being said.
const char* const SpeakingScript = R"(
local core = LuaCore(gCore)
local screen = LuaScreenBuffer(gScreenBuffer)
local frame = 0
function update(dt)
    frame = frame + 1
    screen.print{x = 0, y = 0, text = "Depth 3, 2 hearts, " .. frame .. " points", color = Color.Yellow}
    if frame % 2 == 0 then
        core.speak("You see a ruby 3 right, 2 up; a bat 1 left. " .. frame, true)
    end
end
)";

// Milliseconds of the first frame that speaks (it starts the synthesiser), then of the quiet and
// the speaking frames after a warm-up.
struct SpeechCost {
    double first = 0;
    std::vector<double> quiet, speaking;
};

SpeechCost measureSpeechFrames(Core& core, int rounds)
{
    std::ofstream("scripts/speaking.lua") << SpeakingScript;
    core.getRenderer()->setVideoMode(VideoMode::Text80x25, Repaint::Later);
    core.getSpeech().toggle();
    core.runScript("speaking.lua");
    SpeechCost cost;
    const int warmUp = 10;
    for (int frame = 1; frame <= 2 * (rounds + warmUp); ++frame) {
        sf::Clock clock;
        core.runFrame(16);
        glFinish();
        const double time = clock.getElapsedTime().asMicroseconds() / 1000.0;
        // Paced as the main loop paces them: the time between frames is the synthesiser's.
        sf::sleep(sf::milliseconds(16) - clock.getElapsedTime());
        if (frame == 2)
            cost.first = time;
        else if (frame > 2 * warmUp)
            (frame % 2 == 0 ? cost.speaking : cost.quiet).push_back(time);
    }
    core.getSpeech().toggle();
    return cost;
}


// A ratio's median over the blocks, with its quartiles.
std::string spread(const std::vector<double>& values)
{
    char text[64];
    std::snprintf(text, sizeof text, "%5.2f [%4.2f-%4.2f]", median(values), quantile(values, 0.25),
                  quantile(values, 0.75));
    return text;
}

// The same for a list of times, with its 95th percentile.
std::string timeSpread(const std::vector<double>& times)
{
    char percentile[32];
    std::snprintf(percentile, sizeof percentile, " p95 %5.2f", quantile(times, 0.95));
    return spread(times) + percentile;
}

} // namespace

int main(int argc, char** argv)
{
    const int rounds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 200;
    const std::filesystem::path folder = enterEmptyGame();
    std::vector<Row> rows;
    std::string rendererName;
    ScriptCost scriptCost;
    CopyCost copyCost;
    SpeechCost speechCost;
    {
        LaunchOptions options;
        options.scriptName = "bench";
        Core core;
        core.build(options);
        core.getWindow()->setVerticalSyncEnabled(false);
        rendererName = reinterpret_cast<const char*>(glGetString(GL_RENDERER));
        speechCost = measureSpeechFrames(core, rounds);
        for (const Configuration& configuration : configurations)
            rows.push_back(measureConfiguration(core, configuration, rounds));
        scriptCost = measureScriptCheck(core, 20);
        copyCost = measureFullScreenCalls(core, 20);
        core.shutdown();
    }
    const double idleSeconds = 3;
    for (size_t index = 0; index < rows.size(); ++index)
        rows[index].idleShare = idleShare(configurations[index], idleSeconds);

    std::printf("\nRenderer: %s, %d rounds of one frame of each scenario, median ms per frame; "
                "I: share of one core a still screen keeps busy\n",
                rendererName.c_str(), rounds);
    std::printf("%-15s %6s %6s %6s %6s %6s %6s %5s\n", "", "P", "E", "S", "C", "D", "R", "I");
    for (size_t index = 0; index < rows.size(); ++index) {
        const Row& row = rows[index];
        std::printf("%-15s %6.2f %6.2f %6.2f %6.2f %6.2f %6.2f %4.1f%%\n", configurations[index].name,
                    row.median[P], row.median[E], row.median[S], row.median[C], row.median[D], row.median[R],
                    100 * row.idleShare);
    }
    std::printf("\nRatios: median over blocks of rounds [quartiles]\n");
    std::printf("%-15s %-18s %-18s %-18s %-18s\n", "", "C/E", "S/E", "(D-E)/(C-E)", "C/R");
    for (size_t index = 0; index < rows.size(); ++index) {
        const Row& row = rows[index];
        std::printf("%-15s %-18s %-18s %-18s %-18s\n", configurations[index].name,
                    spread(row.changingToEmpty).c_str(), spread(row.steadyToEmpty).c_str(),
                    spread(row.partialShare).c_str(), spread(row.changingToReference).c_str());
    }
    std::printf("\nScript time check, Lua-heavy update (2000 put calls, 200000 arithmetic steps), ms per update:\n"
                "checked %.2f, unchecked %.2f, checked/unchecked %s\n",
                median(scriptCost.checked), median(scriptCost.unchecked), spread(scriptCost.ratios).c_str());
    std::printf("\nFull-screen calls from a script (80 x 25 cells), microseconds per call [ratio to fillRect]:\n");
    for (size_t index = 0; index < std::size(fullScreenCalls); ++index)
        std::printf("%-17s %6.2f  %s\n", fullScreenCalls[index].name, median(copyCost.micros[index]),
                    spread(copyCost.ratios[index]).c_str());
    std::printf("\nWhole frames with speech sounding, ms: median [quartiles] and 95th percentile\n"
                "quiet            %s\nstarting speech  %s\nfirst utterance  %5.2f (starts the synthesiser)\n",
                timeSpread(speechCost.quiet).c_str(), timeSpread(speechCost.speaking).c_str(), speechCost.first);
    std::filesystem::remove_all(folder);
    return 0;
}
