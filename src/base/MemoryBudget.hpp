#pragma once

#include <cstddef>

namespace qel {

// Memory that several engine objects made at a script's asking draw from together, so that a
// script making or filling them without end meets a limit instead of taking the machine's memory.
class MemoryBudget {
public:
    explicit MemoryBudget(std::size_t limit) : limit(limit) {}

    // Takes the bytes; false, taking nothing, when they would pass the limit.
    bool take(std::size_t bytes)
    {
        if (bytes > limit - used)
            return false;
        used += bytes;
        return true;
    }

    void give(std::size_t bytes) { used -= bytes < used ? bytes : used; }

    std::size_t getUsed() const { return used; }
    std::size_t getLimit() const { return limit; }

private:
    std::size_t limit;
    std::size_t used = 0;
};

} // namespace qel
