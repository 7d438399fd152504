#include "win32/winhttp_job.h"

#include <algorithm>
#include <vector>

#include "download/http_rules.h"

using namespace winhttp;

namespace {

std::wstring Part(const wchar_t* p, DWORD n) { return p ? std::wstring(p, n) : std::wstring(); }

// A response header as text; empty when absent.
std::wstring Header(const Api& http, HINTERNET req, DWORD which) {
    DWORD bytes = 0;
    http.QueryHeaders(req, which, WINHTTP_HEADER_NAME_BY_INDEX, WINHTTP_NO_OUTPUT_BUFFER, &bytes,
                      WINHTTP_NO_HEADER_INDEX);
    if (::GetLastError() != ERROR_INSUFFICIENT_BUFFER || bytes == 0) return {};
    std::wstring s(bytes / sizeof(wchar_t) + 1, L'\0');
    bytes = static_cast<DWORD>(s.size() * sizeof(wchar_t));
    if (!http.QueryHeaders(req, which, WINHTTP_HEADER_NAME_BY_INDEX, s.data(), &bytes,
                           WINHTTP_NO_HEADER_INDEX))
        return {};
    s.resize(bytes / sizeof(wchar_t));
    return s;
}

}  // namespace

TransferFacts WinHttpTransfer::Job::Fetch() {
    TransferFacts f;
    const HINTERNET session = shared->Session();
    if (!session) {
        f.failed = true;
        return f;
    }
    const Api& http = Http();
    std::wstring at = url;
    for (int hop = 0;; ++hop) {
        URL_COMPONENTS uc{};
        uc.dwStructSize = sizeof uc;
        uc.dwSchemeLength = uc.dwHostNameLength = uc.dwUrlPathLength = uc.dwExtraInfoLength =
            static_cast<DWORD>(-1);
        if (!http.CrackUrl(at.c_str(), static_cast<DWORD>(at.size()), 0, &uc) ||
            (uc.nScheme != INTERNET_SCHEME_HTTP && uc.nScheme != INTERNET_SCHEME_HTTPS)) {
            f.failed = true;
            return f;
        }
        const std::wstring host = Part(uc.lpszHostName, uc.dwHostNameLength);
        std::wstring path =
            Part(uc.lpszUrlPath, uc.dwUrlPathLength) + Part(uc.lpszExtraInfo, uc.dwExtraInfoLength);
        path = path.substr(0, path.find(L'#'));
        if (path.empty()) path = L"/";

        const Internet connect = http.Own(http.Connect(session, host.c_str(), uc.nPort, 0));
        const DWORD flags =
            WINHTTP_FLAG_REFRESH | (uc.nScheme == INTERNET_SCHEME_HTTPS ? WINHTTP_FLAG_SECURE : 0);
        const HINTERNET req = connect
                                  ? http.OpenRequest(connect.get(), L"GET", path.c_str(), nullptr,
                                                     WINHTTP_NO_REFERER, WINHTTP_DEFAULT_ACCEPT_TYPES, flags)
                                  : nullptr;
        if (!req) {
            Failed(f);
            return f;
        }
        if (!Publish(http.Own(req))) {
            f.aborted = true;
            return f;
        }
        struct Closer {
            Job& job;
            ~Closer() { job.CloseRequest(); }
        } closer{*this};

        http.SetTimeouts(req, kConnectMs, kConnectMs, kConnectMs, static_cast<int>(stallMs));
        DWORD option = stallMs;
        http.SetOption(req, WINHTTP_OPTION_RECEIVE_RESPONSE_TIMEOUT, &option, sizeof option);
        // Redirects are followed here, each target checked first.
        option = WINHTTP_OPTION_REDIRECT_POLICY_NEVER;
        if (!http.SetOption(req, WINHTTP_OPTION_REDIRECT_POLICY, &option, sizeof option)) {
            f.failed = true;
            return f;
        }
        f.started = true;
        if (!Live() ||
            !http.SendRequest(req, WINHTTP_NO_ADDITIONAL_HEADERS, 0, WINHTTP_NO_REQUEST_DATA, 0, 0, 0) ||
            !Live() || !http.ReceiveResponse(req, nullptr)) {
            Failed(f);
            return f;
        }
        DWORD status = 0, size = sizeof status;
        if (!Live() ||
            !http.QueryHeaders(req, WINHTTP_QUERY_STATUS_CODE | WINHTTP_QUERY_FLAG_NUMBER,
                               WINHTTP_HEADER_NAME_BY_INDEX, &status, &size, WINHTTP_NO_HEADER_INDEX)) {
            Failed(f);
            return f;
        }
        f.httpStatus = status;
        const std::wstring location =
            status >= 300 && status < 400 ? Header(http, req, WINHTTP_QUERY_LOCATION) : L"";
        if (!location.empty()) {
            if (hop == kMaxRedirects) {
                f.failed = true;
                return f;
            }
            at = ResolveUrl(at, location);
            if (!allowed(at)) {
                f.redirectRefused = true;
                return f;
            }
            Report({0, 0, transfer_status::kRedirecting, at});
            continue;
        }
        if (status < 200 || status > 299) return f;
        if (const std::wstring length = Header(http, req, WINHTTP_QUERY_CONTENT_LENGTH); !length.empty()) {
            f.length = ParseContentLength(length);
            if (!f.length) f.failed = true;  // a length that cannot be read cannot be checked
        }
        if (f.length && *f.length > limit)
            f.overLimit = true;
        else if (!f.failed)
            Receive(req, f);
        return f;
    }
}

void WinHttpTransfer::Job::Receive(HINTERNET req, TransferFacts& f) {
    const Api& http = Http();
    if (!Write(nullptr, 0, CREATE_ALWAYS)) {
        Failed(f);
        return;
    }
    // Pieces are gathered to a chunk before each write: the file is opened
    // for every write, and WinHTTP hands over a few KiB at a time.
    std::vector<std::uint8_t> buf(kChunk);
    DWORD filled = 0;
    const auto flush = [&] {
        if (filled == 0) return true;
        if (!Write(buf.data(), filled, OPEN_EXISTING)) return false;
        filled = 0;
        Report({f.received, f.length.value_or(0), transfer_status::kReceiving, L""});
        return true;
    };
    for (;;) {
        DWORD avail = 0, got = 0;
        if (!Live() || !http.QueryDataAvailable(req, &avail)) return Failed(f);
        // The end; a cut connection also ends here, and the length tells.
        if (avail == 0) break;
        if (!Live() || !http.ReadData(req, buf.data() + filled, std::min(avail, kChunk - filled), &got))
            return Failed(f);
        if (got == 0) break;
        if (f.received + got > limit) {
            f.overLimit = true;
            return;
        }
        const auto keep = std::min<std::size_t>(kHeadBytes - f.head.size(), got);
        f.head.insert(f.head.end(), buf.begin() + filled,
                      buf.begin() + filled + static_cast<std::ptrdiff_t>(keep));
        f.received += got;
        filled += got;
        if (filled == kChunk && !flush()) return Failed(f);
    }
    if (!flush()) Failed(f);
}
