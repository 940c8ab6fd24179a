#pragma once
// In-memory doubles of the update ports: a server of canned answers, a file system of strings
// and a host with a hand-driven clock. Every request, file and shell start is recorded.
#include <cstdio>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "common/date_time.h"
#include "common/error.h"
#include "update/update_info.h"
#include "update/update_ports.h"
#include "update/web_update.h"

namespace tarvex::testing {

struct CannedAnswer {
    std::optional<std::uint32_t> Status = 200;
    std::optional<std::uint64_t> Length;  // unset: the body's size, unless NoLength
    bool NoLength = false;
    std::string Body;
    std::optional<std::size_t> FailAfter;  // the read after this many bytes fails
};

class FakeServer final : public HttpTransfer {
public:
    std::map<std::string, CannedAnswer> Answers;  // by object path; "*" answers any other
    bool Unreachable = false;
    std::vector<HttpRequest> Requests;
    std::vector<std::size_t> ReadSizes;    // the size of every read asked for
    std::function<void()> BeforeEachRead;  // to act from inside a transfer
    int OpenResponses = 0;                 // responses not yet closed

    std::unique_ptr<HttpResponse> Get(const HttpRequest& request) override {
        Requests.push_back(request);
        if (Unreachable) return nullptr;
        auto found = Answers.find(request.ObjectPath);
        if (found == Answers.end()) found = Answers.find("*");
        CannedAnswer answer = found != Answers.end() ? found->second : CannedAnswer{.Status = 404, .Body = "gone"};
        return std::make_unique<Response>(*this, std::move(answer));
    }

    static std::string Page(const std::map<std::string, std::string>& tags) {
        std::string page = "<HTML><HEAD>\r\n";
        for (const auto& [name, value] : tags) page += "<META NAME=\"" + name + "\" CONTENT=\"" + value + "\">\r\n";
        return page + "</HEAD></HTML>\r\n";
    }

private:
    class Response final : public HttpResponse {
    public:
        Response(FakeServer& server, CannedAnswer answer) : server_(server), answer_(std::move(answer)) {
            ++server_.OpenResponses;
        }
        ~Response() override { --server_.OpenResponses; }
        std::optional<std::uint32_t> StatusCode() override { return answer_.Status; }
        std::optional<std::uint64_t> ContentLength() override {
            if (answer_.NoLength) return std::nullopt;
            return answer_.Length.value_or(answer_.Body.size());
        }
        std::optional<std::size_t> Read(char* buffer, std::size_t size) override {
            server_.ReadSizes.push_back(size);
            if (server_.BeforeEachRead) server_.BeforeEachRead();
            if (answer_.FailAfter && at_ >= *answer_.FailAfter) return std::nullopt;
            const std::size_t n = std::min(size, answer_.Body.size() - at_);
            answer_.Body.copy(buffer, n, at_);
            at_ += n;
            return n;
        }

    private:
        FakeServer& server_;
        CannedAnswer answer_;
        std::size_t at_ = 0;
    };
};

class FakeFiles final : public UpdateFileSystem {
public:
    std::map<std::string, std::string> Files;
    std::set<std::string> Folders;
    std::string Temp = "C:\\Users\\me\\Temp\\";
    bool CreateFails = false;
    std::vector<std::string> Removed;

    std::string TempFolder() override { return Temp; }
    bool FolderExists(std::string_view path) override { return Folders.contains(std::string(path)); }
    bool FileExists(std::string_view path) override { return Files.contains(std::string(path)); }
    std::unique_ptr<UpdateFile> OpenForWriting(std::string_view path) override {
        if (CreateFails) throw Error("Cannot create file");
        std::string& content = Files[std::string(path)];
        content.clear();
        return std::make_unique<File>(content);
    }
    void RemoveFile(std::string_view path) override {
        Removed.emplace_back(path);
        Files.erase(std::string(path));
    }

private:
    class File final : public UpdateFile {
    public:
        explicit File(std::string& content) : content_(content) {}
        void Write(const char* bytes, std::size_t size) override { content_.append(bytes, size); }

