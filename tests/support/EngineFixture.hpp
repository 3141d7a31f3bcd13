#pragma once

#include "app/Core.hpp"
#include "app/LaunchOptions.hpp"
#include "display/Renderer.hpp"
#include "script/ScriptingInterface.hpp"

#include <SFML/Graphics/Image.hpp>
#include <SFML/Graphics/Texture.hpp>
#include <gtest/gtest.h>

#include <memory>

namespace qel::test {

// Options for a windowed engine of the given size running the (absent) script "test".
inline LaunchOptions testOptions(int width = 1280, int height = 720)
{
    LaunchOptions options;
    options.scriptName = "test";
    options.width = width;
    options.height = height;
    return options;
}

// Builds a whole engine in a window, as the program does, without the diagnostic lines.
inline std::unique_ptr<Core> buildEngine(const LaunchOptions& options = testOptions(),
                                         std::unique_ptr<ScriptingInterface> script = nullptr)
{
    auto core = std::make_unique<Core>();
    core->setScript(std::move(script));
    testing::internal::CaptureStdout();
    core->build(options);
    testing::internal::GetCapturedStdout();
    return core;
}

// A whole engine with a recording script host of the given kind; the log starts empty after
// start-up.
template <class Script>
struct RecordingEngine {
    RecordingEngine()
    {
        auto fake = std::make_unique<Script>();
        script = fake.get();
        core = buildEngine(testOptions(), std::move(fake));
        script->log.clear();
    }

    std::unique_ptr<Core> core;
    Script* script;
};

// The pixels drawn into the window's back buffer so far, not yet presented.
inline sf::Image windowPixels(Core& core)
{
    sf::Texture texture;
    const sf::Vector2u size = core.getWindow()->getSize();
    texture.create(size.x, size.y);
    texture.update(*core.getWindow());
    return texture.copyToImage();
}

// Composes a frame and reads the window's pixels back, as a player would see them.
inline sf::Image screenshot(Core& core)
{
    core.getRenderer()->compose();
    return windowPixels(core);
}

inline ::testing::AssertionResult colorIs(const sf::Image& image, unsigned x, unsigned y, sf::Color expected)
{
    const sf::Color actual = image.getPixel(x, y);
    if (actual.r == expected.r && actual.g == expected.g && actual.b == expected.b)
        return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure()
           << "pixel (" << x << ", " << y << ") is " << int(actual.r) << "," << int(actual.g) << ","
           << int(actual.b) << ", expected " << int(expected.r) << "," << int(expected.g) << ","
           << int(expected.b);
}

} // namespace qel::test
