#include "base/DeferredRelease.hpp"

namespace qel {

namespace {

// Everything runs on the main thread, so one count and one list serve the whole engine.
int holdDepth = 0;

std::vector<std::shared_ptr<void>>& kept()
{
    static std::vector<std::shared_ptr<void>> objects;
    return objects;
}

} // namespace

DeferredRelease::Hold::Hold()
{
    ++holdDepth;
}

// The list is taken over before it is cleared, so that a destructor that releases another
// object adds to a fresh list, which the loop frees in turn.
DeferredRelease::Hold::~Hold()
{
    if (--holdDepth > 0)
        return;
    while (!kept().empty()) {
        std::vector<std::shared_ptr<void>> dropped;
        dropped.swap(kept());
    }
}

bool DeferredRelease::holding()
{
    return holdDepth > 0;
}

void DeferredRelease::keep(std::shared_ptr<void> object)
{
    kept().push_back(std::move(object));
}

} // namespace qel
