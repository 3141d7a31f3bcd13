#pragma once

#include "fuzz/Attack.hpp"

#include <cstdint>
#include <string>

namespace qel::fuzz {

// Writes the hostile game script of one seed: a launch script that calls every method of the
// nine script classes with odd and wrong arguments, from its top level, from every callback the
// engine makes, from window handlers, collector finalizers, coroutines and debug hooks, and
// tampers with globals, metatables and the registry on the way. A script aimed at one attack
// makes that attack's statements most of the time (and, for the churn and the captures, makes
// them in every frame too).
//
// Every line of the script is one whole statement, so that dropping any set of lines leaves a
// script that still compiles: that is how a failing script is cut down to a short one.
std::string generateScript(uint64_t seed, Attack attack);

} // namespace qel::fuzz
