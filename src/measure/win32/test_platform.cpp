#include "measure/win32/test_platform.h"

#include <winsock2.h>
#include <windows.h>
#include <ws2tcpip.h>

#include <string>

#include "common/error.h"
#include "platform/win32/message_loop.h"
#include "platform/win32/unicode.h"
#include "platform/win32/win32_error.h"

namespace tarvex {
namespace {

// The socket is closed on every path out of a probe.
class Socket {
public:
    explicit Socket(SOCKET socket) : socket_(socket) {}
    ~Socket() {
        if (socket_ != INVALID_SOCKET) closesocket(socket_);
    }
    Socket(const Socket&) = delete;
    Socket& operator=(const Socket&) = delete;
    SOCKET get() const { return socket_; }

private:
    SOCKET socket_;
};

class AddressList {
public:
    ~AddressList() {
        if (list_) freeaddrinfo(list_);
    }
    addrinfo** Out() { return &list_; }
    const addrinfo* get() const { return list_; }

private:
    addrinfo* list_ = nullptr;
};

double Seconds(const LARGE_INTEGER& from, const LARGE_INTEGER& to, const LARGE_INTEGER& frequency) {
    return static_cast<double>(to.QuadPart - from.QuadPart) / static_cast<double>(frequency.QuadPart);
}

Error ProbeError(const std::string& host, const std::string& what, int code) {
    return Error(what + " " + host + ": " + SystemErrorText(static_cast<DWORD>(code)));
}

}  // namespace

WinsockConnectProbe::WinsockConnectProbe() {
    WSADATA data;
    started_ = WSAStartup(MAKEWORD(2, 2), &data) == 0;
}

WinsockConnectProbe::~WinsockConnectProbe() {
    if (started_) WSACleanup();
}

// A non-blocking connect waited for with select, so that a host that never answers ends the
// probe at its time-out; the name is resolved before the clock starts.
double WinsockConnectProbe::Connect(const std::string& host, std::uint16_t port, std::uint32_t timeoutMs) {
    if (!started_) throw Error("Windows Sockets could not be started.");
    addrinfo hints{};
    hints.ai_family = AF_INET;
    hints.ai_socktype = SOCK_STREAM;
    hints.ai_protocol = IPPROTO_TCP;
    AddressList addresses;
    const std::string service = std::to_string(port);
    if (const int code = getaddrinfo(host.c_str(), service.c_str(), &hints, addresses.Out()); code != 0)
        throw ProbeError(host, "Windows could not find", code);
    const addrinfo* address = addresses.get();
    if (!address) throw Error("Windows could not find " + host + ".");

    const Socket socket(::socket(address->ai_family, address->ai_socktype, address->ai_protocol));
    if (socket.get() == INVALID_SOCKET) throw ProbeError(host, "No socket could be made to reach", WSAGetLastError());
    u_long nonBlocking = 1;
    if (ioctlsocket(socket.get(), FIONBIO, &nonBlocking) != 0)
        throw ProbeError(host, "No socket could be made to reach", WSAGetLastError());

    LARGE_INTEGER frequency, start, end;
    QueryPerformanceFrequency(&frequency);
    QueryPerformanceCounter(&start);
    if (connect(socket.get(), address->ai_addr, static_cast<int>(address->ai_addrlen)) != 0) {
        const int code = WSAGetLastError();
        if (code != WSAEWOULDBLOCK) throw ProbeError(host, "Windows could not connect to", code);
        fd_set writable, failed;
        FD_ZERO(&writable);
        FD_ZERO(&failed);
        FD_SET(socket.get(), &writable);
        FD_SET(socket.get(), &failed);
        timeval wait{static_cast<long>(timeoutMs / 1000), static_cast<long>((timeoutMs % 1000) * 1000)};
        const int ready = select(0, nullptr, &writable, &failed, &wait);
        if (ready == 0) throw Error(host + " did not answer within " + std::to_string(timeoutMs / 1000) + " seconds.");
        if (ready == SOCKET_ERROR) throw ProbeError(host, "Windows could not connect to", WSAGetLastError());
        if (FD_ISSET(socket.get(), &failed)) {
            int error = 0;
            int length = sizeof error;
            getsockopt(socket.get(), SOL_SOCKET, SO_ERROR, reinterpret_cast<char*>(&error), &length);
            throw ProbeError(host, "Windows could not connect to", error ? error : WSAECONNREFUSED);
        }
    }
    QueryPerformanceCounter(&end);
    return Seconds(start, end, frequency) * 1000.0;
}

std::uint32_t Win32TestHost::TickCount() {
    return GetTickCount();
}

void Win32TestHost::ProcessMessages() {
    ProcessPendingMessages();
}

}  // namespace tarvex
