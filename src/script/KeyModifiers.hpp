#pragma once

namespace qel {

// What the window said about a key event beside its key: the modifier keys held with it, and
// whether the press is one that a held key repeats.
struct KeyModifiers {
    bool shift = false;
    bool control = false;
    bool alt = false;
    bool system = false;
    bool repeated = false;
};

} // namespace qel
