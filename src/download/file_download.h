#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "platform/system.h"
#include "platform/transfer.h"

// Downloads one web address to one file. The data goes to dest + ".part"
// beside dest, which takes dest's place only when the whole body came with
// a 2xx answer (and, for pictures, starts like one); otherwise dest stays as
// it was and the partial file is removed.
//
// OnProgress(progress, max, status, text), values clamped to int32, in order:
//   (0, 0, kStarted, "")                 once, before the request goes out;
//   (bytes, total or 0, status, text)    for each report of the transfer;
//   (n, n, kDone, "")                    on success: n is the length, or the
//                                        bytes received when none was given
//                                        (Percent reaches 100; 0 for an empty body);
//   (bytes, 0, kFailed, reason)          on failure: max 0 keeps Percent at 0.
// Statuses are those of transfer_status (download/http_rules.h).
class CFileDownload {
public:
    static constexpr std::uint64_t kListLimit = 4ull << 20;
    static constexpr std::uint64_t kPictureLimit = 64ull << 20;
    // A transfer with no progress for this long ends as stalled.
    static constexpr std::uint32_t kStallMs = 30000;

    CFileDownload(Transfer& transfer, System& sys) : transfer_(transfer), sys_(sys) {}
    CFileDownload(const CFileDownload&) = delete;
    CFileDownload& operator=(const CFileDownload&) = delete;

    std::function<void(std::int32_t progress, std::int32_t max, std::int32_t status,
                       const std::wstring& text)>
        OnProgress;

    enum class Content { Any, Picture };

    // True when dest now holds the body. False at once, with nothing
    // started, while a download runs (a call from OnProgress or from a
    // message handled meanwhile), for an address other than http(s) and for
    // an empty dest. A picture's limit is at most kPictureLimit.
    bool StartDownloading(const std::wstring& src, const std::wstring& dest, Content content = Content::Any,
                          std::uint64_t limit = kListLimit);
    // Ends the running download, which then fails; nothing when none runs.
    void AbortDownloading();
    bool Busy() const { return busy_; }

    // Text at p: null gives ""; unicode: UTF-16 up to its NUL; else bytes in
    // the ANSI code page up to their NUL.
    static std::wstring StrFromPtr(const void* p, bool unicode, const System& sys);

private:
    void Raise(std::uint64_t progress, std::uint64_t max, std::int32_t status, const std::wstring& text);

    Transfer& transfer_;
    System& sys_;
    bool busy_ = false;
    bool abortAsked_ = false;
};
