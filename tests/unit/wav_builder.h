#pragma once

// Plain PCM images for the sound tests, as the program's recordings are made.

#include <cstdint>
#include <vector>

namespace wavtest {

using Bytes = std::vector<std::uint8_t>;

inline Bytes Pcm(std::uint32_t rate, std::uint16_t bits, const Bytes& data, std::uint16_t channels = 1) {
    const std::uint32_t align = channels * bits / 8, size = static_cast<std::uint32_t>(data.size());
    Bytes b;
    auto put = [&](std::uint32_t v, int n) {
        for (int i = 0; i < n; ++i) b.push_back(static_cast<std::uint8_t>(v >> (8 * i)));
    };
    b.insert(b.end(), {'R', 'I', 'F', 'F'});
    put(36 + size + size % 2, 4);
    b.insert(b.end(), {'W', 'A', 'V', 'E', 'f', 'm', 't', ' '});
    for (auto [v, n] : {std::pair{16u, 4},
                        {1u, 2},
                        {std::uint32_t{channels}, 2},
                        {rate, 4},
                        {rate * align, 4},
                        {align, 2},
                        {std::uint32_t{bits}, 2}})
        put(v, n);
    b.insert(b.end(), {'d', 'a', 't', 'a'});
    put(size, 4);
    b.insert(b.end(), data.begin(), data.end());
    if (size % 2) b.push_back(0);
    return b;
}

}  // namespace wavtest