    private:
        std::string& content_;
    };
};

class FakeHost final : public UpdateHost {
public:
    int MessageRuns = 0;
    std::uint32_t Tick = 10000;
    std::uint32_t TickStep = 0;  // added at every ask, so time passes during a transfer
    double Today = EncodeDateTime(2026, 12, 10, 9, 30);
    std::string Path = "C:\\Program Files\\Tarvex\\Tarvex.exe";
    std::optional<FileVersion> Version = FileVersion{5, 0, 1, 123};
    std::set<std::string> ExistingFiles;
    std::uint32_t Stamp = (41234 - 25569) * 86400u + 3600;  // day 41234, 01:00
    bool ShellSucceeds = true;
    std::vector<std::pair<std::string, std::string>> Opened;  // file, parameters
    int Terminations = 0;
    bool TimerOn = false;
    std::deque<std::function<void()>> Queue;
    std::function<void()> OnMessages;  // what the user does while messages run

    void ProcessMessages() override {
        ++MessageRuns;
        if (OnMessages) OnMessages();
    }
    std::uint32_t TickCount() override { return Tick += TickStep; }
    double Now() override { return Today; }
    std::string ShortDateText(double date) override {
        const CivilDate d = DecodeDate(date);
        char text[32];
        std::snprintf(text, sizeof text, "%02d.%02d.%04d", d.Day, d.Month, d.Year);
        return text;
    }
    std::string ProgramPath() override { return Path; }
    std::optional<FileVersion> ReadFileVersion(std::string_view) override { return Version; }
    bool FileExists(std::string_view path) override { return ExistingFiles.contains(std::string(path)); }
    std::uint32_t LinkTimeStamp() override { return Stamp; }
    std::string AnsiToUtf8(std::string_view bytes) override { return std::string(bytes); }
    bool ShellOpen(std::string_view file, std::string_view parameters) override {
        Opened.emplace_back(file, parameters);
        return ShellSucceeds;
    }
    void Terminate() override { ++Terminations; }
    void SetElapsedTimer(bool enabled) override { TimerOn = enabled; }
    void QueueCall(std::function<void()> call) override { Queue.push_back(std::move(call)); }

    void RunQueue() {
        while (!Queue.empty()) {
            auto call = std::move(Queue.front());
            Queue.pop_front();
            call();
        }
    }
};

// A component over the three doubles, with every event written to Log.
struct UpdateFixture {
    FakeServer Server;
    FakeFiles Files;
    FakeHost Host;
    TQmWebUpdate Update{UpdatePorts{Server, Files, Host}};
    std::vector<std::string> Log;

    static constexpr std::string_view kInfoPath = "/assets/update/ZV/Tarvex2.asp";

    UpdateFixture() {
        Update.ProductInfo.SetURL("update.example.test/assets/update/ZV/Tarvex2.asp");
        Update.OnBeforeGetInfo = [this] { Log.push_back("BeforeGetInfo"); };
        Update.OnAfterGetInfo = [this] { Log.push_back("AfterGetInfo"); };
        Update.OnNoUpdateFound = [this] { Log.push_back("NoUpdateFound"); };
        Update.OnDownloadError = [this] { Log.push_back("DownloadError"); };
        Update.OnCannotExecute = [this] { Log.push_back("CannotExecute"); };
        Update.OnUpdateAvailable = [this](const std::string& cv, const std::string& nv, const std::string& cd,
                                          const std::string& nd, bool&) {
            Log.push_back("UpdateAvailable " + cv + " " + nv + " " + cd + " " + nd);
        };
        Update.OnBeforeShowInfo = [this](bool&, bool&, const std::string& url) { Log.push_back("ShowInfo " + url); };
        Update.OnBeforeDownload = [this](const std::string& name) { Log.push_back("BeforeDownload " + name); };
        Update.OnAfterDownload = [this](const std::string& name) { Log.push_back("AfterDownload " + name); };
    }

    // The information page for any query, and an installer at /files/setup.exe.
    void Serve(const std::map<std::string, std::string>& tags, std::string installer = "") {
        Server.Answers["*"] = {.Body = FakeServer::Page(tags)};
        Server.Answers["/files/setup.exe"] = {.Body = std::move(installer)};
    }
    static std::map<std::string, std::string> NewerAnswer() {
        return {{"wuProduct", "Tarvex"},           {"wuVersion", "5.0.2.0"},
                {"wuDate", "01/02/2013"},          {"wuDownload", "http://update.example.test/files/setup.exe"},
                {"wuClientSideName", "setup.exe"}, {"wuRunParameters", "/S"}};
    }
};

}  // namespace tarvex::testing
