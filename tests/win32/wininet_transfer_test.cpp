// The WinInet transfer against a small HTTP server on 127.0.0.1 in this process: what the
// request looks like on the wire, status and length as numbers, the body in chunks, and every
// fault a server can produce ending as a failure rather than a hang. Then the update component
// over the real transfer.
#include <winsock2.h>
#include <ws2tcpip.h>

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "unit/update/update_fakes.h"
#include "update/web_update.h"
#include "update/win32/wininet_transfer.h"

namespace tarvex {
namespace {

// Answers each connection on a thread of its own making; `Respond` writes whatever a test
// wants, from a proper answer to nothing at all.
class LoopbackHttpServer {
public:
    using Respond = std::function<void(SOCKET client, const std::string& head)>;

    explicit LoopbackHttpServer(Respond respond) : respond_(std::move(respond)) {
        WSADATA data;
        WSAStartup(MAKEWORD(2, 2), &data);
        InitializeCriticalSection(&lock_);
        stop_ = CreateEventW(nullptr, TRUE, FALSE, nullptr);
        listener_ = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
        sockaddr_in address = {};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        bind(listener_, reinterpret_cast<sockaddr*>(&address), sizeof address);
        listen(listener_, 8);
        int size = sizeof address;
        getsockname(listener_, reinterpret_cast<sockaddr*>(&address), &size);
        port_ = ntohs(address.sin_port);
        thread_ = CreateThread(nullptr, 0, &LoopbackHttpServer::Run, this, 0, nullptr);
    }
    ~LoopbackHttpServer() {
        SetEvent(stop_);
        closesocket(listener_);
        WaitForSingleObject(thread_, INFINITE);
        CloseHandle(thread_);
        CloseHandle(stop_);
        DeleteCriticalSection(&lock_);
        WSACleanup();
    }
    LoopbackHttpServer(const LoopbackHttpServer&) = delete;
    LoopbackHttpServer& operator=(const LoopbackHttpServer&) = delete;

    std::uint16_t Port() const { return port_; }
    std::vector<std::string> Heads() {
        EnterCriticalSection(&lock_);
        std::vector<std::string> heads = heads_;
        LeaveCriticalSection(&lock_);
        return heads;
    }
    // Holds a connection open without a word, until the server goes.
    void Stall() { WaitForSingleObject(stop_, 20000); }

    static void Send(SOCKET client, const std::string& bytes) {
        for (std::size_t at = 0; at < bytes.size();) {
            const int sent =
                send(client, bytes.data() + at, static_cast<int>(std::min<std::size_t>(bytes.size() - at, 65536)), 0);
            if (sent <= 0) return;
            at += static_cast<std::size_t>(sent);
        }
    }
    static std::string Answer(std::string_view status, const std::string& body, bool withLength = true) {
        std::string head = "HTTP/1.0 " + std::string(status) + "\r\nContent-Type: text/html\r\n";
        if (withLength) head += "Content-Length: " + std::to_string(body.size()) + "\r\n";
        return head + "\r\n" + body;
    }

private:
    static DWORD WINAPI Run(void* self) {
        static_cast<LoopbackHttpServer*>(self)->Serve();
        return 0;
    }
    void Serve() {
        for (;;) {
            const SOCKET client = accept(listener_, nullptr, nullptr);
            if (client == INVALID_SOCKET) return;
            std::string head;
            char buffer[4096];
            while (head.find("\r\n\r\n") == std::string::npos) {
                const int got = recv(client, buffer, sizeof buffer, 0);
                if (got <= 0) break;
                head.append(buffer, static_cast<std::size_t>(got));
            }
            EnterCriticalSection(&lock_);
            heads_.push_back(head);
            LeaveCriticalSection(&lock_);
            respond_(client, head);
            shutdown(client, SD_SEND);
            closesocket(client);
        }
    }

