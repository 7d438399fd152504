#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

// The fmt chunk's fields, as stored.
struct WavFormat {
    std::uint16_t formatTag = 0;  // 1 is PCM
    std::uint16_t channels = 0;
    std::uint32_t sampleRate = 0;
    std::uint32_t byteRate = 0;
    std::uint16_t blockAlign = 0;
    std::uint16_t bitsPerSample = 0;
    bool operator==(const WavFormat&) const = default;
};

struct WavInfo {
    WavFormat format;
    std::span<const std::uint8_t> data;  // the samples, inside the parsed image
};

// Reads a RIFF/WAVE image. Fails (nullopt) when the image is not one: wrong
// magic, a chunk reaching past the image, no fmt or data chunk, a fmt chunk
// shorter than 16 bytes or with zero channels, rate, bits or block size.
std::optional<WavInfo> ParseWav(std::span<const std::uint8_t> image);

// One PCM image holding the samples of all images in order, so they play as
// one sound without the gap the platform leaves between sounds. Fails when
// there is no image, an image is malformed or not PCM, or the formats differ.
std::optional<std::vector<std::uint8_t>> JoinWav(const std::vector<std::span<const std::uint8_t>>& images);

// The same sound as 16-bit PCM, for an 8-bit PCM image; nullopt for any other.
std::optional<std::vector<std::uint8_t>> Widen8(std::span<const std::uint8_t> image);
