#pragma once

// Builds RIFF/WAVE images for the sound tests, well-formed or not.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace wavtest {

using Bytes = std::vector<std::uint8_t>;

inline void Put(Bytes& b, std::uint32_t v, int n) {
    for (int i = 0; i < n; ++i) b.push_back(static_cast<std::uint8_t>(v >> (8 * i)));
}

struct Chunk {
    std::string id;
    Bytes body;
    std::optional<std::uint32_t> size = std::nullopt;  // stored size when it should lie
    bool pad = true;                                   // add the pad byte after an odd body
};

inline Bytes FmtBody(std::uint16_t tag, std::uint16_t channels, std::uint32_t rate, std::uint16_t bits) {
    const std::uint16_t align = static_cast<std::uint16_t>(channels * ((bits + 7) / 8));
    Bytes b;
    Put(b, tag, 2);
    Put(b, channels, 2);
    Put(b, rate, 4);
    Put(b, rate * align, 4);
    Put(b, align, 2);
    Put(b, bits, 2);
    return b;
}

inline Bytes Riff(const std::vector<Chunk>& chunks, std::optional<std::uint32_t> riffSize = std::nullopt) {
    Bytes body{'W', 'A', 'V', 'E'};
    for (const auto& c : chunks) {
        body.insert(body.end(), c.id.begin(), c.id.end());
        Put(body, c.size.value_or(static_cast<std::uint32_t>(c.body.size())), 4);
        body.insert(body.end(), c.body.begin(), c.body.end());
        if (c.pad && c.body.size() % 2) body.push_back(0);
    }
    Bytes out{'R', 'I', 'F', 'F'};
    Put(out, riffSize.value_or(static_cast<std::uint32_t>(body.size())), 4);
    out.insert(out.end(), body.begin(), body.end());
    return out;
}

// A plain mono PCM image.
inline Bytes Pcm(std::uint32_t rate, std::uint16_t bits, const Bytes& data, std::uint16_t channels = 1) {
    return Riff({{"fmt ", FmtBody(1, channels, rate, bits)}, {"data", data}});
}

}  // namespace wavtest
