#pragma once

#include <optional>
#include <string>

// Which proxy a web address goes through, from the user's Internet settings.

// The settings as Windows gives them for the current user.
struct ProxySettings {
    bool autoDetect = false;     // find a configuration script on the network
    std::wstring autoConfigUrl;  // a configuration script's address
    std::wstring proxy;          // "host:port", or per scheme "http=h:p;https=h:p"
    std::wstring bypass;         // "<local>;*.example;10.*"
};

// What a configuration script (found or given) says for one address.
struct AutoProxyAnswer {
    bool direct = true;
    std::wstring proxy, bypass;  // as in ProxySettings
};

namespace proxy {

// The proxy ("host:port") of a proxy list that serves url's scheme, or ""
// for none; "" too when url's host is in the bypass list. "<local>" there
// names every host without a dot; "*" matches any run of characters.
std::wstring Choose(const std::wstring& url, const std::wstring& proxies, const std::wstring& bypass);

}  // namespace proxy

// The proxy for each address of a run. A configuration script, when the
// settings name one or ask for detection, comes first; when it cannot be had
// the fixed proxy serves, and it is not asked for again in this run (its
// detection can take seconds each time).
class ProxyChooser {
public:
    explicit ProxyChooser(ProxySettings settings) : settings_(std::move(settings)) {}
    // Whether For wants the script's answer for the next address.
    bool WantsScript() const {
        return !scriptFailed_ && (settings_.autoDetect || !settings_.autoConfigUrl.empty());
    }
    const ProxySettings& Settings() const { return settings_; }
    // "host:port" of the proxy for url, or "" for a direct connection.
    // answer: the script's, or nullopt when it failed or was not asked.
    std::wstring For(const std::wstring& url, const std::optional<AutoProxyAnswer>& answer);

private:
    ProxySettings settings_;
    bool scriptFailed_ = false;
};
