#include "sound/play_wav.h"

#include <span>
#include <vector>

#include "sound/speech.h"
#include "sound/wav.h"

namespace {

// Wine ends an 8-bit sound with zero bytes, a full-scale click; as 16-bit,
// its padding is silence. Only a sound that ends before the call returns
// may play from a copy.
void Play(System& sys, std::span<const std::uint8_t> image, std::uint32_t flags) {
    if (!(flags & snd::kAsync)) {
        if (const auto wide = Widen8(image)) {
            sys.PlayImage(*wide, flags | snd::kMemory);
            return;
        }
    }
    sys.PlayImage(image, flags | snd::kMemory);
}

}  // namespace

void PlayWav(System& sys, std::string_view name, std::uint32_t flags) {
    const auto image = sys.FindWav(name);
    if (image.empty()) throw SoundNotFound(name);
    Play(sys, image, flags);
}

void SpeakTime(System& sys, const LocalTime& now) {
    const std::vector<std::string> pieces = ComposeSpeech(now);

    // Played as one image the pieces follow each other without the pause the
    // platform puts between two sounds.
    std::vector<std::span<const std::uint8_t>> images;
    images.reserve(pieces.size());
    for (const auto& name : pieces) {
        const auto image = sys.FindWav(name);
        if (image.empty()) break;
        images.push_back(image);
    }
    if (images.size() == pieces.size()) {
        if (const auto joined = JoinWav(images)) {
            Play(sys, *joined, snd::kSyncNoDefault);
            return;
        }
    }

    // Pieces that cannot be joined still play, one by one; a missing one is
    // left out rather than cutting the announcement short.
    for (const auto& name : pieces) {
        try {
            PlayWav(sys, name);
        } catch (const SoundNotFound&) {
        }
    }
}
