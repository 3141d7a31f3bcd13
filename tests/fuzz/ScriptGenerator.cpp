#include "fuzz/ScriptGenerator.hpp"

#include "fuzz/ArtFileGenerator.hpp"
#include "fuzz/Random.hpp"
#include "fuzz/SaveFolderGenerator.hpp"

#include <cctype>
#include <string>
#include <utility>
#include <vector>

namespace qel::fuzz {

namespace {

// Names and helpers every generated script starts with, one statement a line. A script may load
// itself (LuaCore.load), which runs it again from the top: the first line ends that after a few
// times, as a script that is meant to end must.
const char* const Prelude = R"(LOADS = (LOADS or 0) + 1; if LOADS > 3 then return end
core = LuaCore(gCore); utils = LuaUtils(gUtils); screen = LuaScreenBuffer(gScreenBuffer); ui = LuaUI(gUI); sounds = LuaSoundManager(gSoundManager)
W, F, L, C, S, B, CO, N = {}, {}, {}, {}, {}, {}, {}, 0
BIG = string.rep("W", 1000000); BAD = "\255\254\192\128\237\160\128\244\144\128\128\195"; NUL = "a\0b\0c"
function boom() error("fuzz error") end
function erroring() return setmetatable({}, {__index = boom, __newindex = boom, __tostring = boom, __len = boom, __call = boom, __concat = boom, __eq = boom, __lt = boom, __le = boom, __unm = boom}) end
function oddKeys() return {[true] = 1, [false] = 2, [{}] = 3, [1.5] = 4, [-1] = 5, [boom] = 6, x = 1, text = "odd"} end
function finalizer(body) setmetatable({}, {__gc = body}) end
function try(body) return pcall(body) end
REENTERED = {}
function resumeAll() for i = 1, #CO do coroutine.resume(CO[i]) end end
function reentrant(name, body, ...) local depth = REENTERED[name] or 0; if depth >= 2 then return end; REENTERED[name] = depth + 1; local results = table.pack(pcall(body, ...)); REENTERED[name] = depth; if not results[1] then error(results[2], 0) end; return table.unpack(results, 2, results.n) end
DEAD = coroutine.create(function() end); coroutine.resume(DEAD)
try(function() STALE = ui.createWindow({x = 1, y = 1, width = 10, height = 5}); LuaWindow(STALE).close() end)
REGISTRY = debug.getregistry()
)";

// Values no method expects, as Lua expressions.
const char* const HostileValues[] = {
    "nil", "true", "false", "0", "-1", "2^31", "-2^31", "2^31 - 1", "2^32", "2^53", "-2^53", "2^63",
    "1e308", "-0.0", "0/0", "1/0", "-1/0", "0.5", "-0.5", "\"\"", "BIG", "BAD", "NUL", "\"12abc\"",
    "\"0x7fffffff\"", "\"\\n\\n\\t\"", "string.rep(\"\\255\", 999)", "{}", "{1, 2, 3}", "oddKeys()",
    "erroring()", "boom", "print", "coroutine.create(boom)", "DEAD", "coroutine.running()", "gCore",
    "gUI", "gScreenBuffer", "gSoundManager", "gUtils", "io.stdout", "core", "screen",
    "LuaWindow(gUI)", "LuaCore(nil)", "W[1]", "F[1]", "L[1]", "C[1]", "STALE", "_G",
};

enum class Arg { Integer, Number, Colour, Text, Switch, Mode, Style, PadAxis, SoundId, SoundPath, ScriptName, CapturePath, Parent, Handler, Buffer };

struct Option {
    const char* name;
    Arg kind;
};

enum class Options { None, Print, Put, Row, FillRect, ClearRect, Border, Window, Label, Field, Console, Insert, HotKeys, Speech, Cell, Blit, BufferSize };

const std::vector<Option>& optionsOf(Options kind)
{
    using A = Arg;
    static const std::vector<Option> none;
    static const std::vector<Option> print = {{"x", A::Integer}, {"y", A::Integer}, {"color", A::Colour},
        {"background", A::Colour}, {"text", A::Text}, {"raw", A::Switch}, {"asIs", A::Switch},
        {"wrap", A::Switch}, {"lineWrap", A::Switch}, {"vertical", A::Switch}, {"length", A::Integer},
        {"maxLength", A::Integer}};
    static const std::vector<Option> put = {{"x", A::Integer}, {"y", A::Integer}, {"color", A::Colour},
        {"background", A::Colour}, {"text", A::Text}, {"char", A::Text}};
    static const std::vector<Option> row = {{"row", A::Integer}, {"y", A::Integer}, {"color", A::Colour}};
    static const std::vector<Option> rect = {{"x", A::Integer}, {"y", A::Integer}, {"width", A::Integer},
        {"height", A::Integer}, {"color", A::Colour}, {"background", A::Colour}};
    static const std::vector<Option> border = {{"x", A::Integer}, {"y", A::Integer}, {"width", A::Integer},
        {"height", A::Integer}, {"color", A::Colour}, {"background", A::Colour}, {"fill", A::Switch},
        {"shadow", A::Switch}, {"merge", A::Switch}};
    static const std::vector<Option> window = {{"x", A::Integer}, {"y", A::Integer}, {"width", A::Integer},
        {"height", A::Integer}, {"color", A::Colour}, {"background", A::Colour}, {"parent", A::Parent},
        {"showDismissText", A::Switch}, {"shadow", A::Switch}, {"closable", A::Switch}, {"id", A::Integer},
        {"title", A::Text}};
    static const std::vector<Option> label = {{"x", A::Integer}, {"y", A::Integer}, {"color", A::Colour},
        {"background", A::Colour}, {"maxWidth", A::Integer}, {"width", A::Integer}, {"parent", A::Parent},
        {"text", A::Text}, {"id", A::Integer}};
    static const std::vector<Option> field = {{"x", A::Integer}, {"y", A::Integer}, {"color", A::Colour},
        {"background", A::Colour}, {"width", A::Integer}, {"inputPrefix", A::Text}, {"parent", A::Parent},
        {"hidden", A::Switch}, {"mainInput", A::Switch}, {"id", A::Integer}};
    static const std::vector<Option> console = {{"x", A::Integer}, {"y", A::Integer}, {"width", A::Integer},
        {"height", A::Integer}, {"id", A::Integer}};
    static const std::vector<Option> insert = {{"text", A::Text}, {"color", A::Colour},
        {"appendEmpty", A::Switch}, {"appendEmptyLine", A::Switch}};
    static const std::vector<Option> hotKeys = {{"reload", A::Switch}, {"fullscreen", A::Switch},
                                                {"screenshot", A::Switch}, {"stats", A::Switch}, {"speech", A::Switch},
                                                {"review", A::Switch}};
    static const std::vector<Option> speech = {{"rate", A::Integer}, {"pitch", A::Integer}, {"volume", A::Number},
                                               {"voice", A::Text}};
    static const std::vector<Option> cell = {{"x", A::Integer}, {"y", A::Integer}};
    static const std::vector<Option> blit = {{"source", A::Buffer}, {"x", A::Integer}, {"y", A::Integer},
        {"fromX", A::Integer}, {"fromY", A::Integer}, {"width", A::Integer}, {"height", A::Integer},
        {"transparent", A::Switch}};
    static const std::vector<Option> bufferSize = {{"width", A::Integer}, {"height", A::Integer}};
    switch (kind) {
    case Options::Cell: return cell;
    case Options::Blit: return blit;
    case Options::BufferSize: return bufferSize;
    case Options::Print: return print;
    case Options::Put: return put;
    case Options::Row: return row;
    case Options::FillRect:
    case Options::ClearRect: return rect;
    case Options::Border: return border;
    case Options::Window: return window;
    case Options::Label: return label;
    case Options::Field: return field;
    case Options::Console: return console;
    case Options::Insert: return insert;
    case Options::HotKeys: return hotKeys;
    case Options::Speech: return speech;
    case Options::None: break;
    }
    return none;
}

struct Method {
    const char* name;
    std::vector<Arg> args;
    Options options = Options::None;
    // The list that keeps what the method returns (a widget handle, a sound id), if any.
    const char* keptIn = nullptr;
};

// A script class: expressions that make objects of it ('#' stands for a list index) and its methods.
struct ScriptClass {
    const char* name;
    std::vector<const char*> objects;
    std::vector<Method> methods;
};

const std::vector<ScriptClass>& scriptClasses()
{
    using A = Arg;
    static const std::vector<ScriptClass> classes = {
        {"LuaCore", {"core", "LuaCore(gCore)", "LuaCore(gUI)"},
         {{"instance", {}}, {"load", {A::ScriptName}}, {"exit", {A::Integer}}, {"toggleFullscreen", {}},
          {"setWindowTitle", {A::Text}}, {"setHotKeys", {}, Options::HotKeys}, {"setVideoMode", {A::Mode}}, {"getVideoMode", {}},
          {"setDisplayStyle", {A::Style}}, {"getDisplayStyle", {}}, {"setWallpaper", {A::Integer}},
          {"getWallpaper", {}}, {"isKeyDown", {A::Integer}}, {"capture", {A::CapturePath}},
          {"getMouse", {}}, {"isMouseDown", {A::Integer}}, {"setMouseCursor", {A::Switch}},
          {"showStats", {A::Switch}}, {"isStatsShown", {}},
          {"isPadDown", {A::Integer, A::Integer}}, {"getPadAxis", {A::Integer, A::PadAxis}}, {"getPads", {}},
          {"speak", {A::Text, A::Switch}}, {"stopSpeech", {}}, {"isSpeaking", {}}, {"setSpeech", {}, Options::Speech},
          {"getVoices", {}}}},
        {"LuaUtils", {"utils", "LuaUtils(gUtils)", "LuaUtils(gCore)"}, {{"instance", {}}, {"hash", {A::Text}}}},
        {"LuaScreenBuffer", {"screen", "LuaScreenBuffer(gScreenBuffer)", "OLDSCREEN", "LuaScreenBuffer(gUI)", "B[#]",
                             "LuaScreenBuffer(B[#] and B[#].instance())"},
         {{"instance", {}}, {"redraw", {}}, {"clear", {A::Colour}}, {"print", {}, Options::Print},
          {"fillRow", {}, Options::Row}, {"fillRect", {}, Options::FillRect}, {"clearRect", {}, Options::ClearRect},
          {"drawBorder", {}, Options::Border}, {"put", {}, Options::Put}, {"get", {}, Options::Cell},
          {"blit", {}, Options::Blit}, {"getSize", {}}}},
        {"LuaUI", {"ui", "LuaUI(gUI)", "LuaUI(gScreenBuffer)"},
         {{"instance", {}}, {"unfocus", {}}, {"showMessageBox", {A::Text, A::Handler}},
          {"createConsole", {}, Options::Console, "C"}, {"createTextField", {}, Options::Field, "F"},
          {"createWindow", {}, Options::Window, "W"}, {"createLabel", {}, Options::Label, "L"}}},
        {"LuaConsole", {"LuaConsole(C[#])", "LuaConsole(W[#])"},
         {{"instance", {}}, {"setActive", {A::Switch}}, {"isActive", {}}, {"display", {}},
          {"insert", {}, Options::Insert}, {"insertEmptyLine", {}}, {"clear", {}}, {"setId", {A::Integer}},
          {"getId", {}}, {"remove", {}}}},
        {"LuaTextField", {"LuaTextField(F[#])", "LuaTextField(L[#])"},
         {{"instance", {}}, {"focus", {}}, {"unfocus", {}}, {"getText", {}}, {"setText", {A::Text}},
          {"clear", {}}, {"setInputPrefix", {A::Text}}, {"onEnter", {A::Handler}}, {"setId", {A::Integer}},
          {"getId", {}}}},
        {"LuaWindow", {"LuaWindow(W[#])", "LuaWindow(STALE)", "LuaWindow(F[#])"},
         {{"instance", {}}, {"close", {}}, {"onClose", {A::Handler}}, {"onKey", {A::Handler}},
          {"onDraw", {A::Handler}}, {"setTitle", {A::Text}}, {"getTitle", {}}, {"setId", {A::Integer}},
          {"getId", {}}}},
        {"LuaLabel", {"LuaLabel(L[#])", "LuaLabel(C[#])"},
         {{"instance", {}}, {"getText", {}}, {"setText", {A::Text}}, {"setId", {A::Integer}}, {"getId", {}}}},
        {"LuaSoundManager", {"sounds", "LuaSoundManager(gSoundManager)", "LuaSoundManager(gCore)"},
         {{"instance", {}}, {"load", {A::SoundPath, A::Number, A::Number, A::Number}, Options::None, "S"},
          {"unload", {A::SoundId}}, {"unloadAll", {}}, {"play", {A::SoundId}}, {"pause", {A::SoundId}},
          {"stop", {A::SoundId}}, {"setVolume", {A::SoundId, A::Number}}, {"setPan", {A::SoundId, A::Number}},
          {"setPitch", {A::SoundId, A::Number}}, {"setLoop", {A::SoundId, A::Switch}},
          {"set3D", {A::SoundId, A::Switch}}, {"setPosition", {A::SoundId, A::Number, A::Number, A::Number}},
          {"getVolume", {A::SoundId}}, {"getPan", {A::SoundId}}, {"getPitch", {A::SoundId}},
          {"getLoop", {A::SoundId}}, {"is3D", {A::SoundId}}, {"getPosition", {A::SoundId}}}},
    };
    return classes;
}

// Key codes the key plan presses most, as the script's key function may test them.
const int WatchedKeys[] = {0, 17, 36, 57, 58, 59, 60, 71, 73};

class ScriptWriter {
public:
    ScriptWriter(uint64_t seed, Attack attack) : random(seed), attack(attack) {}

