#include "sound/wav.h"

#include <cstring>
#include <limits>

#include "base/bytes.h"

namespace {

using bytes::Le16;
using bytes::Le32;

bool IsId(std::span<const std::uint8_t> b, std::size_t at, const char* id) {
    return std::memcmp(b.data() + at, id, 4) == 0;
}

constexpr std::size_t kHeaderSize = 44;

// The 44-byte header of a PCM image holding dataSize bytes of samples, with
// room reserved for them.
std::vector<std::uint8_t> Header(const WavFormat& f, std::uint32_t dataSize) {
    std::vector<std::uint8_t> out(kHeaderSize);
    std::size_t at = 0;
    const auto id = [&](const char* s) {
        std::memcpy(out.data() + at, s, 4);
        at += 4;
    };
    const auto put = [&](std::uint32_t v, int count) {
        bytes::PutLe(out.data() + at, v, count);
        at += count;
    };
    id("RIFF");
    put(static_cast<std::uint32_t>(kHeaderSize - 8) + dataSize + (dataSize & 1), 4);
    id("WAVE");
    id("fmt ");
    put(16, 4);
    put(f.formatTag, 2);
    put(f.channels, 2);
    put(f.sampleRate, 4);
    put(f.byteRate, 4);
    put(f.blockAlign, 2);
    put(f.bitsPerSample, 2);
    id("data");
    put(dataSize, 4);
    out.reserve(kHeaderSize + dataSize + (dataSize & 1));
    return out;
}

}  // namespace

std::optional<WavInfo> ParseWav(std::span<const std::uint8_t> image) {
    if (image.size() < 12 || !IsId(image, 0, "RIFF") || !IsId(image, 8, "WAVE")) return std::nullopt;
    const std::uint64_t riffEnd = std::uint64_t{Le32(image, 4)} + 8;
    // Bytes after the RIFF chunk are not part of the sound; a RIFF chunk
    // longer than the image means the image was cut short.
    if (riffEnd > image.size() || riffEnd < 12) return std::nullopt;
    const std::size_t end = static_cast<std::size_t>(riffEnd);

    std::optional<WavFormat> format;
    std::optional<std::span<const std::uint8_t>> data;
    std::size_t pos = 12;
    while (end - pos >= 8) {
        const std::size_t size = Le32(image, pos + 4);
        const std::size_t body = pos + 8;
        if (size > end - body) return std::nullopt;
        if (IsId(image, pos, "fmt ") && !format) {
            if (size < 16) return std::nullopt;
            WavFormat f;
            f.formatTag = Le16(image, body);
            f.channels = Le16(image, body + 2);
            f.sampleRate = Le32(image, body + 4);
            f.byteRate = Le32(image, body + 8);
            f.blockAlign = Le16(image, body + 12);
            f.bitsPerSample = Le16(image, body + 14);
            if (f.channels == 0 || f.sampleRate == 0 || f.blockAlign == 0 || f.bitsPerSample == 0)
                return std::nullopt;
            format = f;
        } else if (IsId(image, pos, "data") && !data) {
            data = image.subspan(body, size);
        }
        // Chunks are word-aligned; the last one may lack its pad byte.
        pos = body + size + (size & 1);
        if (pos >= end) break;
    }
    if (!format || !data) return std::nullopt;
    return WavInfo{*format, *data};
}

std::optional<std::vector<std::uint8_t>> JoinWav(const std::vector<std::span<const std::uint8_t>>& images) {
    if (images.empty()) return std::nullopt;
    std::vector<WavInfo> parts;
    parts.reserve(images.size());
    std::uint64_t total = 0;
    for (const auto& image : images) {
        auto info = ParseWav(image);
        if (!info || info->format.formatTag != 1) return std::nullopt;
        if (!parts.empty() && !(info->format == parts.front().format)) return std::nullopt;
        // A partial frame at the end of one part would shift every later sample.
        const std::size_t whole = info->data.size() - info->data.size() % info->format.blockAlign;
        info->data = info->data.first(whole);
        total += whole;
        parts.push_back(*info);
    }
    if (total > std::numeric_limits<std::uint32_t>::max() - kHeaderSize) return std::nullopt;

    std::vector<std::uint8_t> out = Header(parts.front().format, static_cast<std::uint32_t>(total));
    for (const auto& part : parts) out.insert(out.end(), part.data.begin(), part.data.end());
    if (total & 1) out.push_back(0);
    return out;
}

std::optional<std::vector<std::uint8_t>> Widen8(std::span<const std::uint8_t> image) {
    const auto info = ParseWav(image);
    if (!info || info->format.formatTag != 1 || info->format.bitsPerSample != 8 ||
        info->format.channels > 16 ||
        info->data.size() > (std::numeric_limits<std::uint32_t>::max() - kHeaderSize) / 2)
        return std::nullopt;
    WavFormat f = info->format;
    f.bitsPerSample = 16;
    f.blockAlign = static_cast<std::uint16_t>(2 * f.channels);
    f.byteRate = f.sampleRate * f.blockAlign;
    std::vector<std::uint8_t> out = Header(f, static_cast<std::uint32_t>(info->data.size() * 2));
    // Unsigned 8-bit around 128 to signed 16-bit around 0.
    out.resize(out.size() + 2 * info->data.size());
    std::uint8_t* at = out.data() + kHeaderSize;
    for (const std::uint8_t s : info->data) {
        bytes::PutLe(at, static_cast<std::uint16_t>((s - 128) * 256), 2);
        at += 2;
    }
    return out;
}
