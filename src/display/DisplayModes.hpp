#pragma once

namespace qel {

// The numbers are the ones scripts see in the VideoMode and DisplayStyle tables.
enum class VideoMode { Text80x25 = 0, Text40x25 = 1 };
enum class DisplayStyle { Default = 0, FullFill = 1, FullFit = 2 };

// Whether a change of mode or style has the scripts redraw the screen at once, or leaves that
// to a caller that redraws anyway.
enum class Repaint { Now, Later };

} // namespace qel