    std::string write()
    {
        std::string script = Prelude;
        if (attack == Attack::Churn)
            script += "HUGE = string.rep(\"E\", 10 * 2^20)\n";
        if (attack == Attack::Saves)
            script += damagedSavesCheck();
        // The callbacks come first: globals tampered with later could keep them from being defined.
        for (const std::string& line : callbacks())
            script += line + "\n";
        const int statements = random.between(8, 30);
        for (int i = 0; i < statements; ++i)
            script += guarded(statement(0)) + "\n";
        return script;
    }

private:
    std::vector<std::string> callbacks()
    {
        std::vector<std::string> lines;
        lines.push_back(callback("start", "", block(1)));
        lines.push_back(updateCallback());
        lines.push_back(callback("key", "code, pressed, handled", keyBlocks()));
        lines.push_back(callback("mouse", "kind, column, row, button", block(1)));
        lines.push_back(callback("pad", "number, button, pressed", padBlocks()));
        lines.push_back(callback("padConnected", "number, connected", "local pads = core.getPads(); " + block(1)));
        // A churn run closes windows by the dozen each frame, and each close redraws: its churn
        // stays out of redraw, where it would run hundreds of times a frame.
        lines.push_back(callback("redraw", "", attack == Attack::Churn ? guarded(methodCall()) : block(1)));
        const std::string rewrap = random.chance(70) ? "screen = LuaScreenBuffer(gScreenBuffer); " : "";
        lines.push_back(callback("onSetVideoMode", "mode", rewrap + block(1)));
        return lines;
    }

