#pragma once
// The connection test's ports on Windows: a TCP connection set-up timed with the performance
// counter, and the clock and message pump the test waits with.
#include "measure/connection_test.h"

namespace tarvex {

class WinsockConnectProbe final : public ConnectProbe {
public:
    WinsockConnectProbe();
    ~WinsockConnectProbe() override;
    WinsockConnectProbe(const WinsockConnectProbe&) = delete;
    WinsockConnectProbe& operator=(const WinsockConnectProbe&) = delete;

    double Connect(const std::string& host, std::uint16_t port, std::uint32_t timeoutMs) override;

private:
    bool started_ = false;
};

class Win32TestHost final : public TestHost {
public:
    std::uint32_t TickCount() override;
    void ProcessMessages() override;
};

}  // namespace tarvex
