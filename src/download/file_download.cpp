#include "download/file_download.h"

#include <algorithm>
#include <cstring>
#include <limits>

#include "base/scoped_flag.h"
#include "download/http_rules.h"
#include "wallpaper/picture_info.h"

namespace {

std::int32_t Clamp(std::uint64_t v) {
    return static_cast<std::int32_t>(std::min<std::uint64_t>(v, std::numeric_limits<std::int32_t>::max()));
}

// Why the transfer cannot stand as the file; empty when it can.
std::wstring Fault(const TransferFacts& f, CFileDownload::Content content, std::uint64_t limit) {
    if (f.aborted) return L"aborted";
    if (f.stalled) return L"stalled";
    if (f.redirectRefused) return L"redirect refused";
    if (f.overLimit || f.received > limit) return L"over limit";
    if (f.failed || !f.started) return L"failed";
    if (f.httpStatus < 200 || f.httpStatus > 299) return L"HTTP " + std::to_wstring(f.httpStatus);
    if (f.length && *f.length != f.received) return L"incomplete";
    if (content == CFileDownload::Content::Picture && !wallpaper::IsPictureStart(f.head))
        return L"not a picture";
    return {};
}

}  // namespace

bool CFileDownload::StartDownloading(const std::wstring& src, const std::wstring& dest, Content content,
                                     std::uint64_t limit) {
    if (busy_ || !Fetchable(src) || dest.empty()) return false;
    const ScopedFlag busy(busy_);
    abortAsked_ = false;

    if (content == Content::Picture) limit = std::min(limit, kPictureLimit);
    const std::wstring temp = dest + L".part";
    Raise(0, 0, transfer_status::kStarted, L"");

    TransferFacts facts;
    if (abortAsked_) {
        facts.aborted = true;  // asked for by the start report's handler
    } else {
        facts = transfer_.Run(src, temp, limit, Fetchable, [this](const TransferReport& r) {
            Raise(r.progress, r.max, static_cast<std::int32_t>(std::min<std::uint32_t>(r.status, INT32_MAX)),
                  r.text);
        });
        if (abortAsked_) facts.aborted = true;
    }

    std::wstring fault = Fault(facts, content, limit);
    if (fault.empty() && !sys_.MoveReplace(temp, dest)) fault = L"cannot replace";
    if (!fault.empty()) {
        sys_.RemoveFile(temp);
        Raise(facts.received, 0, transfer_status::kFailed, fault);
        return false;
    }
    const std::uint64_t total = facts.length.value_or(facts.received);
    Raise(total, total, transfer_status::kDone, L"");
    return true;
}

void CFileDownload::AbortDownloading() {
    if (!busy_) return;
    abortAsked_ = true;
    transfer_.Abort();
}

void CFileDownload::Raise(std::uint64_t progress, std::uint64_t max, std::int32_t status,
                          const std::wstring& text) {
    if (OnProgress) OnProgress(Clamp(progress), Clamp(max), status, text);
}

std::wstring CFileDownload::StrFromPtr(const void* p, bool unicode, const System& sys) {
    if (!p) return {};
    const auto* bytes = static_cast<const unsigned char*>(p);
    if (!unicode) return sys.FromAnsi(reinterpret_cast<const char*>(bytes));
    std::wstring out;
    // Units are copied out one by one: p need not be aligned.
    auto unit = [&](std::size_t i) {
        char16_t u;
        std::memcpy(&u, bytes + 2 * i, sizeof u);
        return u;
    };
    for (std::size_t i = 0; unit(i) != 0; ++i) {
        const char16_t u = unit(i);
        if constexpr (sizeof(wchar_t) == 4) {
            const char16_t next = u >= 0xD800 && u < 0xDC00 ? unit(i + 1) : 0;
            if (next >= 0xDC00 && next < 0xE000) {
                out += static_cast<wchar_t>(0x10000 + ((u - 0xD800) << 10) + (next - 0xDC00));
                ++i;
                continue;
            }
        }
        out += static_cast<wchar_t>(u);
    }
    return out;
}