    // A callback as a function, or now and then something that is no function or nothing. The
    // engine calls callbacks from inside one another (a redraw closes a window, which redraws
    // again): a body that comes back to its own callback runs at most two levels deep, as it
    // must in any script that is meant to end, and not in a tree of calls that never ends.
    std::string callback(const std::string& name, const std::string& parameters, const std::string& body)
    {
        if (random.chance(4))
            return name + " = " + hostile();
        if (random.chance(3))
            return "-- no " + name;
        return reentrantFunction(name, parameters, body);
    }

    static std::string reentrantFunction(const std::string& name, const std::string& parameters, const std::string& body)
    {
        return "function " + name + "(" + parameters + ") return reentrant(\"" + name + "\", function(" + parameters +
               ") " + body + " end" + (parameters.empty() ? "" : ", " + parameters) + ") end";
    }

    // The churn and the captures run from every frame, so their runs always define update.
    std::string updateCallback()
    {
        const std::string body = "N = N + 1; " + guarded(everyFrame()) + frameBlocks();
        if (attack == Attack::Churn)
            return reentrantFunction("update", "dt", body + "; " + churnFrame());
        if (attack == Attack::Captures)
            return reentrantFunction("update", "dt", body + "; " + captureFrame());
        if (attack == Attack::Saves)
            return reentrantFunction("update", "dt", body + "; if N % 4 == 0 then " + guarded(saveStatement(0)) + " end");
        return callback("update", "dt", body);
    }

    std::string everyFrame()
    {
        static const char* const choices[] = {
            "resumeAll()", "collectgarbage(\"step\")", "screen.put({x = N % 80, y = 0, text = \"*\"})",
            "resumeAll(); collectgarbage(\"step\")"};
        return random.pick(choices);
    }

    std::string frameBlocks()
    {
        std::string text;
        const int count = random.between(2, 8);
        for (int i = 0; i < count; ++i)
            text += "; if N == " + std::to_string(random.between(1, 55)) + " then " + block(1) + " end";
        return text;
    }

