#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

// Numbers stored in the bytes of a file, little- or big-endian. The caller
// makes sure the bytes are there.
namespace bytes {

using View = std::span<const std::uint8_t>;

inline std::uint16_t Le16(View b, std::size_t at) {
    return static_cast<std::uint16_t>(b[at] | b[at + 1] << 8);
}
inline std::uint32_t Le32(View b, std::size_t at) {
    return std::uint32_t{b[at]} | std::uint32_t{b[at + 1]} << 8 | std::uint32_t{b[at + 2]} << 16 |
           std::uint32_t{b[at + 3]} << 24;
}
inline std::uint16_t Be16(View b, std::size_t at) {
    return static_cast<std::uint16_t>(b[at] << 8 | b[at + 1]);
}
inline std::uint32_t Be32(View b, std::size_t at) {
    return std::uint32_t{b[at]} << 24 | std::uint32_t{b[at + 1]} << 16 | std::uint32_t{b[at + 2]} << 8 |
           b[at + 3];
}
// Writes the low `count` bytes of v at `out`, least significant first.
inline void PutLe(std::uint8_t* out, std::uint64_t v, int count) {
    for (int i = 0; i < count; ++i) out[i] = static_cast<std::uint8_t>(v >> (8 * i));
}

}  // namespace bytes
