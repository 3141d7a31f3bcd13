// Draws the pictures the bundled game ships with: the monitor frame (monitor.png) and the tiling
// wallpapers (wallpapers/N.png). Everything comes from fixed seeds and integer hashes, so a re-run
// reproduces the committed files.
//
// Usage: qel-gen-images <game data folder>

#include "display/ScreenGeometry.hpp"

#include <SFML/Graphics/Image.hpp>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <string>

namespace {

constexpr float kPi = 3.14159265f;

// ---- Small maths -------------------------------------------------------------------------------

// A colour with float channels in 0..1; shading may overshoot, the pixel writer clamps.
struct Rgb {
    float r, g, b;
};
Rgb operator+(Rgb a, Rgb b) { return {a.r + b.r, a.g + b.g, a.b + b.b}; }
Rgb operator*(Rgb a, float k) { return {a.r * k, a.g * k, a.b * k}; }
Rgb rgb(int r, int g, int b) { return {r / 255.f, g / 255.f, b / 255.f}; }
Rgb mix(Rgb a, Rgb b, float t) { return a * (1 - t) + b * t; }
float mix(float a, float b, float t) { return a + (b - a) * t; }

struct Vec2 {
    float x, y;
};
Vec2 operator-(Vec2 a, Vec2 b) { return {a.x - b.x, a.y - b.y}; }
float dot(Vec2 a, Vec2 b) { return a.x * b.x + a.y * b.y; }
float length(Vec2 v) { return std::hypot(v.x, v.y); }
Vec2 normalised(Vec2 v) { return {v.x / length(v), v.y / length(v)}; }

float clamp01(float v) { return std::clamp(v, 0.f, 1.f); }

float smoothstep(float edge0, float edge1, float x)
{
    float t = clamp01((x - edge0) / (edge1 - edge0));
    return t * t * (3 - 2 * t);
}

// Remainder that stays in [0, period) for negative x too, so patterns repeat across the tile edge.
float wrap(float x, float period) { return x - period * std::floor(x / period); }
int wrap(int x, int period) { return (x % period + period) % period; }

// Integer hash (lowbias32): the same pseudo-random numbers on every platform and compiler.
uint32_t hash(uint32_t x)
{
    x ^= x >> 16;
    x *= 0x7feb352du;
    x ^= x >> 15;
    x *= 0x846ca68bu;
    x ^= x >> 16;
    return x;
}

float random01(int a, int b, uint32_t seed)
{
    return hash(uint32_t(a) * 0x9e3779b1u ^ hash(uint32_t(b) + seed * 0x85ebca77u)) / 4294967296.f;
}

// Value noise on a torus: the lattice repeats every periodX x periodY cells, so noise sampled over
// one period tiles without a seam. (x, y) are in lattice cells.
float torusNoise(float x, float y, int periodX, int periodY, uint32_t seed)
{
    int ix = int(std::floor(x)), iy = int(std::floor(y));
    float sx = smoothstep(0, 1, x - ix), sy = smoothstep(0, 1, y - iy);
    auto corner = [&](int dx, int dy) {
        return random01(wrap(ix + dx, periodX), wrap(iy + dy, periodY), seed);
    };
    return mix(mix(corner(0, 0), corner(1, 0), sx), mix(corner(0, 1), corner(1, 1), sx), sy);
}

// Octaves of torus noise over tile coordinates (u, v), one tile being 0..1 in each; 0..1 out.
float torusFbm(float u, float v, int periodX, int periodY, int octaves, uint32_t seed)
{
    float sum = 0, weight = 0, amplitude = 1;
    for (int octave = 0; octave < octaves; ++octave) {
        sum += amplitude * torusNoise(u * periodX, v * periodY, periodX, periodY, seed + octave);
        weight += amplitude;
        amplitude *= 0.5f;
        periodX *= 2;
        periodY *= 2;
    }
    return sum / weight;
}

// Signed distance to a rounded box (negative inside).
float boxDistance(Vec2 p, Vec2 centre, Vec2 halfSize, float radius)
{
    float qx = std::abs(p.x - centre.x) - halfSize.x + radius;
    float qy = std::abs(p.y - centre.y) - halfSize.y + radius;
    return std::hypot(std::max(qx, 0.f), std::max(qy, 0.f)) + std::min(std::max(qx, qy), 0.f) - radius;
}

// Unit vector pointing away from a shape, from its distance function; shading reads slopes off it.
template <typename Distance>
Vec2 outwardNormal(Distance distance, Vec2 p)
{
    constexpr float e = 0.5f;
    Vec2 gradient{distance({p.x + e, p.y}) - distance({p.x - e, p.y}),
                  distance({p.x, p.y + e}) - distance({p.x, p.y - e})};
    return length(gradient) > 0 ? normalised(gradient) : Vec2{0, 0};
}

// ---- Rendering ---------------------------------------------------------------------------------

// A shaded point: its colour and whether it is covered at all (alpha 0 = nothing there).
struct Sample {
    Rgb color;
    float alpha;
};

using Shader = std::function<Sample(Vec2)>;

sf::Uint8 toByte(float v) { return sf::Uint8(std::lround(clamp01(v) * 255)); }

// Averages n x n samples per pixel: every hard edge the shaders draw comes out anti-aliased.
sf::Image render(unsigned width, unsigned height, int n, const Shader& shade)
{
    sf::Image image;
    image.create(width, height);
    for (unsigned y = 0; y < height; ++y) {
        for (unsigned x = 0; x < width; ++x) {
            Rgb premultiplied{0, 0, 0};
            float alpha = 0;
            for (int sy = 0; sy < n; ++sy) {
                for (int sx = 0; sx < n; ++sx) {
                    Sample s = shade({x + (sx + 0.5f) / n, y + (sy + 0.5f) / n});
                    premultiplied = premultiplied + s.color * s.alpha;
                    alpha += s.alpha;
                }
            }
            Rgb c = alpha > 0 ? premultiplied * (1 / alpha) : Rgb{0, 0, 0};
            image.setPixel(x, y, {toByte(c.r), toByte(c.g), toByte(c.b), toByte(alpha / (n * n))});
        }
    }
    return image;
}

// ---- Monitor frame -----------------------------------------------------------------------------

constexpr unsigned kFrameWidth = qel::MonitorPictureWidth, kFrameHeight = qel::MonitorPictureHeight;

// Where the renderer lays the text screen into the frame: the glass, a rectangle whose top and
// bottom edges bulge outward towards the middle, piecewise linearly through a point at every
// quarter of its width.
constexpr Vec2 kScreenHalfSize{qel::GlassWidth / 2.f, qel::GlassHeight / 2.f};
constexpr Vec2 kScreenCentre{qel::GlassLeft + kScreenHalfSize.x, qel::GlassTop + kScreenHalfSize.y};

float screenBulge(float x)
{
    float t = (x - qel::GlassLeft) / (qel::GlassWidth / qel::GlassQuarters);
    if (t <= 0 || t >= qel::GlassQuarters)
        return 0;
    int i = int(t);
    return mix(qel::GlassBulge[i], qel::GlassBulge[i + 1], t - i);
}

// Distance to the screen area. Squeezing y towards the centre line undoes the bulge; for such a
// slight curve the distance stays true to a fraction of a pixel.
float screenDistance(Vec2 p)
{
    float squeeze = kScreenHalfSize.y / (kScreenHalfSize.y + screenBulge(p.x));
    Vec2 straightened{p.x, kScreenCentre.y + (p.y - kScreenCentre.y) * squeeze};
    return boxDistance(straightened, kScreenCentre, kScreenHalfSize, 0);
}

// Rings around the screen area, as distances from it: the glass overlaps the area a little so no
// gap shows, a black gasket holds it, and the bezel slopes down to it.
constexpr float kGlassOverlap = 3, kGasketEdge = 6, kRecessEdge = 28;

float casingDistance(Vec2 p) { return boxDistance(p, {kScreenCentre.x, 384}, {384, 302}, 32); }

// The swivel stand: a neck widening downwards onto an oval foot seen a little from above.
float neckDistance(Vec2 p)
{
    float halfWidth = mix(92, 118, clamp01((p.y - 680) / 36));
    return std::max(std::abs(p.x - kScreenCentre.x) - halfWidth, std::abs(p.y - 698) - 18);
}

// Scaled circle: not a true distance along the long axis, which only widens the rim's bevel there.
float footDistance(Vec2 p)
{
    constexpr Vec2 centre{kScreenCentre.x, 724}, radii{260, 22};
    return (length({(p.x - centre.x) / radii.x, (p.y - centre.y) / radii.y}) - 1) * radii.y;
}

// The controls on the strip below the screen, placed from the monitor's middle.
constexpr Vec2 kLedCentre{kScreenCentre.x + 250, 652};
constexpr float kLedRadius = 3.5f;
float badgeDistance(Vec2 p) { return boxDistance(p, {kScreenCentre.x, 652}, {70, 8}, 4); }
float buttonDistance(Vec2 p) { return boxDistance(p, {kScreenCentre.x + 288, 652}, {22, 8}, 5); }
float knobDistance(Vec2 p)
{
    return std::min(length(p - Vec2{kScreenCentre.x - 284, 652}), length(p - Vec2{kScreenCentre.x - 254, 652})) - 7;
}

const Vec2 kTowardsLight = normalised({-0.35f, -1});  // above the monitor, a little to the left

const Rgb kPlastic = rgb(214, 204, 180);
const Rgb kLedGreen = rgb(80, 235, 120);

// Lit by how much a surface with this outward normal faces the light; flat faces give 0.
float facing(Vec2 normal) { return dot(normal, kTowardsLight); }

// Beige plastic lit from above: a gentle top-to-bottom fall-off and a fine grain.
Rgb plastic(Vec2 p)
{
    float falloff = mix(1.04f, 0.9f, p.y / kFrameHeight);
    float grain = torusNoise(p.x * 0.7f, p.y * 0.7f, 4096, 4096, 7) - 0.5f;
    return kPlastic * (falloff + 0.025f * grain);
}

Rgb glass(Vec2 p, float screen)
{
    float nx = (p.x - kScreenCentre.x) / kScreenHalfSize.x;
    float ny = (p.y - kScreenCentre.y) / kScreenHalfSize.y;
    float vignette = clamp01(1 - 0.4f * (nx * nx + ny * ny));
    Rgb c = rgb(22, 30, 27) * vignette;
    // A soft reflection of a window high up on the left, as on a real tube.
    float rx = (nx + 0.45f) / 0.5f, ry = (ny + 0.6f) / 0.28f;
    c = c + rgb(16, 20, 19) * std::exp(-(rx * rx + ry * ry));
    // The bezel shades the glass just inside its rim.
    return c * mix(0.55f, 1, smoothstep(0, 12, -screen));
}

// The bezel's inner slope: faces up at the bottom of the screen (lit), down at the top (shaded).
Rgb recess(Vec2 p, float screen)
{
    Vec2 slopeNormal = outwardNormal(screenDistance, p);
    float depth = (screen - kGasketEdge) / (kRecessEdge - kGasketEdge);  // 0 deep, 1 at the rim
    float light = 0.82f - 0.3f * facing(slopeNormal);
    return plastic(p) * (light * mix(0.8f, 1, depth));
}

// The rounded outer edge of the casing, and 15 px inside it the seam where the front bezel meets
// the shell: a dark groove whose inner lip catches the light on the sides facing away from it.
float casingRelief(Vec2 p, float casing)
{
    float inside = -casing;
    float lightOnEdge = facing(outwardNormal(casingDistance, p));
    float edge = 1 - smoothstep(0, 9, inside);
    float seam = inside - 15, lip = seam - 1.6f;
    return 1 + 0.3f * edge * lightOnEdge - 0.3f * std::exp(-seam * seam)
             - 0.08f * std::exp(-lip * lip) * lightOnEdge;
}

// A raised part with a bevelled rim: lit along its upper edge, shaded along its lower one.
Rgb bevelled(Rgb base, Vec2 normal, float inside, float bevelWidth)
{
    float rim = 1 - smoothstep(0, bevelWidth, inside);
    return base * (1 + 0.45f * rim * facing(normal));
}

Rgb badge(Vec2 p, float distance)
{
    // Brushed metal: fine horizontal streaks over a top-lit gradient.
    float streaks = torusNoise(p.x * 0.08f, p.y * 1.5f, 4096, 4096, 11);
    Rgb metal = rgb(150, 150, 146) * mix(1.1f, 0.75f, (p.y - 644) / 16) * (0.92f + 0.12f * streaks);
    return bevelled(metal, outwardNormal(badgeDistance, p), -distance, 1.5f);
}

Rgb powerButton(Vec2 p, float distance)
{
    return bevelled(kPlastic * 0.9f, outwardNormal(buttonDistance, p), -distance, 2.5f);
}

Rgb knob(Vec2 p, float distance)
{
    return bevelled(rgb(70, 68, 64), outwardNormal(knobDistance, p), -distance, 3);
}

Rgb led(Vec2 p)
{
    float centre = length(p - kLedCentre) / kLedRadius;
    return mix(rgb(220, 255, 225), kLedGreen, smoothstep(0, 0.8f, centre));
}

// The bottom strip's controls sit in thin dark grooves; the LED glows onto the plastic around it.
Rgb casingFront(Vec2 p, float screen, float casing)
{
    if (screen < kRecessEdge)
        return recess(p, screen);
    if (length(p - kLedCentre) < kLedRadius)
        return led(p);
    if (float d = badgeDistance(p); d < 0)
        return badge(p, d);
    if (float d = buttonDistance(p); d < 0)
        return powerButton(p, d);
    if (float d = knobDistance(p); d < 0)
        return knob(p, d);

    Rgb c = plastic(p) * casingRelief(p, casing);
    float groove = std::min({badgeDistance(p), buttonDistance(p), knobDistance(p),
                             length(p - kLedCentre) - kLedRadius});
    if (groove < 1.5f)
        c = c * 0.45f;
    float glow = length(p - kLedCentre) / 9;
    return c + kLedGreen * (0.35f * std::exp(-glow * glow));
}

// The neck lies in the casing's shadow and casts its own onto the foot.
Rgb neck(Vec2 p)
{
    float shadow = smoothstep(686, 702, p.y);
    float across = (p.x - kScreenCentre.x) / 118;
    return plastic(p) * (mix(0.5f, 0.82f, shadow) * (1 - 0.2f * across * across));
}

Rgb foot(Vec2 p, float distance)
{
    float neckShadow = std::exp(-std::max(neckDistance(p), 0.f) / 8);
    Rgb top = plastic(p) * (0.9f - 0.35f * neckShadow);
    return bevelled(top, outwardNormal(footDistance, p), -distance, 3);
}

Sample monitor(Vec2 p)
{
    float screen = screenDistance(p);
    if (screen < kGlassOverlap)
        return {glass(p, screen), 1};
    if (screen < kGasketEdge)
        return {rgb(14, 14, 13), 1};
    if (float casing = casingDistance(p); casing < 0)
        return {casingFront(p, screen, casing), 1};
    if (neckDistance(p) < 0)
        return {neck(p), 1};
    if (float distance = footDistance(p); distance < 0)
        return {foot(p, distance), 1};
    return {{0, 0, 0}, 0};
}

// ---- Wallpapers --------------------------------------------------------------------------------

// Every wallpaper is one square tile; each pattern's periods divide this size, so tiles meet
// without a seam.
constexpr float kTile = 256;

// Denim-like 2/2 twill: each thread floats over two crossing threads, the floats stepping one
// thread per row, which draws the diagonals.
Rgb twill(Vec2 p)
{
    constexpr float thread = 8;
    int step = wrap(int(std::floor(p.x / thread)) + int(std::floor(p.y / thread)), 4);
    bool warpOnTop = step < 2;
    float across = wrap(warpOnTop ? p.x : p.y, thread) / thread;
    float along = ((warpOnTop ? step : step - 2) + wrap(warpOnTop ? p.y : p.x, thread) / thread) / 2;
    float crown = std::sin(kPi * across) * std::pow(std::sin(kPi * along), 0.3f);
    Rgb yarn = warpOnTop ? rgb(62, 82, 114) : rgb(118, 128, 146);
    float slub = torusFbm(p.x / kTile, p.y / kTile, 8, 8, 3, 21);
    return yarn * (0.55f + 0.4f * crown + 0.15f * slub);
}

// Running-bond brick wall, 4 bricks across and 8 courses down a tile.
Rgb bricks(Vec2 p)
{
    constexpr float width = 64, height = 32, mortar = 5;
    int course = int(std::floor(p.y / height));
    float shiftedX = p.x + (course % 2) * width / 2;
    int column = int(std::floor(shiftedX / width));
    float lx = wrap(shiftedX, width) - mortar / 2, ly = wrap(p.y, height) - mortar / 2;
    float innerW = width - mortar, innerH = height - mortar;
    float grit = torusFbm(p.x / kTile, p.y / kTile, 16, 16, 4, 31);
    float inside = std::min({lx, innerW - lx, ly, innerH - ly});
    if (inside < 0)
        return rgb(176, 170, 158) * (0.8f + 0.3f * grit);

    float tone = random01(wrap(column, 4), wrap(course, 8), 32);
    Rgb brick = mix(rgb(142, 62, 48), rgb(180, 96, 66), tone) * (0.8f + 0.35f * grit);
    Vec2 normal = inside == lx ? Vec2{-1, 0} : inside == innerW - lx ? Vec2{1, 0}
                : inside == ly ? Vec2{0, -1} : Vec2{0, 1};
    return bevelled(brick, normal, inside, 3);
}

// Soft checkerboard: the sign of a product of sines, blurred at the edges, with pinched corners.
Rgb softChecks(Vec2 p)
{
    constexpr float square = 32;
    float wave = std::sin(kPi * p.x / square) * std::sin(kPi * p.y / square);
    float cloth = torusFbm(p.x / kTile, p.y / kTile, 16, 16, 3, 41);
    Rgb colour = mix(rgb(160, 186, 164), rgb(232, 224, 200), smoothstep(-0.15f, 0.15f, wave));
    return colour * (0.94f + 0.1f * cloth);
}

// Wooden floor: 8 planks a tile high, each with its own joint, tone and grain.
Rgb woodPlanks(Vec2 p)
{
    constexpr float plankHeight = 32;
    int plank = wrap(int(std::floor(p.y / plankHeight)), 8);
    float ly = wrap(p.y, plankHeight);
    float jointX = std::floor(random01(plank, 0, 51) * kTile);
    float lx = wrap(p.x - jointX, kTile);
    if (ly < 1.5f || lx < 1.5f)
        return rgb(52, 34, 22);

    // Grain lines run along the plank, wandering with noise stretched lengthwise.
    float wander = torusFbm(p.x / kTile, p.y / kTile, 2, 16, 4, 52 + plank);
    float ring = wrap(ly / 7 + 4 * wander, 1.f);
    float grain = smoothstep(0.6f, 0.95f, ring) * (1 - smoothstep(0.95f, 1, ring));
    Rgb wood = mix(rgb(150, 98, 58), rgb(186, 130, 80), random01(plank, 1, 53));
    float fibre = torusNoise(p.x / 8, p.y, 32, 256, 54);
    return wood * (0.95f - 0.22f * grain + 0.06f * fibre) * mix(1.05f, 0.95f, ly / plankHeight);
}

// Stars on a deep blue sky with a faint nebula; distances wrap round the tile.
Rgb starfield(Vec2 p)
{
    float nebula = torusFbm(p.x / kTile, p.y / kTile, 3, 3, 6, 61);
    Rgb c = mix(rgb(6, 10, 30), rgb(26, 26, 70), smoothstep(0.3f, 0.85f, nebula));
    for (int star = 0; star < 90; ++star) {
        Vec2 centre{random01(star, 0, 62) * kTile, random01(star, 1, 62) * kTile};
        float dx = wrap(p.x - centre.x + kTile / 2, kTile) - kTile / 2;
        float dy = wrap(p.y - centre.y + kTile / 2, kTile) - kTile / 2;
        float size = mix(0.5f, 1.4f, random01(star, 2, 62));
        float brightness = mix(0.25f, 1, std::pow(random01(star, 3, 62), 3.f));
        Rgb tint = mix(rgb(255, 230, 200), rgb(200, 220, 255), random01(star, 4, 62));
        c = c + tint * (brightness * std::exp(-(dx * dx + dy * dy) / (size * size)));
    }
    return c;
}

// Polka dots on a diamond lattice: dots at every 32 px, and again half a step diagonally.
Rgb dots(Vec2 p)
{
    constexpr float spacing = 32, radius = 5.5f;
    auto nearest = [&](float offset) {
        return length({wrap(p.x + offset, spacing) - spacing / 2, wrap(p.y + offset, spacing) - spacing / 2});
    };
    float d = std::min(nearest(spacing / 2), nearest(0));
    Rgb background = rgb(60, 72, 88) * (0.95f + 0.1f * torusFbm(p.x / kTile, p.y / kTile, 8, 8, 3, 71));
    if (d > radius)
        return background;
    return rgb(216, 180, 96) * mix(1.1f, 0.85f, d / radius);
}

// Calm slate linen, the default behind the monitor: a plain weave of 4 px threads whose thickness
// wanders along each thread, over a faint mottling.
Rgb linen(Vec2 p)
{
    constexpr float thread = 4;
    constexpr int threads = int(kTile / thread);
    int column = int(std::floor(p.x / thread)), row = int(std::floor(p.y / thread));
    bool warpOnTop = wrap(column + row, 2) == 0;
    float across = wrap(warpOnTop ? p.x : p.y, thread) / thread;
    int threadIndex = wrap(warpOnTop ? column : row, threads);
    float along = (warpOnTop ? p.y : p.x) / kTile * 24;
    float slub = torusNoise(along, float(threadIndex), 24, threads, warpOnTop ? 81 : 82);
    float crown = std::sin(kPi * across);
    float mottling = torusFbm(p.x / kTile, p.y / kTile, 3, 3, 4, 83);
    Rgb yarn = warpOnTop ? rgb(74, 92, 98) : rgb(66, 82, 90);
    return yarn * (0.72f + 0.22f * crown + 0.14f * slub + 0.14f * mottling);
}

struct Wallpaper {
    int number;
    Rgb (*shade)(Vec2);
};

const Wallpaper kWallpapers[] = {
    {1, twill}, {2, bricks}, {3, softChecks}, {4, woodPlanks}, {5, starfield}, {6, dots}, {18, linen},
};

bool save(const sf::Image& image, const std::filesystem::path& path)
{
    bool saved = image.saveToFile(path.string());
    std::printf("%s %s\n", saved ? "wrote" : "FAILED to write", path.string().c_str());
    return saved;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s <game data folder>\n", argv[0]);
        return 2;
    }
    const std::filesystem::path data = argv[1];
    std::filesystem::create_directories(data / "wallpapers");

    bool ok = save(render(kFrameWidth, kFrameHeight, 4, monitor), data / "monitor.png");
    for (const Wallpaper& wallpaper : kWallpapers) {
        Shader opaque = [&](Vec2 p) { return Sample{wallpaper.shade(p), 1}; };
        auto path = data / "wallpapers" / (std::to_string(wallpaper.number) + ".png");
        ok = save(render(unsigned(kTile), unsigned(kTile), 3, opaque), path) && ok;
    }
    return ok ? 0 : 1;
}