    std::string keyBlocks()
    {
        std::string text = "N = N + 0";
        const int count = random.between(1, 4);
        for (int i = 0; i < count; ++i)
            text += "; if code == " + std::to_string(random.pick(WatchedKeys)) + " and " +
                    (random.chance(50) ? "pressed" : "not pressed") + " then " + block(1) + " end";
        return text;
    }

    // Pad buttons that the key plan presses most, as the script's pad function may test them.
    std::string padBlocks()
    {
        std::string text = "N = N + 0";
        const int count = random.between(1, 3);
        for (int i = 0; i < count; ++i)
            text += "; if number == " + std::to_string(random.below(2)) + " and button == " + std::to_string(random.below(4)) +
                    " and " + (random.chance(50) ? "pressed" : "not pressed") + " then " + block(1) + " end";
        return text;
    }

    // One to three statements, each guarded or not.
    std::string block(int depth)
    {
        std::string text;
        const int count = random.between(1, 3);
        for (int i = 0; i < count; ++i)
            text += (i ? "; " : "") + guarded(statement(depth));
        return text;
    }

    // Most statements run in a protected call, so that one failure leaves the rest to run; the
    // others let their errors reach the engine.
    std::string guarded(const std::string& statement)
    {
        return random.chance(85) ? "try(function() " + statement + " end)" : statement;
    }

    std::string statement(int depth)
    {
        if (depth >= 2)
            return methodCall();
        using Make = std::string (ScriptWriter::*)(int);
        struct Kind {
            int weight;
            Make make;
            // The attack whose runs make this kind of statement most of the time.
            Attack aim = Attack::Mixed;
        };
        static const Kind kinds[] = {
            {40, &ScriptWriter::methodCallStatement}, {10, &ScriptWriter::windowWithHandlers},
            {5, &ScriptWriter::closeWindow}, {6, &ScriptWriter::handler}, {5, &ScriptWriter::finalizers},
            {4, &ScriptWriter::collectorControl}, {5, &ScriptWriter::coroutineStatement},
            {2, &ScriptWriter::globalsTampering}, {4, &ScriptWriter::debugTrick}, {3, &ScriptWriter::classMetatable},
            {5, &ScriptWriter::displayChange}, {3, &ScriptWriter::loop}, {3, &ScriptWriter::raise}, {3, &ScriptWriter::artStatement},
            {2, &ScriptWriter::callbackTampering}, {2, &ScriptWriter::keepScreen},
            {2, &ScriptWriter::registryTampering, Attack::Registry}, {2, &ScriptWriter::churnStatement, Attack::Churn},
            {2, &ScriptWriter::captureStatement, Attack::Captures}, {2, &ScriptWriter::saveStatement, Attack::Saves},
            {3, &ScriptWriter::newBuffer},
        };
        const auto weightOf = [&](const Kind& kind) { return kind.aim != Attack::Mixed && kind.aim == attack ? 120 : kind.weight; };
        int total = 0;
        for (const Kind& kind : kinds)
            total += weightOf(kind);
        int roll = random.below(total);
        for (const Kind& kind : kinds) {
            if (roll < weightOf(kind))
                return (this->*kind.make)(depth);
            roll -= weightOf(kind);
        }
        return methodCall();
    }

    std::string methodCallStatement(int) { return methodCall(); }

    std::string methodCall() { return methodCallOf(scriptClasses()[random.below(static_cast<int>(scriptClasses().size()))]); }

    std::string methodCallOf(const ScriptClass& scriptClass) { return methodCallOn(scriptClass, objectOf(scriptClass)); }

    std::string methodCallOn(const ScriptClass& scriptClass, const std::string& object)
    {
        const Method& method = scriptClass.methods[random.below(static_cast<int>(scriptClass.methods.size()))];
        const bool colon = random.chance(8);
        std::string call = object + (colon ? ":" : ".") + method.name + "(" + arguments(method) + ")";
        if (method.keptIn)
            return std::string(method.keptIn) + "[#" + method.keptIn + " + 1] = " + call;
        return call;
    }

    std::string objectOf(const ScriptClass& scriptClass)
    {
        if (random.chance(3))
            return scriptClass.name + std::string("(") + hostile() + ")";
        return withIndex(scriptClass.objects[random.below(static_cast<int>(scriptClass.objects.size()))]);
    }

    // An object the class's constructor makes now, of the engine object it is meant for.
    std::string newObjectOf(const ScriptClass& scriptClass)
    {
        for (const char* object : scriptClass.objects)
            if (std::string(object).rfind(scriptClass.name + std::string("("), 0) == 0)
                return withIndex(object);
        return objectOf(scriptClass);
    }

    std::string withIndex(std::string object)
    {
        const size_t slot = object.find('#');
        if (slot != std::string::npos)
            object.replace(slot, 1, index());
        return object;
    }

    std::string index() { return random.chance(85) ? std::to_string(random.between(1, 4)) : "#W"; }

    std::string arguments(const Method& method)
    {
        std::vector<std::string> values;
        for (Arg kind : method.args) {
            if (kind == Arg::Number && random.chance(30))
                break; // optional trailing numbers
            values.push_back(random.chance(20) ? hostile() : plausible(kind));
        }
        if (method.options != Options::None)
            values.push_back(optionTable(method.options));
        if (random.chance(5))
            values.push_back(hostile());
        std::string text;
        for (size_t i = 0; i < values.size(); ++i)
            text += (i ? ", " : "") + values[i];
        return text;
    }

