#include <thread>

#include "win32/winhttp_request.h"

using winhttp::Internet;
using winhttp::TakeText;

namespace {
constexpr wchar_t kAgent[] = L"QingChuang/1.82";
constexpr DWORD kCallbacks = WINHTTP_CALLBACK_FLAG_ALL_COMPLETIONS | WINHTTP_CALLBACK_FLAG_HANDLES;
constexpr int kScriptTimeoutMs = 10000;
}  // namespace

HINTERNET WinHttpTransfer::SessionFor(const std::wstring& url) {
    if (!proxies_) {
        WINHTTP_CURRENT_USER_IE_PROXY_CONFIG ie{};
        ProxySettings settings;
        if (api_.GetUserProxyConfig(&ie))
            settings = {ie.fAutoDetect != FALSE, TakeText(ie.lpszAutoConfigUrl), TakeText(ie.lpszProxy),
                        TakeText(ie.lpszProxyBypass)};
        proxies_.emplace(std::move(settings));
    }
    std::optional<AutoProxyAnswer> answer;
    if (proxies_->WantsScript()) answer = AskScript(url);
    const std::wstring proxy = proxies_->For(url, answer);
    Internet& session = sessions_[proxy];
    if (session) return session.get();
    // The proxy was chosen above, bypass list and all: the session only goes through it.
    session = api_.Own(api_.Open(
        kAgent, proxy.empty() ? WINHTTP_ACCESS_TYPE_NO_PROXY : WINHTTP_ACCESS_TYPE_NAMED_PROXY,
        proxy.empty() ? WINHTTP_NO_PROXY_NAME : proxy.c_str(), WINHTTP_NO_PROXY_BYPASS, WINHTTP_FLAG_ASYNC));
    if (!session ||
        api_.SetStatusCallback(session.get(), OnStatus, kCallbacks, 0) == WINHTTP_INVALID_STATUS_CALLBACK) {
        session.reset();
        return nullptr;
    }
    // Windows 7 offers only TLS 1.0 unless asked; older systems refuse 1.3.
    DWORD tls = WINHTTP_FLAG_SECURE_PROTOCOL_TLS1 | WINHTTP_FLAG_SECURE_PROTOCOL_TLS1_1 |
                WINHTTP_FLAG_SECURE_PROTOCOL_TLS1_2 | WINHTTP_FLAG_SECURE_PROTOCOL_TLS1_3;
    if (!api_.SetOption(session.get(), WINHTTP_OPTION_SECURE_PROTOCOLS, &tls, sizeof tls)) {
        tls &= ~WINHTTP_FLAG_SECURE_PROTOCOL_TLS1_3;
        api_.SetOption(session.get(), WINHTTP_OPTION_SECURE_PROTOCOLS, &tls, sizeof tls);
    }
    return session.get();
}

std::optional<AutoProxyAnswer> WinHttpTransfer::AskScript(const std::wstring& url) {
    if (!scriptSession_) {
        scriptSession_ = api_.Own(api_.Open(kAgent, WINHTTP_ACCESS_TYPE_NO_PROXY, WINHTTP_NO_PROXY_NAME,
                                            WINHTTP_NO_PROXY_BYPASS, 0));
        if (!scriptSession_) return std::nullopt;
        api_.SetTimeouts(scriptSession_.get(), kScriptTimeoutMs, kScriptTimeoutMs, kScriptTimeoutMs,
                         kScriptTimeoutMs);
    }
    const ProxySettings& s = proxies_->Settings();
    WINHTTP_AUTOPROXY_OPTIONS options{};
    options.fAutoLogonIfChallenged = TRUE;
    if (!s.autoConfigUrl.empty()) {
        options.dwFlags = WINHTTP_AUTOPROXY_CONFIG_URL;
        options.lpszAutoConfigUrl = s.autoConfigUrl.c_str();
    } else {
        options.dwFlags = WINHTTP_AUTOPROXY_AUTO_DETECT;
        options.dwAutoDetectFlags = WINHTTP_AUTO_DETECT_TYPE_DHCP | WINHTTP_AUTO_DETECT_TYPE_DNS_A;
    }
    // Detection and the script can take seconds: asked on a thread of its
    // own while the window's messages run, and always waited for.
    WINHTTP_PROXY_INFO info{};
    BOOL ok = FALSE;
    const Handle done(::CreateEventW(nullptr, TRUE, FALSE, nullptr));
    if (!done) return std::nullopt;
    std::thread ask;
    try {
        ask = std::thread([&] {
            ok = api_.GetProxyForUrl(scriptSession_.get(), url.c_str(), &options, &info);
            ::SetEvent(done.get());
        });
    } catch (...) {
        return std::nullopt;
    }
    for (HANDLE event = done.get(); ::WaitForSingleObject(event, 0) != WAIT_OBJECT_0;) {
        ::MsgWaitForMultipleObjectsEx(1, &event, INFINITE, QS_ALLINPUT, MWMO_INPUTAVAILABLE);
        if (!pump_.RunWaiting()) ::WaitForSingleObject(event, INFINITE);
    }
    ask.join();
    std::wstring proxy = TakeText(info.lpszProxy), bypass = TakeText(info.lpszProxyBypass);
    if (!ok) return std::nullopt;
    return AutoProxyAnswer{info.dwAccessType != WINHTTP_ACCESS_TYPE_NAMED_PROXY, std::move(proxy),
                           std::move(bypass)};
}
