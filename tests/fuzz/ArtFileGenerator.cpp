#include "fuzz/ArtFileGenerator.hpp"

#include "base/Gzip.hpp"

#include <algorithm>
#include <climits>
#include <string>

namespace qel::fuzz {

namespace {

// Values at the edges of what a header field or a character may hold.
constexpr int32_t EdgeValues[] = {0, 1, -1, 2, 9, 10, 255, 256, 1024, 1025, 0x10000, INT_MAX, INT_MIN};

size_t below(Random& random, size_t count)
{
    return static_cast<size_t>(random.below(static_cast<int>(count)));
}

PlantedSave artFile(int number, const test::Bytes& bytes)
{
    PlantedSave file;
    file.name = std::to_string(number) + ".xp";
    file.contents.assign(bytes.begin(), bytes.end());
    return file;
}

} // namespace

test::Bytes mutatedXpFile(Random& random, test::Bytes raw)
{
    switch (random.below(5)) {
    case 0:
        for (int i = random.between(1, 6); i > 0; --i)
            raw[below(random, raw.size())] = static_cast<unsigned char>(random.next());
        break;
    case 1: {
        test::XpPayload value;
        value.int32(random.pick(EdgeValues));
        const size_t field = std::min(below(random, raw.size()) / 2 * 2, raw.size() - value.bytes.size());
        std::copy(value.bytes.begin(), value.bytes.end(), raw.begin() + static_cast<long>(field));
        break;
    }
    case 2: raw.resize(below(random, raw.size())); break;
    case 3: {
        const test::Bytes copy = raw;
        const size_t at = below(random, raw.size());
        raw.insert(raw.begin() + static_cast<long>(at), copy.begin(), copy.begin() + static_cast<long>(below(random, copy.size())));
        break;
    }
    default: break;
    }
    test::Bytes file = gzip(raw);
    if (random.chance(10))
        file.resize(below(random, file.size()));
    else if (random.chance(10))
        file[below(random, file.size())] ^= static_cast<unsigned char>(1 << random.below(8));
    return file;
}

std::vector<PlantedSave> generateArtFiles(uint64_t seed)
{
    Random random(seed ^ 0x4172742046696c65ull);
    const auto picture = [&] {
        const int layers = random.between(1, 3);
        const int width = random.between(1, 40);
        return test::XpPayload::picture(layers, width, random.between(1, 25)).bytes;
    };
    std::vector<PlantedSave> files = {artFile(0, gzip(picture()))};
    for (int number = 1; number < ArtFileCount; ++number)
        files.push_back(artFile(number, random.chance(5) ? test::gzipBomb(test::XpPayload::picture(1, 2, 2).bytes, 256)
                                                         : mutatedXpFile(random, picture())));
    return files;
}

} // namespace qel::fuzz