    std::string optionTable(Options kind)
    {
        if (random.chance(8))
            return hostile();
        const std::vector<Option>& options = optionsOf(kind);
        std::string text = "{";
        for (const Option& option : options) {
            if (!random.chance(60))
                continue;
            text += option.name + std::string(" = ") + (random.chance(15) ? hostile() : plausible(option.kind)) + ", ";
        }
        if (random.chance(10))
            text += "[true] = 1, [{}] = 2, [boom] = 3, [7] = \"seven\", ";
        text += "}";
        if (random.chance(5))
            return "setmetatable(" + text + ", {__index = boom, __newindex = boom, __len = boom})";
        return text;
    }

    std::string hostile() { return random.pick(HostileValues); }

    std::string plausible(Arg kind)
    {
        static const char* const texts[] = {"\"hello\"", "\"\"", "\"é♦日本 ☺\"", "BAD", "NUL", "\"a\\nb\\n\\nc\"",
                                            "string.rep(\"ab \", 300)", "\"%s%d%n\"", "12"};
        static const char* const sounds[] = {"\"data/sounds/blip.wav\"", "\"data/sounds/music.ogg\"",
                                             "\"data/sounds/none.wav\"", "\"data/monitor.png\"", "\"\"",
                                             "\"data\"", "\"/dev/null\"", "\"scripts/main.lua\""};
        static const char* const scripts[] = {"\"nothing.lua\"", "\"main.lua\"", "\"\"", "\"../data/monitor.png\"",
                                              "\"startup.lua\""};
        // Never into data/, which is the bundled game's own folder.
        static const char* const captures[] = {"\"shots/method.png\"", "\"shots/full.png\"", "\"/dev/full\"", "\"nowhere/shot.png\"", "\"\"",
                                               "\"shots/shot.bmp\"", "\"shots/shot.nope\"", "\"shots\"", "\"scripts/main.lua\""};
        static const char* const parents[] = {"W[#W]", "W[1]", "F[1]", "L[1]", "C[1]", "STALE", "nil", "gUI"};
        static const char* const buffers[] = {"B[1]", "B[#B]", "screen", "gScreenBuffer", "OLDSCREEN",
                                              "B[1] and B[1].instance()", "LuaScreenBuffer.new{width = 3, height = 2}"};
        static const char* const padAxes[] = {"X", "Y", "Z", "R", "U", "V", "PovX", "PovY", "W"};
        switch (kind) {
        case Arg::Integer: return std::to_string(random.chance(80) ? random.between(-2, 30) : random.between(-100, 1000));
        case Arg::Number: return random.chance(50) ? std::to_string(random.between(-3, 3)) : "0." + std::to_string(random.below(10));
        case Arg::Colour: return std::to_string(random.between(0, 18));
        case Arg::Text: return random.pick(texts);
        case Arg::Switch: return random.chance(50) ? "true" : "false";
        case Arg::Mode: return random.chance(45) ? "VideoMode.Text80x25" : random.chance(90) ? "VideoMode.Text40x25" : "2";
        case Arg::Style: return std::to_string(random.between(0, 3));
        case Arg::PadAxis: return random.chance(80) ? std::string("PadAxis.") + random.pick(padAxes) : std::to_string(random.between(-1, 9));
        case Arg::SoundId: return random.chance(85) ? "S[" + std::to_string(random.between(1, 3)) + "]" : "S[#S]";
        case Arg::SoundPath: return random.pick(sounds);
        case Arg::ScriptName: return random.pick(scripts);
        case Arg::CapturePath: return random.pick(captures);
        case Arg::Parent: return random.pick(parents);
        case Arg::Handler: return handlerFunction("...", 2);
        case Arg::Buffer: return random.pick(buffers);
        }
        return "nil";
    }

    std::string handlerFunction(const std::string& parameters, int depth)
    {
        static const char* const answers[] = {"true", "false", "nil", "\"yes\"", "erroring()"};
        return "function(" + parameters + ") " + block(depth) + "; return " + random.pick(answers) + " end";
    }

    std::string windowWithHandlers(int depth)
    {
        std::string text = "W[#W + 1] = ui.createWindow(" + optionTable(Options::Window) + "); local w = LuaWindow(W[#W])";
        static const char* const slots[] = {"onClose", "onKey", "onDraw"};
        const int count = random.between(1, 3);
        for (int i = 0; i < count; ++i)
            text += std::string("; w.") + random.pick(slots) + "(" + handlerFunction("...", depth + 1) + ")";
        if (random.chance(50))
            text += "; F[#F + 1] = ui.createTextField({parent = W[#W], x = 1, y = 1, width = 12}); LuaTextField(F[#F]).focus(); "
                    "LuaTextField(F[#F]).onEnter(" + handlerFunction("text", depth + 1) + ")";
        if (random.chance(30))
            text += "; local big = string.rep(\"x\", 100000); w.onDraw(function() return #big end)";
        // A draw handler that opens a window with a draw handler doubles the windows every frame;
        // the script stops opening them at a number any game could have.
        return "if #W < 24 then " + text + " end";
    }

    std::string closeWindow(int)
    {
        return "LuaWindow(W[" + index() + "]).close()";
    }

    std::string handler(int depth)
    {
        static const char* const installs[] = {"LuaWindow(W[#]).onClose", "LuaWindow(W[#]).onKey",
                                               "LuaWindow(W[#]).onDraw", "LuaTextField(F[#]).onEnter"};
        std::string install = random.pick(installs);
        install.replace(install.find('#'), 1, index());
        if (random.chance(10))
            return install + "(" + hostile() + ")";
        return install + "(" + handlerFunction("...", depth + 1) + ")";
    }

    std::string finalizers(int depth)
    {
        const int count = random.chance(50) ? 1 : random.between(2, 50);
        return "for i = 1, " + std::to_string(count) + " do finalizer(function() " + block(depth + 1) +
               " end) end; collectgarbage(\"setpause\", 0)";
    }

