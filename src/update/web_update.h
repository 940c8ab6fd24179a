#pragma once
// TQmWebUpdate: asks the update server whether a newer version exists and downloads its
// installer. It knows nothing of windows; its owners (the scheduled check, the wizard) follow
// its events. Everything runs on the user-interface thread, which the transfer keeps alive
// by running pending messages between its steps.
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "common/life_guard.h"
#include "update/update_info.h"
#include "update/update_ports.h"

namespace tarvex {

enum class TmxVersionFormat { vfExternalFileVersion, vfFileVersion, vfStandard, vfString, vfNumber };

struct TmxPassParameters {
    bool ppVersion = true;
    bool ppBuildDate = true;
    bool operator==(const TmxPassParameters&) const = default;
};

struct TmxUpdateOptions {
    bool uoRunUpdate = true;
    bool uoTerminate = true;
    bool uoOverwrite = true;
    bool operator==(const TmxUpdateOptions&) const = default;
};

class TQmProductInfo {
public:
    const std::string& URL() const { return url_; }
    // A value that does not start with "http://" (any case) gets it in front.
    void SetURL(std::string_view url);

    std::string Version = "1.0";
    TmxVersionFormat VersionFormat = TmxVersionFormat::vfFileVersion;
    std::string ExternalVersionFileName;
    std::string DateFormat = "dd/mm/yyyy";
    char DateSeparator = '/';
    TmxPassParameters PassParameters;

private:
    std::string url_ = "http://";
};

struct UpdatePorts {
    HttpTransfer& Transfer;
    UpdateFileSystem& Files;
    UpdateHost& Host;
};

class TQmWebUpdate {
public:
    static constexpr std::size_t kChunkSize = 1025;
    // Answers are small pages; one that grows past this is refused rather than held in memory.
    static constexpr std::uint64_t kMaxInfoBytes = 1024 * 1024;
    // Each answer may send the check to another address; a chain longer than this is cut.
    static constexpr int kMaxRedirections = 5;

    explicit TQmWebUpdate(UpdatePorts ports);
    virtual ~TQmWebUpdate();
    TQmWebUpdate(const TQmWebUpdate&) = delete;
    TQmWebUpdate& operator=(const TQmWebUpdate&) = delete;

    // Published properties.
    TQmProductInfo ProductInfo;
    TQmTagInfo TagInfo;
    std::string UserName;
    std::string Password;
    std::string Agent = "TWebUpdate";
    bool UseWinTempDir = true;
    std::string TempDirectory = ".";
    TmxUpdateOptions Options;
    std::string TargetFolder;
    std::uint32_t HTTPPort = 80;

    // Events; an unassigned one is skipped.
    std::function<void()> OnBeforeGetInfo, OnAfterGetInfo, OnNoUpdateFound, OnDownloadError, OnCannotExecute;
    std::function<void(const std::string& CurrentVersion, const std::string& NewVersion, const std::string& CurrentDate,
                       const std::string& NewDate, bool& CanUpdate)>
        OnUpdateAvailable;
    std::function<void(bool& ShowInfo, bool& CheckForUpdate, const std::string& InfoURL)> OnBeforeShowInfo;
    std::function<void(bool CheckForUpdate)> OnAfterShowInfo;  // declared for owners; never raised
    std::function<void(std::string& FileName)> OnGetClientFileName;
    std::function<void(std::string& FileName, bool& Overwrite)> OnClientFileExists;
    std::function<void(const std::string&FileName)> OnBeforeDownload, OnAfterDownload;
    std::function<void(std::int64_t Total, std::int64_t Downloaded, double KBps, double SecondsRemaining)> OnDownload;
    std::function<void(const std::string& ElapsedTime)> OnTimer;

    // True when an update is available and the owner agreed; false at once while busy.
    bool CheckForUpdate();
    // Hands one CheckForUpdate to the user-interface thread, so the caller returns first.
    void StartCheckThread();
    bool CheckPending() const { return checkPending_; }
    // Fetches the installer that this component's last check named.
    bool Download();
    void Abort() { AbortRequested = true; }
    bool Busy() const { return busy_; }
    // The one-second timer's tick: raises OnTimer with the time since the download began.
    void ElapsedTick();

    // Run-time state.
    std::string CurrentVersion;
    std::uint32_t CurrentFileVersionMs = 0;
    std::uint32_t CurrentFileVersionLs = 0;
    double CurrentDate = 0;
    UpdateAnswer Answer;  // NewVersion, NewDate, DownloadURL, ClientFileName, Redirection...
    std::vector<std::string> InfoLines;
    std::string LocalFileName;
    bool Succeeded = false;
    std::int64_t TotalSize = 0;
    std::uint32_t BytesRead = 0;
    std::int64_t Downloaded = 0;
    std::uint32_t StartTick = 0;
    bool AbortRequested = false;

    // The exact addresses asked for by the last check, in order (redirections included).
    const std::vector<std::string>& RequestedAddresses() const { return requested_; }
    // The information and what's-new addresses for a base address.
    std::string InfoAddress(std::string_view checkType) const;

    double ParseInfoDate(std::string_view dateText, std::string_view timeText);
    void ParseInfo();

protected:
    virtual void DoDownload();
    virtual void DoDownloadError();
    virtual void DoBeforeDownload(const std::string& FileName);
    virtual void DoAfterDownload(const std::string& FileName);
    virtual void DoNoUpdateFound();
    virtual void DoAfterGetInfo();
    virtual void DoBeforeGetInfo();
    virtual void DoCannotExecute();
    virtual bool ShowInfo();
    virtual void GetClientFileName(std::string& path);

private:
    // Runs a call that may destroy this component (an event handler, the message pump) and
    // unwinds without touching it again if it did.
    template <typename Call>
    void Guarded(Call&& call);
    void Raise(const std::function<void()>& event);
    void Pump();
    bool RunCheck();
    bool IsNewVersion();  // raises OnNoUpdateFound when not newer
    bool RunDownload();
    void ReadCurrentVersion();
    void GetInfo();
    bool HttpGet(const std::string& address, bool lengthRequired, const std::string* fileName);
    enum class Outcome { Success, Failure, Silent };
    Outcome Transfer(const std::string& address, bool lengthRequired, const std::string* fileName);
    bool DownloadFile();
    void OpenShowURL();

    UpdatePorts ports_;
    bool busy_ = false;
    bool checkPending_ = false;
    bool fileCreated_ = false;  // this transfer made the file it writes
    std::vector<std::string> requested_;
    LifeGuard life_;
};

}  // namespace tarvex
