#pragma once

#include <memory>
#include <vector>

namespace qel {

// Engine objects that are dropped while engine code may still be using them: a screen buffer
// replaced by a video-mode change, a closed widget, the consoles of a run that reloads. Script
// code can ask for such a drop at almost any moment (a handler, a finalizer that the collector
// runs in the middle of a script method), so every script method and every widget pass holds
// what is dropped while it runs: while any Hold exists, released objects are kept, and the
// outermost Hold frees them as it ends. Script code that runs long between methods (a loop in
// update) keeps nothing.
class DeferredRelease {
public:
    class Hold {
    public:
        Hold();
        ~Hold();
        Hold(const Hold&) = delete;
        Hold& operator=(const Hold&) = delete;
    };

    // Frees the object now when nothing holds, else when the outermost Hold ends.
    template <class T>
    static void release(std::unique_ptr<T> object)
    {
        if (object && holding())
            keep(std::shared_ptr<void>(std::move(object)));
    }

    static bool holding();

private:
    static void keep(std::shared_ptr<void> object);
};

} // namespace qel