    std::string collectorControl(int)
    {
        static const char* const choices[] = {"collectgarbage(\"setpause\", 0)", "collectgarbage(\"setstepmul\", 1000)",
            "collectgarbage(\"step\")", "collectgarbage()", "collectgarbage(\"generational\")",
            "collectgarbage(\"incremental\")", "collectgarbage(\"stop\")", "collectgarbage(\"restart\")"};
        return random.pick(choices);
    }

    std::string coroutineStatement(int depth)
    {
        const std::string body = block(depth + 1) + "; coroutine.yield(); " + block(depth + 1);
        if (random.chance(50))
            return "if #CO < 64 then CO[#CO + 1] = coroutine.create(function() " + body + " end) end";
        return "coroutine.wrap(function() " + body + " end)()";
    }

    std::string globalsTampering(int)
    {
        static const char* const choices[] = {
            "setmetatable(_G, {__index = boom, __newindex = boom})",
            "setmetatable(_G, {__index = function(t, k) return erroring() end})",
            "setmetatable(_G, nil)", "_ENV = erroring()", "rawset(_G, \"LuaWindow\", erroring())",
            "LuaCore = nil", "rawset(_G, \"gCore\", gUI)", "gScreenBuffer = nil",
            // Compiled chunks, damaged, which the interpreter would run unchecked.
            "try(function() local d = string.dump(boom); local f = load(d:sub(1, 20) .. BAD .. d:sub(21), \"dump\", \"b\"); if f then f() end end)",
            "try(function() local f = loadstring(string.dump(erroring)); if f then f() end end)"};
        return random.pick(choices);
    }

    std::string debugTrick(int depth)
    {
        switch (random.below(7)) {
        case 0: return "debug.setmetatable(" + hostileTarget() + ", {__index = boom, __newindex = boom, __tostring = boom, __eq = boom, __len = boom, __gc = boom})";
        case 1: return "debug.setmetatable(" + hostileTarget() + ", nil)";
        case 2: return "local f = " + methodClosure() + "; debug.setupvalue(f, " + std::to_string(random.between(1, 2)) + ", " + hostile() + "); f(" + plausible(Arg::Integer) + ")";
        case 3: return "debug.sethook(function() " + hookBody(depth) + " end, \"" + random.pick(HookMasks) + "\", " + std::to_string(random.between(100, 5000)) + ")";
        case 4: return "debug.sethook()";
        case 5: return "debug.setupvalue(" + methodClosure() + ", 1, 2^40)";
        default: return "local f = " + methodClosure() + "; debug.setupvalue(f, 2, " + random.pick(WrongObjects) + "); f(" + plausible(Arg::Text) + ")";
        }
    }

    static constexpr const char* HookMasks[] = {"", "c", "r", "cr"};
    static constexpr const char* WrongObjects[] = {"core", "screen", "LuaWindow(STALE)", "io.stdout", "newproxy and newproxy() or {}"};

    std::string hostileTarget()
    {
        static const char* const targets[] = {"gCore", "gUI", "nil", "0", "\"\"", "true", "boom", "DEAD", "core", "io.stdout"};
        return random.pick(targets);
    }

    std::string methodClosure()
    {
        static const char* const closures[] = {"core.getVideoMode", "screen.clear", "ui.createWindow", "sounds.play",
                                               "core.setWindowTitle", "utils.hash", "LuaWindow(W[1]).close"};
        return random.pick(closures);
    }

    // Hooks run very often: they do cheap things only.
    std::string hookBody(int)
    {
        static const char* const bodies[] = {"error(\"hook\")", "collectgarbage(\"step\")", "core.getVideoMode()",
                                             "debug.sethook()", "screen.put({x = 1, y = 1, text = \"h\"})",
                                             "coroutine.yield()"};
        return random.pick(bodies);
    }

    std::string classMetatable(int)
    {
        static const char* const classes[] = {"core", "screen", "ui", "sounds", "utils", "LuaWindow(W[1])"};
        static const char* const changes[] = {"mt.__index = boom", "mt.__gc = nil", "mt.__gc = boom", "mt.close = 256 + 2^40",
            "mt.instance = 0/0", "mt.instance = 256 + 999", "mt.getVideoMode = 257.5", "mt.__tostring = nil",
            "mt.__newindex = nil", "mt.__eq = boom", "mt.__metatable = false", "mt.hash = -1"};
        return std::string("local mt = getmetatable(") + random.pick(classes) + "); " + random.pick(changes);
    }

    std::string displayChange(int)
    {
        if (random.chance(2))
            return "core.exit(" + std::to_string(random.between(0, 3)) + ")";
        if (random.chance(10))
            return "core.toggleFullscreen()";
        if (random.chance(30))
            return "core.setDisplayStyle(" + plausible(Arg::Style) + ")";
        return "core.setVideoMode(" + plausible(Arg::Mode) + ")";
    }

    std::string loop(int depth)
    {
        return "for i = 1, " + std::to_string(random.between(2, 60)) + " do " + block(depth + 1) + " end";
    }

    std::string raise(int)
    {
        static const char* const choices[] = {"error(\"boom\")", "error(erroring())", "error(nil)", "error(BIG)",
                                              "error(setmetatable({}, {__tostring = boom}))", "coroutine.yield()",
                                              "error(BAD, 2)", "local t = nil; t.x = 1"};
        return random.pick(choices);
    }

    std::string callbackTampering(int)
    {
        static const char* const names[] = {"start", "update", "key", "mouse", "redraw", "onSetVideoMode", "pad",
                                            "padConnected"};
        return std::string("rawset(_G, \"") + random.pick(names) + "\", " + hostile() + ")";
    }

    std::string keepScreen(int) { return "OLDSCREEN = screen"; }

