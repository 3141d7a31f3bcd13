#pragma once

#include "fuzz/Random.hpp"

#include <cstdint>
#include <cstring>
#include <optional>

namespace qel::fuzz {

// What a run goes after. Most runs are the mixed hostile script; the others aim at one weak
// spot each, with a script (or a recording) made for it.
enum class Attack {
    // Every method with odd arguments, from every callback, with tampering on the way.
    Mixed,
    // Registry entries (class metatables, handler references, the globals) replaced with values
    // of every type, then objects made and their methods called.
    Registry,
    // Consoles, message boxes, windows, failing loads and huge errors made every frame, for
    // longer than the other runs: memory must stay under the run's bound.
    Churn,
    // Captures every frame, many in one frame, to a full device and in the frame that exits.
    Captures,
    // The program started with -replay and a hostile recording file.
    Replay,
    // A save folder of damaged and hostile files, loaded, saved over and listed in every order.
    Saves,
    // The mixed script's game packed into an archive, damaged or not, and run from it by the
    // program's own start.
    Archive,
};

struct AttackShare {
    Attack attack;
    const char* name;
    // Out of 100 runs.
    int share;
};

// The mixed script keeps most of the runs, so that a short session still runs it often.
constexpr AttackShare AttackShares[] = {{Attack::Mixed, "mixed", 42}, {Attack::Registry, "registry", 12},
                                        {Attack::Churn, "churn", 12}, {Attack::Captures, "captures", 10},
                                        {Attack::Replay, "replay", 11}, {Attack::Saves, "saves", 7},
                                        {Attack::Archive, "archive", 6}};

// The attack of a seed: a stream of its own, apart from the script's and the keys'.
inline Attack attackOf(uint64_t seed)
{
    int roll = Random(seed ^ 0x41747461636B5321ull).below(100);
    for (const AttackShare& share : AttackShares) {
        if (roll < share.share)
            return share.attack;
        roll -= share.share;
    }
    return Attack::Mixed;
}

inline const char* attackName(Attack attack)
{
    for (const AttackShare& share : AttackShares)
        if (share.attack == attack)
            return share.name;
    return "?";
}

inline std::optional<Attack> attackNamed(const char* name)
{
    for (const AttackShare& share : AttackShares)
        if (std::strcmp(share.name, name) == 0)
            return share.attack;
    return std::nullopt;
}

} // namespace qel::fuzz
