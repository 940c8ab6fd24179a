#pragma once
// HttpTransfer over WinInet: one session, connection and request per GET, all closed with the
// response. The system's Internet settings (and so its proxy) apply unless the user named a
// proxy server of their own.
#include <windows.h>

#include <string>

#include "update/update_ports.h"

namespace tarvex {

struct ProxySettings {
    std::string Server;  // "host:port"; empty: the system's Internet settings
    std::string UserName;
    std::string Password;
};

class WinInetTransfer final : public HttpTransfer {
public:
    // A stalled server would otherwise hold the user-interface thread for good: WinInet sets no
    // limit of its own on connecting, sending or waiting for data.
    static constexpr DWORD kDefaultTimeoutMs = 30000;

    explicit WinInetTransfer(ProxySettings proxy = {}, DWORD timeoutMs = kDefaultTimeoutMs)
        : proxy_(std::move(proxy)), timeoutMs_(timeoutMs) {}

    std::unique_ptr<HttpResponse> Get(const HttpRequest& request) override;

private:
    ProxySettings proxy_;
    DWORD timeoutMs_;
};

}  // namespace tarvex