    // Off-screen buffers of any size asked, kept or dropped for the collector; now and then one
    // as large as a buffer may be, so that the memory they may take together runs out.
    std::string newBuffer(int)
    {
        const std::string options = random.chance(20) ? "{width = 1024, height = 1024}" : optionTable(Options::BufferSize);
        const std::string made = "LuaScreenBuffer.new(" + options + ")";
        return random.chance(70) ? "B[#B + 1] = " + made : made;
    }

    // A registry entry replaced with a value of any type, then objects made and methods called
    // while it stands; now and then it is put back afterwards. The class metatables are the
    // entries that objects are made with, the integer keys hold the window handlers, 2 the globals.
    // The io library's own entries are left alone: the interpreter's io functions take what they
    // find there on trust.
    std::string registryTampering(int)
    {
        static const char* const entries[] = {"LuaCore", "LuaUtils", "LuaScreenBuffer", "LuaUI", "LuaConsole",
            "LuaTextField", "LuaWindow", "LuaLabel", "LuaSoundManager", "_LOADED", "_PRELOAD", "1", "2", "3",
            "HANDLERS"};
        static const char* const values[] = {"nil", "true", "false", "0", "1", "-1", "2^53", "0/0", "\"\"",
            "\"LuaCore\"", "BIG", "{}", "{__index = boom}", "erroring()", "boom", "print", "coroutine.create(boom)",
            "DEAD", "gCore", "gUI", "io.stdout", "core", "screen", "REGISTRY.LuaUI", "REGISTRY.LuaWindow",
            "REGISTRY.LuaCore", "REGISTRY[2]", "REGISTRY", "getmetatable(\"\")", "_G"};
        const std::string entry = random.pick(entries);
        const std::string value = random.pick(values);
        if (entry == "HANDLERS")
            return "for k in pairs(REGISTRY) do if type(k) == \"number\" and k > 2 then REGISTRY[k] = " + value +
                   " end end" + usesAfterTampering(entry);
        const std::string slot = "REGISTRY[" + (std::isdigit(static_cast<unsigned char>(entry[0])) ? entry : "\"" + entry + "\"") + "]";
        const std::string restore = random.chance(60) ? "; " + slot + " = kept" : "";
        return "local kept = " + slot + "; " + slot + " = " + value + usesAfterTampering(entry) + restore;
    }

    std::string usesAfterTampering(const std::string& entry)
    {
        std::string text;
        const int calls = random.between(1, 4);
        for (int i = 0; i < calls; ++i)
            text += "; try(function() " + afterTampering(entry) + " end)";
        return text;
    }

    // What uses the entry just replaced: the class's own objects and methods most of the time.
    std::string afterTampering(const std::string& entry)
    {
        for (const ScriptClass& scriptClass : scriptClasses())
            if (entry == scriptClass.name && random.chance(80))
                return methodCallOn(scriptClass, random.chance(75) ? newObjectOf(scriptClass) : objectOf(scriptClass));
        static const char* const uses[] = {"require(\"nothing\")", "require(\"string\")", "io.write(\"\")",
            "print(\"x\")", "collectgarbage()", "LuaCore(gCore).getVideoMode()", "LuaUI(gUI).unfocus()",
            "LuaScreenBuffer(gScreenBuffer).clear(1)", "LuaWindow(W[1]).close()"};
        return random.chance(50) ? random.pick(uses) : methodCall();
    }

    // Things that stores in the engine keep, made many at a time, and errors that are costly to
    // keep and show.
    std::string churnStatement(int)
    {
        switch (random.below(5)) {
        case 0: return consoleChurn();
        case 1: return "for i = 1, " + std::to_string(random.between(1, 4)) + " do ui.showMessageBox(\"churn \" .. N .. \" \" .. i, function() return " +
                       (random.chance(50) ? "true" : "false") + " end) end";
        case 2: return "for i = 1, " + std::to_string(random.between(1, 10)) + " do local w = LuaWindow(ui.createWindow({x = 1, y = 1, width = 20, height = 8, title = \"churn\"})); " +
                       "w.onDraw(function() return N end); w.close() end";
        case 3: return failingLoads();
        default: return churnError();
        }
    }

    // A huge error, now and then, to be shown while the frames go on; one full of NUL bytes; one
    // whose text goes on after a NUL (which must then be said too).
    std::string churnError()
    {
        static const char* const errors[] = {"if N % 60 == 1 then error(HUGE) end",
                                             "error(string.rep(\"\\0\", 100000) .. BAD)",
                                             "error(\"NULBEFORE\\0NULAFTER \" .. N)"};
        return random.pick(errors);
    }

    // Consoles of 256 by 256 cells: kept until the consoles' memory runs out, or removed, and
    // then used through their dead handles. An entry is laid out whole at every insert, and churn
    // runs in every redraw, so a full entry is 64 kB: a megabyte each time made runs under the
    // sanitizers outlast their time on the script's own work.
    std::string consoleChurn()
    {
        static const char* const afterwards[] = {"C[#C + 1] = c", "LuaConsole(c).remove()",
            "LuaConsole(c).remove(); LuaConsole(c).insert({text = \"gone\"})",
            "LuaConsole(c).insert({text = BIG:sub(1, 65536)}); LuaConsole(c).remove()",
            "LuaConsole(c).remove(); LuaConsole(c).remove()"};
        return "for i = 1, " + std::to_string(random.between(1, 4)) +
               " do try(function() local c = ui.createConsole({x = 0, y = 0, width = 256, height = 256}); " +
               random.pick(afterwards) + " end) end";
    }

    // Loads of files that are not there, with a new name each time: each is an error of its own,
    // printed with its traceback. A few a frame pass the record's bound within a run; a hundred
    // made runs under the sanitizers outlast their time printing.
    std::string failingLoads()
    {
        static const int nameLengths[] = {0, 0, 100, 2000};
        return "for i = 1, " + std::to_string(random.between(3, 12)) + " do core.load(\"nope\" .. string.rep(\"n\", " +
               std::to_string(random.pick(nameLengths)) + ") .. N .. \"_\" .. i .. \"_\" .. math.random(1e9)) end";
    }

