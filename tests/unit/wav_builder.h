#pragma once

// Plain mono PCM images for the sound tests, as the program's recordings are made.

#include <cstdint>
#include <vector>

namespace wavtest {

using Bytes = std::vector<std::uint8_t>;

inline Bytes Pcm(std::uint32_t rate, std::uint16_t bits, const Bytes& data) {
    const auto size = static_cast<std::uint32_t>(data.size());
    Bytes b;
    auto put = [&](std::uint32_t v) {
        for (int i = 0; i < 4; ++i) b.push_back(static_cast<std::uint8_t>(v >> (8 * i)));
    };
    b.insert(b.end(), {'R', 'I', 'F', 'F'});
    put(36 + size + size % 2);
    b.insert(b.end(), {'W', 'A', 'V', 'E', 'f', 'm', 't', ' '});
    // The fmt chunk in little-endian words: its size; PCM, one channel; the rate;
    // bytes a second; bytes a frame, bits a sample.
    for (std::uint32_t v : {16u, 1u | 1u << 16, rate, rate * bits / 8, bits / 8u | bits << 16}) put(v);
    b.insert(b.end(), {'d', 'a', 't', 'a'});
    put(size);
    b.insert(b.end(), data.begin(), data.end());
    if (size % 2) b.push_back(0);
    return b;
}

}  // namespace wavtest
