// The connection test's run: timed connection set-ups, then one timed download.
#include "measure/connection_test.h"

#include <algorithm>
#include <vector>

#include "common/ascii_text.h"
#include "measure/connection_texts.h"
#include "measure/test_report.h"
#include "update/update_info.h"

namespace tarvex {
namespace {

namespace texts = connection_texts;

constexpr std::uint32_t kConnectTimeoutMs = 3000;
constexpr std::size_t kReadSize = 16 * 1024;
// The connects take the first part of the bar, the download the rest.
constexpr int kConnectPercent = 30;
// The figures shown during the download change at most this often: a fast line returns a read
// every few hundred microseconds, far more often than a window can be redrawn.
constexpr std::uint32_t kShowEveryMs = 200;
constexpr std::uint32_t kMarkEveryMs = 50;  // the marks the rate of the second half starts from

bool IsHostCharacter(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '-' || c == '.' ||
           c == '_';
}

bool IsHexOrColon(char c) {
    return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F') || c == ':' || c == '.';
}

// A name or IPv4 address, or an IPv6 address in brackets (given back without them).
std::optional<std::string> ReadHost(std::string_view host) {
    if (host.size() > 2 && host.front() == '[' && host.back() == ']') {
        const std::string_view inner = host.substr(1, host.size() - 2);
        if (inner.find(':') == std::string_view::npos || !std::all_of(inner.begin(), inner.end(), IsHexOrColon))
            return std::nullopt;
        return std::string(inner);
    }
    if (host.empty() || host.size() > 253 || host.front() == '.' || host.front() == '-' ||
        !std::all_of(host.begin(), host.end(), IsHostCharacter) || host.find("..") != std::string_view::npos)
        return std::nullopt;
    return std::string(host);
}

std::optional<std::uint16_t> ReadPort(std::string_view digits) {
    if (digits.empty() || digits.size() > 5) return std::nullopt;
    std::uint32_t port = 0;
    for (const char c : digits) {
        if (c < '0' || c > '9') return std::nullopt;
        port = port * 10 + static_cast<std::uint32_t>(c - '0');
    }
    if (port < 1 || port > 65535) return std::nullopt;
    return static_cast<std::uint16_t>(port);
}

// The system's reason as one line, without the line break FormatMessage ends it with.
std::string_view Trimmed(std::string_view reason) {
    while (!reason.empty() && static_cast<unsigned char>(reason.back()) <= ' ') reason.remove_suffix(1);
    return reason;
}

}  // namespace

std::optional<TestAddress> ParseTestAddress(std::string_view address) {
    if (!IsWebAddress(address)) return std::nullopt;
    // Typed addresses are plain ASCII; anything else would need encoding we do not guess at.
    for (const char c : address)
        if (static_cast<unsigned char>(c) >= 0x7F || c == '\\') return std::nullopt;

    TestAddress result;
    std::string_view rest = address;
    if (AsciiStartsWithIgnoreCase(rest, "https://")) {
        result.Https = true;
        result.Port = 443;
        rest.remove_prefix(8);
    } else if (AsciiStartsWithIgnoreCase(rest, "http://")) {
        rest.remove_prefix(7);
    } else {
        return std::nullopt;
    }

    const std::size_t authorityEnd = std::min(rest.find_first_of("/?#"), rest.size());
    const std::string_view authority = rest.substr(0, authorityEnd);
    std::string_view path = rest.substr(authorityEnd);
    path = path.substr(0, std::min(path.find('#'), path.size()));  // a fragment is never sent

    // No user name or password: the test sends none, and "@" is how addresses hide their host.
    if (authority.find('@') != std::string_view::npos) return std::nullopt;
    std::string_view hostPart = authority;
    const std::size_t bracketEnd = authority.rfind(']');
    const std::size_t colon = authority.rfind(':');
    if (colon != std::string_view::npos && (bracketEnd == std::string_view::npos || colon > bracketEnd)) {
        const auto port = ReadPort(authority.substr(colon + 1));
        if (!port) return std::nullopt;
        result.Port = *port;
        hostPart = authority.substr(0, colon);
    }
    const auto host = ReadHost(hostPart);
    if (!host) return std::nullopt;
    result.Host = *host;

    result.Request.ServerName = result.Host;
    result.Request.Port = result.Port;
    result.Request.Secure = result.Https;
    result.Request.ObjectPath = path.empty() ? "/" : path.front() == '/' ? std::string(path) : "/" + std::string(path);
    result.Request.Agent = "Tarvex";
    return result;
}

ConnectionTestModel::ConnectionTestModel(ConnectProbe& probe, HttpTransfer& transfer, TestHost& host)
    : probe_(probe), transfer_(transfer), host_(host) {}

void ConnectionTestModel::Run(std::string_view address) {
    if (stage_ == TestStage::Connecting || stage_ == TestStage::Downloading) return;  // one run at a time
    progress_ = 0;
    figures_.reset();
    error_.clear();
    live_.clear();
    cancelRequested_ = false;

    const auto target = ParseTestAddress(address);
    if (!target) {
        End(TestStage::Failed, std::string(texts::kUnusableAddress));
        return;
    }
    const auto alive = life_.Watch();
    stage_ = TestStage::Connecting;
    live_ = texts::Connecting(target->Host);
    if (!Changed(alive)) return;

    const auto rtt = MeasureRtt(*target, alive);
    if (!alive || !rtt) return;
    const auto download = Download(*target, alive);
    if (!alive || !download) return;

    ConnectionFigures figures = *download;
    figures.Rtt = *rtt;
    figures_ = figures;
    stage_ = TestStage::Done;
    progress_ = 100;
    live_ = texts::Finished(figures.Rtt.MedianMs, ThroughputText(figures.BitsPerSecond));
    Changed(alive);
}

std::optional<RttSummary> ConnectionTestModel::MeasureRtt(const TestAddress& target, const LifeGuard::Token& alive) {
    std::vector<double> samples;
    for (int i = 0; i < kRttSamples; ++i) {
        double ms = 0;
        try {
            ms = probe_.Connect(target.Host, target.Port, kConnectTimeoutMs);
        } catch (const tarvex::Error& e) {  // the member Error() hides the type here
            End(TestStage::Failed, texts::Unreachable(target.Host, Trimmed(e.what())));
            return std::nullopt;
        }
        samples.push_back(std::max(0.0, ms));
        progress_ = kConnectPercent * (i + 1) / kRttSamples;
        live_ = texts::RoundTrip(SummariseRtt(samples)->MedianMs);
        if (!Changed(alive) || !Pumped(alive)) return std::nullopt;
    }
    return SummariseRtt(std::move(samples));
}

std::optional<ConnectionFigures> ConnectionTestModel::Download(const TestAddress& target,
                                                               const LifeGuard::Token& alive) {
    stage_ = TestStage::Downloading;
    live_ = texts::kDownloading;
    if (!Changed(alive)) return std::nullopt;

    const std::unique_ptr<HttpResponse> response = transfer_.Get(target.Request);
    if (!Pumped(alive)) return std::nullopt;
    const std::optional<std::uint32_t> status = response ? response->StatusCode() : std::nullopt;
    if (!status) {
        End(TestStage::Failed, std::string(texts::kNotFetched));
        return std::nullopt;
    }
    if (*status != 200) {
        End(TestStage::Failed, texts::BadStatus(*status));
        return std::nullopt;
    }

    std::vector<char> buffer(kReadSize);
    std::uint64_t bytes = 0;
    std::uint64_t firstBytes = 0;  // arrived before the clock started, so they do not count in the rate
    std::uint32_t firstTick = 0;
    std::uint32_t lastTick = host_.TickCount();  // the last data's arrival; the request's end before any
    std::uint32_t shownTick = 0;
    // Where the download stood now and then, to take the rate of its second half: TCP's slow start
    // takes several round trips (seconds on a long path), and the path's rate is what the opened
    // window carries.
    struct Mark {
        std::uint32_t Tick;
        std::uint64_t Bytes;
    };
    std::vector<Mark> marks;
    const auto rate = [&] {
        const std::uint32_t ms = lastTick - firstTick;
        if (ms == 0) return 0.0;
        Mark from{firstTick, firstBytes};
        for (const Mark& mark : marks) {
            if (mark.Tick - firstTick > ms / 2) break;
            from = mark;
        }
        const std::uint32_t span = lastTick - from.Tick;
        return span == 0 ? 0.0 : static_cast<double>(bytes - from.Bytes) * 8 * 1000 / span;
    };
    for (;;) {
        const std::optional<std::size_t> read = response->Read(buffer.data(), buffer.size());
        const std::uint32_t now = host_.TickCount();
        const bool silent = now - lastTick >= kStallMs;
        if (!read || *read > buffer.size()) {
            End(TestStage::Failed, std::string(silent ? texts::kStopped : texts::kReadFailed));
            return std::nullopt;
        }
        if (*read == 0) break;
        if (silent) {
            End(TestStage::Failed, std::string(texts::kStopped));
            return std::nullopt;
        }
        if (bytes == 0) {
            firstTick = now;
            firstBytes = *read;
            shownTick = now - kShowEveryMs;
        }
        bytes += *read;
        lastTick = now;
        if (marks.empty() || now - marks.back().Tick >= kMarkEveryMs) marks.push_back({now, bytes});

        const std::uint32_t elapsed = now - firstTick;
        const bool last = bytes >= kDownloadBytes || elapsed >= kDownloadMs;
        if (now - shownTick >= kShowEveryMs && !last) {
            shownTick = now;
            const double done = std::max(static_cast<double>(elapsed) / kDownloadMs,
                                         static_cast<double>(bytes) / static_cast<double>(kDownloadBytes));
            progress_ = std::min(99, kConnectPercent + static_cast<int>(done * (100 - kConnectPercent)));
            live_ = elapsed == 0 ? std::string(texts::kDownloading) : texts::Throughput(ThroughputText(rate()));
            if (!Changed(alive)) return std::nullopt;
        }
        if (!Pumped(alive)) return std::nullopt;
        if (last) break;
    }
    if (bytes == 0 || lastTick == firstTick) {
        End(TestStage::Failed, std::string(texts::kTooLittle));
        return std::nullopt;
    }
    ConnectionFigures figures;
    figures.Bytes = bytes;
    figures.Seconds = static_cast<double>(lastTick - firstTick) / 1000;
    figures.BitsPerSecond = rate();
    return figures;
}

bool ConnectionTestModel::Changed(const LifeGuard::Token& alive) {
    if (OnChange) OnChange();
    return static_cast<bool>(alive);
}

bool ConnectionTestModel::Pumped(const LifeGuard::Token& alive) {
    host_.ProcessMessages();
    if (!alive) return false;
    if (!cancelRequested_) return true;
    End(TestStage::Cancelled, std::string(texts::kCancelled));
    return false;
}

void ConnectionTestModel::End(TestStage stage, std::string error) {
    stage_ = stage;
    error_ = std::move(error);
    figures_.reset();
    if (OnChange) OnChange();
}

}  // namespace tarvex
