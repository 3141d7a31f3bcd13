#pragma once

#include "fuzz/Random.hpp"
#include "fuzz/SaveFolderGenerator.hpp"
#include "support/XpPayload.hpp"

#include <cstdint>
#include <vector>

namespace qel::fuzz {

// The cell-art files a run's game folder holds, in its folder "art"; scripts load them.
constexpr int ArtFileCount = 4;
constexpr const char* ArtFolder = "art";

// The file of the uncompressed payload with one damage of the kinds a hostile file has: bytes
// set at random, a header field or a character set to a value at some edge, the data cut short
// or a stretch of it repeated, or none; then, now and then, the compressed bytes cut or flipped.
test::Bytes mutatedXpFile(Random& random, test::Bytes raw);

// The art of one seed: 0.xp a whole picture of one to three layers, 1.xp to 3.xp mutated ones,
// and now and then one that inflates to hundreds of megabytes.
std::vector<PlantedSave> generateArtFiles(uint64_t seed);

} // namespace qel::fuzz
