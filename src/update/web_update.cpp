#include "update/web_update.h"

#include <cerrno>
#include <cstdlib>
#include <cmath>
#include <cstdint>

#include "common/ascii_text.h"
#include "common/error.h"
#include "common/integer_text.h"
#include "common/life_guard.h"
#include "common/version_text.h"

namespace tarvex {
namespace {

// Clears the busy mark on every way out of an operation, unless the component went meanwhile.
class BusyScope {
public:
    BusyScope(bool& busy, LifeGuard::Token alive) : busy_(busy), alive_(std::move(alive)) { busy_ = true; }
    ~BusyScope() {
        if (alive_) busy_ = false;
    }
    BusyScope(const BusyScope&) = delete;
    BusyScope& operator=(const BusyScope&) = delete;

private:
    bool& busy_;
    LifeGuard::Token alive_;
};

// Thrown when a handler or a message run while the component worked has destroyed it: the
// operation unwinds to its caller without touching the freed object.
struct ComponentGone {};

std::optional<double> ReadFloat(std::string_view text) {
    while (!text.empty() && text.front() == ' ') text.remove_prefix(1);
    while (!text.empty() && text.back() == ' ') text.remove_suffix(1);
    if (!text.empty() && text.front() == '+') text.remove_prefix(1);
    // Plain decimal notation only: strtod would also take hexadecimal, "inf" and "nan".
    if (text.empty() || text.find_first_not_of("0123456789.eE+-") != std::string_view::npos) return std::nullopt;
    const std::string copy(text);
    char* stop = nullptr;
    errno = 0;
    const double value = std::strtod(copy.c_str(), &stop);
    if (stop != copy.c_str() + copy.size() || errno == ERANGE || !std::isfinite(value)) return std::nullopt;
    return value;
}

}  // namespace

void TQmProductInfo::SetURL(std::string_view url) {
    url_ = AsciiStartsWithIgnoreCase(url, "http://") ? std::string(url) : "http://" + std::string(url);
}

TQmWebUpdate::TQmWebUpdate(UpdatePorts ports) : ports_(ports) {}

TQmWebUpdate::~TQmWebUpdate() {
    life_.End();
}

template <typename Call>
void TQmWebUpdate::Guarded(Call&& call) {
    const auto alive = life_.Watch();
    call();
    if (!alive) throw ComponentGone{};
}

void TQmWebUpdate::Raise(const std::function<void()>& event) {
    if (event) Guarded([&] { event(); });
}

void TQmWebUpdate::Pump() {
    Guarded([&] { ports_.Host.ProcessMessages(); });
}

void TQmWebUpdate::DoDownload() {
    if (!OnDownload) return;
    const double elapsedSeconds = static_cast<std::uint32_t>(ports_.Host.TickCount() - StartTick) / 1000.0;
    // Before the first tick has passed, and without a known end, there is no rate or time left.
    const double kbps = elapsedSeconds > 0 ? Downloaded / elapsedSeconds / 1024.0 : 0.0;
    const double remaining =
        kbps > 0 && TotalSize > Downloaded ? std::round((TotalSize - Downloaded) / 1024.0 / kbps) : 0.0;
    Guarded([&] { OnDownload(TotalSize, Downloaded, kbps, remaining); });
}

void TQmWebUpdate::DoDownloadError() {
    Raise(OnDownloadError);
}

void TQmWebUpdate::DoBeforeDownload(const std::string& FileName) {
    StartTick = ports_.Host.TickCount();
    ports_.Host.SetElapsedTimer(true);
    if (OnBeforeDownload) Guarded([&] { OnBeforeDownload(FileName); });
}

void TQmWebUpdate::DoAfterDownload(const std::string& FileName) {
    ports_.Host.SetElapsedTimer(false);
    if (OnAfterDownload) Guarded([&] { OnAfterDownload(FileName); });
}

void TQmWebUpdate::DoNoUpdateFound() {
    Raise(OnNoUpdateFound);
}

void TQmWebUpdate::DoAfterGetInfo() {
    Raise(OnAfterGetInfo);
}

void TQmWebUpdate::DoBeforeGetInfo() {
    Raise(OnBeforeGetInfo);
}

void TQmWebUpdate::DoCannotExecute() {
    Raise(OnCannotExecute);
}

bool TQmWebUpdate::ShowInfo() {
    bool showInfo = true;
    bool checkForUpdate = true;
    if (OnBeforeShowInfo) {
        const std::string address = InfoAddress("whatsnew");
        Guarded([&] { OnBeforeShowInfo(showInfo, checkForUpdate, address); });
    }
    return true;
}

void TQmWebUpdate::GetClientFileName(std::string& path) {
    if (!TargetFolder.empty() && ports_.Files.FolderExists(TargetFolder)) {
        path = TargetFolder;
        if (path.back() != '\\' && path.back() != '/') path += '\\';
        path += Answer.ClientFileName;
    } else if (UseWinTempDir) {
        path = ports_.Files.TempFolder() + Answer.ClientFileName;
    } else {
        path = TempDirectory + Answer.ClientFileName;
    }
}

void TQmWebUpdate::ReadCurrentVersion() {
    Answer.Redirection.clear();
    const auto format = ProductInfo.VersionFormat;
    if (format == TmxVersionFormat::vfExternalFileVersion || format == TmxVersionFormat::vfFileVersion) {
        std::string path = ports_.Host.ProgramPath();
        if (format == TmxVersionFormat::vfExternalFileVersion) {
            path = ProductInfo.ExternalVersionFileName;
            if (!ports_.Host.FileExists(path)) throw Error("Invalid version filename: '" + path + "'");
        }
        if (const auto version = ports_.Host.ReadFileVersion(path)) {
            CurrentFileVersionMs = static_cast<std::uint32_t>(version->Major) << 16 | version->Minor;
            CurrentFileVersionLs = static_cast<std::uint32_t>(version->Release) << 16 | version->Build;
            CurrentVersion = FullVersionText(version);
        }
    } else {
        CurrentVersion = ProductInfo.Version;
    }
    CurrentDate = std::trunc(ports_.Host.LinkTimeStamp() / 86400.0 + 25569.0);
}

std::string TQmWebUpdate::InfoAddress(std::string_view checkType) const {
    std::string address = Answer.Redirection.empty() ? ProductInfo.URL() : Answer.Redirection;
    address += "?checktype=";
    address += checkType;
    if (ProductInfo.PassParameters.ppVersion) address += "&v=" + CurrentVersion;
    if (ProductInfo.PassParameters.ppBuildDate) address += "&d=" + QueryNumberText(CurrentDate);
    return address;
}

void TQmWebUpdate::GetInfo() {
    for (int redirections = 0;; ++redirections) {
        Answer = UpdateAnswer{.ClientFileName = Answer.ClientFileName, .Redirection = Answer.Redirection};
        const std::string address = InfoAddress("info");
        requested_.push_back(address);
        HttpGet(address, false, nullptr);
        if (!Succeeded) return;
        ParseInfo();
        if (Answer.Redirection.empty() || Answer.Redirection == address) return;
        // Answers that keep sending the check on (in a loop, or without end) end it here, with
        // the last answer as it stands.
        if (redirections == kMaxRedirections) return;
    }
}

void TQmWebUpdate::ParseInfo() {
    Answer = tarvex::ParseInfo(InfoLines, TagInfo);
}

bool TQmWebUpdate::HttpGet(const std::string& address, bool lengthRequired, const std::string* fileName) {
    Outcome outcome = Outcome::Failure;
    bool raised = false;
    try {
        outcome = Transfer(address, lengthRequired, fileName);
    } catch (const ComponentGone&) {
        throw;
    } catch (...) {
        raised = true;
    }
    Succeeded = !raised && outcome == Outcome::Success;
    if (!Succeeded && fileName != nullptr && fileCreated_) {
        // A partial installer is no installer: nothing may start it later by mistake.
        try {
            ports_.Files.RemoveFile(*fileName);
        } catch (...) {
        }
    }
    fileCreated_ = false;
    if (raised) {
        // An error inside the transfer (a file that cannot be written, a failing handler) is
        // still a failed transfer the owner must hear of; the error itself goes no further.
        try {
            DoDownloadError();
        } catch (const ComponentGone&) {
            throw;
        } catch (...) {
        }
    } else if (outcome == Outcome::Failure) {
        DoDownloadError();
    }
    return Succeeded;
}

TQmWebUpdate::Outcome TQmWebUpdate::Transfer(const std::string& address, bool lengthRequired,
                                             const std::string* fileName) {
    AbortRequested = false;
    SplitAddress split = SplitURL(address);
    if (split.ServerName.empty()) split.ServerName = SplitURL(ProductInfo.URL()).ServerName;
    Pump();

    HttpRequest request;
    request.ServerName = split.ServerName;
    request.Port = static_cast<std::uint16_t>(HTTPPort);
    // An address that names its port ("host:8080") is asked there; as a server name it could
    // never connect.
    if (const auto colon = split.ServerName.rfind(':'); colon != std::string::npos) {
        const auto port = ParseInteger(std::string_view(split.ServerName).substr(colon + 1));
        if (port && *port > 0 && *port <= 65535) {
            request.ServerName = split.ServerName.substr(0, colon);
            request.Port = static_cast<std::uint16_t>(*port);
        }
    }
    request.ObjectPath = split.ObjectPath;
    request.UserName = UserName;
    request.Password = Password;
    request.Agent = Agent;
    const std::unique_ptr<HttpResponse> response = ports_.Transfer.Get(request);
    if (AbortRequested) return Outcome::Silent;
    if (!response) return Outcome::Failure;  // no connection or nothing sent: no status to read

    // No answer at all (status 0) and the server's own errors are failures; neither an error
    // page nor nothing may pass for an answer or an installer.
    const auto status = response->StatusCode();
    if (!status || *status == 0 || *status >= 400) return Outcome::Failure;

    const auto length = response->ContentLength();
    Succeeded = length.has_value();
    if (AbortRequested) return Outcome::Silent;
    if (!length && lengthRequired) return Outcome::Failure;
    if (length) {
        if (*length > static_cast<std::uint64_t>(INT64_MAX)) return Outcome::Failure;
        TotalSize = static_cast<std::int64_t>(*length);
    }

    Downloaded = 0;
    std::unique_ptr<UpdateFile> file;
    std::string text;
    if (fileName != nullptr) {
        file = ports_.Files.OpenForWriting(*fileName);
        fileCreated_ = true;
    }
    char buffer[kChunkSize];
    for (;;) {
        if (AbortRequested) return Outcome::Silent;
        Pump();
        const auto read = response->Read(buffer, sizeof buffer);
        if (!read) return Outcome::Failure;  // a broken or stalled body is no whole answer
        if (*read == 0) break;
        BytesRead = static_cast<std::uint32_t>(*read);
        if (file) {
            // More than announced: stop before writing it, the file is already wrong.
            if (Downloaded + static_cast<std::int64_t>(*read) > TotalSize) return Outcome::Failure;
            file->Write(buffer, *read);
        } else {
            if (text.size() + *read > kMaxInfoBytes) return Outcome::Failure;
            text.append(buffer, *read);
        }
        Downloaded += static_cast<std::int64_t>(*read);
        DoDownload();
        Pump();
    }
    file.reset();
    if (fileName != nullptr) return Downloaded == TotalSize ? Outcome::Success : Outcome::Failure;
    if (Downloaded == 0) return Outcome::Failure;
    // Decoded whole, so that a character of a multi-byte code page is never cut between chunks.
    InfoLines = SplitLines(ports_.Host.AnsiToUtf8(text));
    return Outcome::Success;
}

double TQmWebUpdate::ParseInfoDate(std::string_view dateText, std::string_view timeText) {
    const int currentYear = DecodeDate(ports_.Host.Now()).Year;
    return tarvex::ParseInfoDate(dateText, timeText, ProductInfo.DateFormat, ProductInfo.DateSeparator, currentYear);
}

bool TQmWebUpdate::IsNewVersion() {
    bool result = false;
    switch (ProductInfo.VersionFormat) {
        case TmxVersionFormat::vfExternalFileVersion:
        case TmxVersionFormat::vfFileVersion: {
            const VersionWords words = ParseVersionWords(Answer.NewVersion);
            if (static_cast<std::int32_t>(words.Ms) >= 0) {
                if (CurrentFileVersionMs < words.Ms) return true;
                if (CurrentFileVersionMs == words.Ms && static_cast<std::int32_t>(words.Ls) >= 0 &&
                    CurrentFileVersionLs < words.Ls) {
                    return true;
                }
            }
            break;
        }
        case TmxVersionFormat::vfStandard: {
            const int comparison = CompareStandardVersions(CurrentVersion, Answer.NewVersion);
            if (comparison > 0) return true;
            if (comparison < 0) {
                DoNoUpdateFound();
                return false;
            }
            break;
        }
        case TmxVersionFormat::vfString:
            result = Answer.NewVersion > CurrentVersion;
            break;
        case TmxVersionFormat::vfNumber: {
            const auto current = ReadFloat(CurrentVersion);
            const auto newVersion = ReadFloat(Answer.NewVersion);
            if (!current || !newVersion) {
                DoNoUpdateFound();
                return false;
            }
            result = *newVersion > *current;
            break;
        }
    }
    if (!Answer.NewDate.empty()) {
        const double date = ParseInfoDate(Answer.NewDate, "00:00");
        Answer.NewDate = ports_.Host.ShortDateText(date);
        if (CurrentDate < date) result = true;
    }
    if (!result) DoNoUpdateFound();
    return result;
}

bool TQmWebUpdate::CheckForUpdate() {
    if (busy_) return false;
    try {
        return RunCheck();
    } catch (const ComponentGone&) {
        return false;
    }
}

bool TQmWebUpdate::RunCheck() {
    const BusyScope busy(busy_, life_.Watch());
    ReadCurrentVersion();
    requested_.clear();
    DoBeforeGetInfo();
    GetInfo();
    DoAfterGetInfo();
    if (Answer.ProductName.empty() || Answer.NewVersion.empty()) {
        DoDownloadError();
        Succeeded = false;
    }
    if (!Succeeded) return false;
    if (!IsNewVersion()) return false;
    bool canUpdate = true;
    if (OnUpdateAvailable) {
        const std::string currentDate = ports_.Host.ShortDateText(CurrentDate);
        Guarded([&] { OnUpdateAvailable(CurrentVersion, Answer.NewVersion, currentDate, Answer.NewDate, canUpdate); });
    }
    if (!canUpdate) return false;
    ShowInfo();
    OpenShowURL();
    return true;
}

void TQmWebUpdate::StartCheckThread() {
    checkPending_ = true;
    ports_.Host.QueueCall([this, alive = life_.Watch()] {
        if (!alive) return;  // the owner went first
        checkPending_ = false;
        CheckForUpdate();
    });
}

void TQmWebUpdate::OpenShowURL() {
    if (!Answer.ShowURL.empty() && IsWebAddress(Answer.ShowURL)) ports_.Host.ShellOpen(Answer.ShowURL, "");
}

bool TQmWebUpdate::DownloadFile() {
    // The answer names the file; anything but a plain name could place it anywhere.
    if (!IsPlainFileName(Answer.ClientFileName) || Answer.DownloadURL.empty()) {
        Succeeded = false;
        DoDownloadError();
        return false;
    }
    GetClientFileName(LocalFileName);
    if (OnGetClientFileName) Guarded([&] { OnGetClientFileName(LocalFileName); });
    Succeeded = false;
    if (ports_.Files.FileExists(LocalFileName)) {
        bool overwrite = Options.uoOverwrite;
        if (OnClientFileExists) Guarded([&] { OnClientFileExists(LocalFileName, overwrite); });
        if (!overwrite) {
            DoDownloadError();
            return false;
        }
    }
    DoBeforeDownload(LocalFileName);
    HttpGet(Answer.DownloadURL, true, &LocalFileName);
    if (Succeeded) {
        DoAfterDownload(LocalFileName);
    } else {
        ports_.Host.SetElapsedTimer(false);  // no clock left ticking after a failed download
    }
    return Succeeded;
}

bool TQmWebUpdate::Download() {
    if (Answer.ProductName.empty() || Answer.NewVersion.empty() || busy_) return false;
    try {
        return RunDownload();
    } catch (const ComponentGone&) {
        return false;
    }
}

bool TQmWebUpdate::RunDownload() {
    const BusyScope busy(busy_, life_.Watch());
    if (!DownloadFile()) return false;
    OpenShowURL();
    if (Options.uoRunUpdate) {
        if (!ports_.Host.ShellOpen(LocalFileName, Answer.RunParameters)) {
            DoCannotExecute();
            return false;
        }
        if (Options.uoTerminate) ports_.Host.Terminate();
    }
    return true;
}

void TQmWebUpdate::ElapsedTick() {
    if (OnTimer) OnTimer(ElapsedText(static_cast<std::uint32_t>(ports_.Host.TickCount() - StartTick)));
}

}  // namespace tarvex