    Respond respond_;
    SOCKET listener_ = INVALID_SOCKET;
    HANDLE thread_ = nullptr;
    HANDLE stop_ = nullptr;
    std::uint16_t port_ = 0;
    CRITICAL_SECTION lock_;
    std::vector<std::string> heads_;
};

HttpRequest RequestTo(std::uint16_t port, std::string path = "/assets/update/ZV/Tarvex2.asp?checktype=info&v=1") {
    HttpRequest request;
    request.ServerName = "127.0.0.1";
    request.Port = port;
    request.ObjectPath = std::move(path);
    request.Agent = "TWebUpdate";
    return request;
}

std::string ReadAll(HttpResponse& response, std::vector<std::size_t>* sizes = nullptr) {
    std::string body;
    char buffer[1025];
    for (;;) {
        const auto read = response.Read(buffer, sizeof buffer);
        if (!read) return "<failed>";
        if (*read == 0) return body;
        if (sizes) sizes->push_back(*read);
        body.append(buffer, *read);
    }
}

TEST(WinInetTransfer, OneGetWithStatusLengthAndBody) {
    const std::string page = "<META NAME=\"wuVersion\" CONTENT=\"5.0.2.0\">\r\n" + std::string(3000, 'x');
    LoopbackHttpServer server([&](SOCKET client, const std::string&) {
        LoopbackHttpServer::Send(client, LoopbackHttpServer::Answer("200 OK", page));
    });
    WinInetTransfer transfer;
    auto response = transfer.Get(RequestTo(server.Port()));
    ASSERT_TRUE(response);
    EXPECT_EQ(response->StatusCode(), 200u);
    EXPECT_EQ(response->ContentLength(), page.size());
    std::vector<std::size_t> sizes;
    EXPECT_EQ(ReadAll(*response, &sizes), page);
    for (std::size_t size : sizes) EXPECT_LE(size, 1025u);

    const auto heads = server.Heads();
    ASSERT_EQ(heads.size(), 1u);
    EXPECT_EQ(heads[0].rfind("GET /assets/update/ZV/Tarvex2.asp?checktype=info&v=1 HTTP/1.0\r\n", 0), 0u) << heads[0];
    EXPECT_NE(heads[0].find("User-Agent: TWebUpdate\r\n"), std::string::npos) << heads[0];
}

TEST(WinInetTransfer, ServerFaults) {
    struct Case {
        const char* Name;
        std::string Wire;  // everything the server writes before it closes
        std::optional<std::uint32_t> Status;
        std::optional<std::uint64_t> Length;
        std::string Body;
    } const cases[] = {
        {"404", LoopbackHttpServer::Answer("404 Not Found", "missing"), 404u, 7u, "missing"},
        {"500", LoopbackHttpServer::Answer("500 Server Error", "oops"), 500u, 4u, "oops"},
        {"no length", LoopbackHttpServer::Answer("200 OK", "whole body", false), 200u, std::nullopt, "whole body"},
        // Fewer bytes than announced end the body early without an error: the caller compares.
        {"short body", "HTTP/1.0 200 OK\r\nContent-Length: 100\r\n\r\nonly this", 200u, 100u, "only this"},
        {"length no number", "HTTP/1.0 200 OK\r\nContent-Length: lots\r\n\r\nbody", 200u, std::nullopt, "body"},
    };
    for (const auto& c : cases) {
        LoopbackHttpServer server([&](SOCKET client, const std::string&) { LoopbackHttpServer::Send(client, c.Wire); });
        WinInetTransfer transfer;
        auto response = transfer.Get(RequestTo(server.Port()));
        ASSERT_TRUE(response) << c.Name;
        EXPECT_EQ(response->StatusCode(), c.Status) << c.Name;
        EXPECT_EQ(response->ContentLength(), c.Length) << c.Name;
        EXPECT_EQ(ReadAll(*response), c.Body) << c.Name;
    }
}

// No answer is never taken for one: nothing listening, a server that closes at once, one that
// never answers or stops half-way (which the timeouts end).
TEST(WinInetTransfer, NoAnswerEndsAsAFailure) {
    auto failed = [](HttpResponse* response) {
        if (!response) return true;
        const auto status = response->StatusCode();
        return !status || *status == 0 || ReadAll(*response) == "<failed>";
    };
    {
        std::uint16_t closedPort = 0;
        {
            LoopbackHttpServer gone([](SOCKET, const std::string&) {});
            closedPort = gone.Port();
        }
        WinInetTransfer transfer(ProxySettings{}, 2000);
        auto response = transfer.Get(RequestTo(closedPort));
        EXPECT_TRUE(failed(response.get())) << "closed port";
    }
    {
        LoopbackHttpServer server([](SOCKET, const std::string&) {});
        WinInetTransfer transfer(ProxySettings{}, 2000);
        auto response = transfer.Get(RequestTo(server.Port()));
        EXPECT_TRUE(failed(response.get())) << "closed before headers";
    }
    {
        LoopbackHttpServer* self = nullptr;
        LoopbackHttpServer server([&](SOCKET, const std::string&) { self->Stall(); });
        self = &server;
        WinInetTransfer transfer(ProxySettings{}, 1000);
        auto response = transfer.Get(RequestTo(server.Port()));
        EXPECT_TRUE(failed(response.get())) << "stalled before headers";
    }
    {
        LoopbackHttpServer* self = nullptr;
        LoopbackHttpServer server([&](SOCKET client, const std::string&) {
            LoopbackHttpServer::Send(client, "HTTP/1.0 200 OK\r\nContent-Length: 5000\r\n\r\nsome");
            self->Stall();
        });
        self = &server;
        WinInetTransfer transfer(ProxySettings{}, 1000);
        auto response = transfer.Get(RequestTo(server.Port()));
        ASSERT_TRUE(response);
        EXPECT_EQ(response->StatusCode(), 200u);
        EXPECT_EQ(ReadAll(*response), "<failed>") << "stalled body";
    }
}

TEST(WinInetTransfer, NamedProxyCarriesTheRequest) {
    LoopbackHttpServer proxy([&](SOCKET client, const std::string&) {
        LoopbackHttpServer::Send(client, LoopbackHttpServer::Answer("200 OK", "via proxy"));
    });
    WinInetTransfer transfer(ProxySettings{"127.0.0.1:" + std::to_string(proxy.Port()), "me", "secret"});
    HttpRequest request = RequestTo(80, "/assets/update/ZV/Tarvex2.asp?checktype=info");
    request.ServerName = "update.example.test";
    auto response = transfer.Get(request);
    ASSERT_TRUE(response);
    EXPECT_EQ(ReadAll(*response), "via proxy");
    const auto heads = proxy.Heads();
    ASSERT_EQ(heads.size(), 1u);
    EXPECT_EQ(
        heads[0].rfind("GET http://update.example.test:80/assets/update/ZV/Tarvex2.asp?checktype=info HTTP/1.0", 0), 0u)
        << heads[0];
}

// The component over the real transfer: a check, then a 5 MB installer, exact.
TEST(WinInetTransfer, CheckAndDownloadThroughTheComponent) {
    std::string installer(5 * 1024 * 1024, '\0');
    for (std::size_t i = 0; i < installer.size(); ++i) installer[i] = static_cast<char>(i * 7 % 251);
    std::uint16_t port = 0;
    LoopbackHttpServer server([&](SOCKET client, const std::string& head) {
        if (head.rfind("GET /files/setup.exe ", 0) == 0) {
            LoopbackHttpServer::Send(client, LoopbackHttpServer::Answer("200 OK", installer));
            return;
        }
        const std::string page =
            testing::FakeServer::Page({{"wuProduct", "Tarvex"},
                                       {"wuVersion", "9.0.0.0"},
                                       {"wuDownload", "http://127.0.0.1:" + std::to_string(port) + "/files/setup.exe"},
                                       {"wuClientSideName", "setup.exe"}});
        LoopbackHttpServer::Send(client, LoopbackHttpServer::Answer("200 OK", page));
    });
    port = server.Port();

    WinInetTransfer transfer(ProxySettings{}, 5000);
    testing::FakeFiles files;
    testing::FakeHost host;
    TQmWebUpdate update(UpdatePorts{transfer, files, host});
    update.HTTPPort = port;
    update.ProductInfo.SetURL("127.0.0.1/assets/update/ZV/Tarvex2.asp");
    update.Options = {.uoRunUpdate = false, .uoTerminate = false, .uoOverwrite = true};
    ASSERT_TRUE(update.CheckForUpdate());

    std::vector<std::int64_t> progress;
    update.OnDownload = [&](std::int64_t total, std::int64_t downloaded, double, double) {
        EXPECT_EQ(total, static_cast<std::int64_t>(installer.size()));
        progress.push_back(downloaded);
    };
    ASSERT_TRUE(update.Download());
    EXPECT_EQ(files.Files.at("C:\\Users\\me\\Temp\\setup.exe"), installer);
    EXPECT_GE(progress.size(), installer.size() / 1025);
    EXPECT_TRUE(std::is_sorted(progress.begin(), progress.end()));
    EXPECT_EQ(progress.back(), static_cast<std::int64_t>(installer.size()));
}

}  // namespace
}  // namespace tarvex
