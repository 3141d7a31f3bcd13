// Measures what drawing the screen costs: an empty screen (E), a full screen that stays the same
// (S), a full screen that changes every frame (C), and the same changing screen drawn one cell
// at a time (R), in both video modes and in the monitor and stretched display styles.
//
//   build/bench/qel-bench [frames per scenario]     (run inside the game folder, for its data)

#include "ReferenceCellDrawer.hpp"

#include "app/Core.hpp"
#include "app/LaunchOptions.hpp"
#include "display/Renderer.hpp"
#include "script/ScriptingInterface.hpp"

#include <SFML/OpenGL.hpp>
#include <SFML/System/Clock.hpp>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
#include <vector>

#include <unistd.h>

using namespace qel;

namespace {

struct Configuration {
    const char* name;
    VideoMode videoMode;
    DisplayStyle displayStyle;
};

const Configuration configurations[] = {
    {"80x25 Default", VideoMode::Text80x25, DisplayStyle::Default},
    {"40x25 Default", VideoMode::Text40x25, DisplayStyle::Default},
    {"80x25 FullFill", VideoMode::Text80x25, DisplayStyle::FullFill},
};

// A screen full of glyphs on coloured backgrounds, different for every seed.
void fillRandomly(ScreenBuffer& buffer, std::mt19937& random)
{
    std::uniform_int_distribution<int> character(33, 126), colour(1, 16);
    for (Cell& cell : buffer.getCells())
        cell = {static_cast<uint8_t>(colour(random)), static_cast<uint8_t>(colour(random)),
                static_cast<uint16_t>(character(random))};
}

double median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
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

enum class Content { Empty, Steady, Changing };

// Median milliseconds of one presented frame.
double measure(Core& core, Content content, int frames)
{
    Renderer& renderer = *core.getRenderer();
    std::mt19937 random(7);
    ScreenBuffer& buffer = *renderer.getScreenBuffer();
    buffer.clear(0);
    if (content != Content::Empty)
        fillRandomly(buffer, random);
    const int warmUp = 10;
    std::vector<double> times;
    for (int frame = 0; frame < warmUp + frames; ++frame) {
        if (content == Content::Changing)
            fillRandomly(buffer, random);
        sf::Clock clock;
        renderer.draw();
        glFinish();
        if (frame >= warmUp)
            times.push_back(clock.getElapsedTime().asMicroseconds() / 1000.0);
    }
    return median(times);
}

struct Row {
    double empty, steady, changing, reference;
};

Row measureConfiguration(Core& core, const Configuration& configuration, int frames)
{
    Renderer& renderer = *core.getRenderer();
    renderer.setVideoMode(configuration.videoMode, Repaint::Later);
    renderer.setDisplayStyle(configuration.displayStyle, Repaint::Later);
    renderer.setCellDrawer(std::make_unique<CellDrawer>(renderer.getFont()));
    Row row;
    row.empty = measure(core, Content::Empty, frames);
    row.steady = measure(core, Content::Steady, frames);
    row.changing = measure(core, Content::Changing, frames);
    renderer.setCellDrawer(std::make_unique<ReferenceCellDrawer>(renderer.getFont()));
    row.reference = measure(core, Content::Changing, frames);
    return row;
}

} // namespace

int main(int argc, char** argv)
{
    const int frames = argc > 1 ? std::max(1, std::atoi(argv[1])) : 200;
    const std::filesystem::path folder = enterEmptyGame();
    LaunchOptions options;
    options.scriptName = "bench";
    Core core;
    core.build(options);
    core.getWindow()->setFramerateLimit(0);
    core.getWindow()->setVerticalSyncEnabled(false);

    std::printf("\nRenderer: %s, %d frames a scenario, median ms per frame\n",
                reinterpret_cast<const char*>(glGetString(GL_RENDERER)), frames);
    std::printf("%-16s %8s %8s %8s %8s %7s %7s %7s\n", "", "E", "S", "C", "R", "C/R", "C/E", "S/E");
    for (const Configuration& configuration : configurations) {
        const Row row = measureConfiguration(core, configuration, frames);
        std::printf("%-16s %8.2f %8.2f %8.2f %8.2f %7.2f %7.2f %7.2f\n", configuration.name,
                    row.empty, row.steady, row.changing, row.reference, row.changing / row.reference,
                    row.changing / row.empty, row.steady / row.empty);
    }
    std::filesystem::remove_all(folder);
    return 0;
}
