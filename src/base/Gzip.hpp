#pragma once

#include <vector>

namespace qel {

// The bytes as one gzip member, compressed as zlib does by default; empty when zlib cannot
// start.
std::vector<unsigned char> gzip(const std::vector<unsigned char>& raw);

} // namespace qel
