#include "update/win32/wininet_transfer.h"

#include <wininet.h>

#include <optional>

#include "platform/win32/unicode.h"
#include "platform/win32/unique_handle.h"

namespace tarvex {
namespace {

struct InternetHandleTraits {
    using Handle = HINTERNET;
    static Handle Invalid() noexcept { return nullptr; }
    static void Close(Handle handle) noexcept { InternetCloseHandle(handle); }
};
using UniqueInternetHandle = UniqueHandle<InternetHandleTraits>;

void SetTimeouts(HINTERNET handle, DWORD timeoutMs) {
    for (const DWORD option :
         {INTERNET_OPTION_CONNECT_TIMEOUT, INTERNET_OPTION_SEND_TIMEOUT, INTERNET_OPTION_RECEIVE_TIMEOUT}) {
        DWORD value = timeoutMs;
        InternetSetOptionW(handle, option, &value, sizeof value);
    }
}

void SetTextOption(HINTERNET handle, DWORD option, const std::string& text) {
    if (text.empty()) return;
    std::wstring wide = Utf8ToWide(text);
    InternetSetOptionW(handle, option, wide.data(), static_cast<DWORD>(wide.size()));
}

// The handles of one request, closed request first.
class WinInetResponse final : public HttpResponse {
public:
    WinInetResponse(UniqueInternetHandle session, UniqueInternetHandle connection, UniqueInternetHandle request)
        : session_(std::move(session)), connection_(std::move(connection)), request_(std::move(request)) {}

    std::optional<std::uint32_t> StatusCode() override {
        DWORD status = 0;
        DWORD size = sizeof status;
        if (!HttpQueryInfoW(request_.get(), HTTP_QUERY_STATUS_CODE | HTTP_QUERY_FLAG_NUMBER, &status, &size, nullptr)) {
            return std::nullopt;
        }
        return status;
    }

    // Read as text, so that a length past 4 GiB or one that is no number is not taken for another.
    std::optional<std::uint64_t> ContentLength() override {
        wchar_t text[32] = {};
        DWORD size = sizeof text - sizeof(wchar_t);
        if (!HttpQueryInfoW(request_.get(), HTTP_QUERY_CONTENT_LENGTH, text, &size, nullptr)) return std::nullopt;
        std::uint64_t value = 0;
        int digits = 0;
        const wchar_t* at = text;
        while (*at == L' ') ++at;
        for (; *at >= L'0' && *at <= L'9'; ++at, ++digits) {
            if (digits == 18) return std::nullopt;
            value = value * 10 + static_cast<std::uint64_t>(*at - L'0');
        }
        while (*at == L' ') ++at;
        if (digits == 0 || *at != L'\0') return std::nullopt;
        return value;
    }

    std::optional<std::size_t> Read(char* buffer, std::size_t size) override {
        DWORD read = 0;
        if (!InternetReadFile(request_.get(), buffer, static_cast<DWORD>(size), &read)) return std::nullopt;
        return read;
    }

private:
    UniqueInternetHandle session_;
    UniqueInternetHandle connection_;
    UniqueInternetHandle request_;
};

}  // namespace

std::unique_ptr<HttpResponse> WinInetTransfer::Get(const HttpRequest& request) {
    const std::wstring agent = Utf8ToWide(request.Agent);
    const std::wstring proxy = Utf8ToWide(proxy_.Server);
    UniqueInternetHandle session(
        proxy.empty() ? InternetOpenW(agent.c_str(), INTERNET_OPEN_TYPE_PRECONFIG, nullptr, nullptr, 0)
                      : InternetOpenW(agent.c_str(), INTERNET_OPEN_TYPE_PROXY, proxy.c_str(), nullptr, 0));
    if (!session) return nullptr;
    SetTimeouts(session.get(), timeoutMs_);

    const std::wstring server = Utf8ToWide(request.ServerName);
    const std::wstring userName = Utf8ToWide(request.UserName);
    const std::wstring password = Utf8ToWide(request.Password);
    UniqueInternetHandle connection(
        InternetConnectW(session.get(), server.c_str(), request.Port, userName.empty() ? nullptr : userName.c_str(),
                         password.empty() ? nullptr : password.c_str(), INTERNET_SERVICE_HTTP, 0, 0));
    if (!connection) return nullptr;
    // Options set on the session do not reach the connection's requests.
    SetTimeouts(connection.get(), timeoutMs_);
    if (!proxy.empty()) {
        SetTextOption(connection.get(), INTERNET_OPTION_PROXY_USERNAME, proxy_.UserName);
        SetTextOption(connection.get(), INTERNET_OPTION_PROXY_PASSWORD, proxy_.Password);
    }

    const std::wstring objectPath = Utf8ToWide(request.ObjectPath);
    const wchar_t* acceptTypes[] = {L"*/*", nullptr};
    UniqueInternetHandle httpRequest(HttpOpenRequestW(
        connection.get(), L"GET", objectPath.c_str(), L"HTTP/1.0", nullptr, acceptTypes,
        INTERNET_FLAG_RELOAD | INTERNET_FLAG_NO_CACHE_WRITE | (request.Secure ? INTERNET_FLAG_SECURE : 0), 0));
    if (!httpRequest) return nullptr;
    SetTimeouts(httpRequest.get(), timeoutMs_);
    if (!HttpSendRequestW(httpRequest.get(), nullptr, 0, nullptr, 0)) return nullptr;
    return std::make_unique<WinInetResponse>(std::move(session), std::move(connection), std::move(httpRequest));
}

}  // namespace tarvex