    // The churn of every frame in a churn run: one to three kinds, and often an error that
    // reaches the engine, last, as it ends the frame's script code.
    std::string churnFrame()
    {
        std::string text;
        const int count = random.between(1, 3);
        for (int i = 0; i < count; ++i)
            text += guarded(churnStatement(0)) + "; ";
        return text + (random.chance(60) ? churnError() : "N = N + 0");
    }

    // Captures many at a time, to a link to the full device and then a file that takes them (the
    // failure of the first must then have been said), and, in a callback, in the frame that exits.
    std::string captureStatement(int depth)
    {
        static const int counts[] = {1, 2, 5, 16, 17, 100, 1000};
        switch (random.below(depth > 0 ? 4 : 3)) {
        case 0:
            return "for i = 1, " + std::to_string(random.pick(counts)) + " do core.capture(\"shots/\" .. N .. \"-\" .. i .. \".png\") end";
        case 1: return "core.capture(\"shots/full.png\"); core.capture(\"shots/full-\" .. N .. \".png\")";
        case 2: return "core.capture(" + plausible(Arg::CapturePath) + ")";
        default: return "core.capture(\"shots/exit-\" .. N .. \".png\"); core.exit(" + std::to_string(random.between(0, 1)) + ")";
        }
    }

    // Before anything else has touched the save folder, every damaged name is loaded: each must
    // give nil and a message, and the Lua source in one must not have run. A reload runs the
    // script again, after saves over the damaged files: the check removes its mark, and runs
    // only while the mark is there.
    static std::string damagedSavesCheck()
    {
        std::string names;
        for (const char* name : DamagedSaveNames)
            names += std::string(names.empty() ? "" : ", ") + "\"" + name + "\"";
        return std::string("SAVED = {}; function deepTable(n) local t = {} for i = 1, n do t = {t} end return t end\n") +
               "if core.loadSaved(\"" + UncheckedSaveName + "\") then for _, name in ipairs({" + names + "}) do local v, m = core.loadSaved(name); "
               "if v ~= nil or type(m) ~= \"string\" or RAN then io.stderr:write(\"" + SaveFault +
               " \" .. name .. \": \" .. tostring(v) .. \", \" .. tostring(m) .. \"\\n\") end end; core.save(\"" +
               UncheckedSaveName + "\", nil) end\n";
    }

    // Loads, saves (over damaged files too), removals and listings, in any order.
    std::string saveStatement(int)
    {
        switch (random.below(6)) {
        case 0: return "SAVED[#SAVED % 8 + 1] = core.loadSaved(" + saveName() + ")";
        case 1: return "core.save(" + saveName() + ", " + saveValue() + ")";
        case 2: return "for _, n in ipairs(core.savedNames()) do SAVED[#SAVED % 8 + 1] = core.loadSaved(n) end";
        case 3: return "for _, n in ipairs(core.savedNames()) do core.save(n, (core.loadSaved(n))) end";
        case 4: return "for i = #SAVED, 1, -1 do core.save(" + saveName() + ", SAVED[i]) end";
        default: return "core.save(" + saveName() + ", nil)";
        }
    }

    std::string saveName()
    {
        static const char* const others[] = {"\"new\"", "\"good\"", "\".good.Xy12zQ.new\"", "\"../up\"", "\"\"", "NUL"};
        if (random.chance(10))
            return random.chance(50) ? random.pick(others) : hostile();
        const bool damaged = random.chance(60);
        return "\"" + std::string(damaged ? random.pick(DamagedSaveNames) : random.pick(OtherSaveNames)) + "\"";
    }

    std::string saveValue()
    {
        static const char* const values[] = {
            "nil", "true", "0/0", "-0.0", "BIG", "BAD", "NUL", "{1, 2, {x = BAD, [NUL] = NUL}}", "SAVED[1]", "SAVED",
            "deepTable(99)", "deepTable(101)", "oddKeys()", "erroring()", "string.rep(\"s\", 17 * 2^20)", "boom"};
        return random.chance(10) ? hostile() : random.pick(values);
    }

    // Loads a cell-art file, damaged or whole, and saves and measures what it gives; the loaded
    // buffer is kept a while for the collector to find later. Never saved into data/, which is
    // the bundled game's own folder.
    std::string artStatement(int)
    {
        static const char* const others[] = {"\"art/none.xp\"", "\"art/out.xp\"", "\"art\"", "\"data/monitor.png\"",
                                             "\"/dev/zero\"", "\"\""};
        static const char* const saves[] = {"\"art/out.xp\"", "\"art\"", "\"nowhere/out.xp\"", "\"/dev/full\"", "\"\""};
        const std::string path = random.chance(80) ? "\"" + std::string(ArtFolder) + "/" + std::to_string(random.below(ArtFileCount)) + ".xp\""
                                                   : random.pick(others);
        return "local b, m = LuaScreenBuffer.load(" + path + "); if b then ART = b; b.save(" + random.pick(saves) +
               "); local w, h = b.getSize() end";
    }

    // A capture run captures in some frames and exits in one of them.
    std::string captureFrame()
    {
        std::string text = "if N % " + std::to_string(random.between(1, 10)) + " == 0 then " + guarded(captureStatement(0)) + " end";
        return text + "; if N == " + std::to_string(random.between(2, 58)) +
               " then core.capture(\"shots/exit.png\"); core.exit(0) end";
    }

    Random random;
    Attack attack;
};

} // namespace

std::string generateScript(uint64_t seed, Attack attack)
{
    return ScriptWriter(seed, attack).write();
}

} // namespace qel::fuzz
