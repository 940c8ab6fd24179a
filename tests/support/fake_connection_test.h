#pragma once
// In-memory doubles of the connection test's ports, all on one hand-driven clock: a probe whose
// connects take the round trips it is given, and a test server whose reads follow a script of
// (wait, bytes) steps. Every connect, request and read is recorded.
#include <algorithm>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "common/error.h"
#include "measure/connection_test.h"

namespace tarvex::testing {

class FakeTestClock final : public TestHost {
public:
    std::uint32_t Tick = 1000;
    int MessageRuns = 0;
    std::function<void()> OnMessages;  // what the user does while messages are pumped

    std::uint32_t TickCount() override { return Tick; }
    void ProcessMessages() override {
        ++MessageRuns;
        if (OnMessages) OnMessages();
    }
};

struct ProbeCall {
    std::string Host;
    std::uint16_t Port = 0;
    std::uint32_t TimeoutMs = 0;
};

class FakeConnectProbe final : public ConnectProbe {
public:
    explicit FakeConnectProbe(FakeTestClock& clock) : clock_(clock) {}

    std::vector<double> RttMs = {50};   // taken in turn, the last repeated
    std::optional<std::size_t> FailAt;  // this connect (0-based) fails with FailReason
    std::string FailReason = "No such host is known.\r\n";
    std::vector<ProbeCall> Calls;

    double Connect(const std::string& host, std::uint16_t port, std::uint32_t timeoutMs) override {
        const std::size_t index = Calls.size();
        Calls.push_back({host, port, timeoutMs});
        if (FailAt == index) {
            clock_.Tick += timeoutMs;
            throw Error(FailReason);
        }
        const double ms = RttMs[std::min(index, RttMs.size() - 1)];
        clock_.Tick += static_cast<std::uint32_t>(ms);
        return ms;
    }

private:
    FakeTestClock& clock_;
};

// One read: the clock moves on by AfterMs, then the read returns Bytes (at most what was asked
// for; 0 is the body's end) or fails.
struct ReadStep {
    std::uint32_t AfterMs = 0;
    std::size_t Bytes = 0;
    bool Fails = false;
};

class FakeTestServer final : public HttpTransfer {
public:
    explicit FakeTestServer(FakeTestClock& clock) : clock_(clock) {}

    std::optional<std::uint32_t> Status = 200;
    bool Unreachable = false;             // Get gives nothing
    std::vector<ReadStep> Script;         // the reads in order
    std::optional<ReadStep> ThenForever;  // after the script; without it the body ends
    std::vector<HttpRequest> Requests;
    int Reads = 0;
    std::uint64_t BytesSent = 0;
    int OpenResponses = 0;

    // A steady stream: `bytes` every `everyMs`, without end.
    void Stream(std::size_t bytes, std::uint32_t everyMs) { ThenForever = ReadStep{everyMs, bytes}; }

    std::unique_ptr<HttpResponse> Get(const HttpRequest& request) override {
        Requests.push_back(request);
        if (Unreachable) return nullptr;
        return std::make_unique<Response>(*this);
    }

private:
    class Response final : public HttpResponse {
    public:
        explicit Response(FakeTestServer& server) : server_(server) { ++server_.OpenResponses; }
        ~Response() override { --server_.OpenResponses; }
        std::optional<std::uint32_t> StatusCode() override { return server_.Status; }
        std::optional<std::uint64_t> ContentLength() override { return std::nullopt; }
        std::optional<std::size_t> Read(char* buffer, std::size_t size) override {
            const std::size_t index = static_cast<std::size_t>(server_.Reads++);
            const ReadStep step =
                index < server_.Script.size() ? server_.Script[index] : server_.ThenForever.value_or(ReadStep{});
            server_.clock_.Tick += step.AfterMs;
            if (step.Fails) return std::nullopt;
            const std::size_t count = std::min(step.Bytes, size);
            std::fill_n(buffer, count, 'x');
            server_.BytesSent += count;
            return count;
        }

    private:
        FakeTestServer& server_;
    };

    FakeTestClock& clock_;
};

}  // namespace tarvex::testing
