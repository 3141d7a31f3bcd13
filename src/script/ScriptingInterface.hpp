#pragma once

#include <string>

namespace qel {

class UIWidget;
class TextField;

// Reference to a script function kept by the script host; NoReference means no handler.
constexpr int NoReference = -1;

// Everything the engine asks of its scripts.
class ScriptingInterface {
public:
    virtual ~ScriptingInterface() = default;

    virtual bool load(const std::string& launchScriptName) = 0;
    virtual void reload() = 0;
    virtual void start() = 0;
    virtual void update(float frameTime) = 0;
    virtual void runFile(const std::string& fileName) = 0;
    virtual void onGlobalKey(int keyCode, bool pressed, bool handled) = 0;
    virtual void redraw() = 0;
    virtual bool onWidgetClose(UIWidget* widget, bool flag) = 0;
    // Whether the key goes on to the script's global key function.
    virtual bool onWidgetKey(UIWidget* widget, int keyCode, bool pressed) = 0;
    virtual bool onWidgetDraw(UIWidget* widget) = 0;
    virtual bool onTextFieldEnter(TextField* field) = 0;
    virtual void onSetVideoMode(int mode) = 0;
    // Lets go of a handler reference that no widget keeps any more.
    virtual void releaseReference(int reference) = 0;
};

// Prefix of every file path the engine opens: files are found relative to the working directory.
inline std::string basePath()
{
    return "";
}

} // namespace qel
