#include "update/win32/update_platform.h"

#include "common/error.h"
#include "common/win32/date_time_win32.h"
#include "platform/win32/message_loop.h"
#include "platform/win32/program_info.h"
#include "platform/win32/unicode.h"
#include "platform/win32/unique_handle.h"
#include "platform/win32/win32_error.h"
#include "update/update_info.h"
#include "platform/win32/shell.h"

namespace tarvex {
namespace {

bool IsFile(std::string_view path) {
    const DWORD attributes = GetFileAttributesW(Utf8ToWide(path).c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
}

class Win32UpdateFile final : public UpdateFile {
public:
    explicit Win32UpdateFile(UniqueFile file) : file_(std::move(file)) {}
    void Write(const char* bytes, std::size_t size) override {
        while (size > 0) {
            DWORD written = 0;
            const DWORD part = static_cast<DWORD>(std::min<std::size_t>(size, 1u << 20));
            if (!WriteFile(file_.get(), bytes, part, &written, nullptr) || written == 0) ThrowLastError("WriteFile");
            bytes += written;
            size -= written;
        }
    }

private:
    UniqueFile file_;
};

}  // namespace

std::string Win32UpdateFileSystem::TempFolder() {
    wchar_t path[MAX_PATH + 1] = {};
    const DWORD length = GetTempPathW(MAX_PATH + 1, path);
    if (length == 0 || length > MAX_PATH) ThrowLastError("GetTempPathW");
    std::string folder = WideToUtf8(std::wstring_view(path, length));
    if (folder.back() != '\\') folder += '\\';
    return folder;
}

bool Win32UpdateFileSystem::FolderExists(std::string_view path) {
    const DWORD attributes = GetFileAttributesW(Utf8ToWide(path).c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

bool Win32UpdateFileSystem::FileExists(std::string_view path) {
    return IsFile(path);
}

std::unique_ptr<UpdateFile> Win32UpdateFileSystem::OpenForWriting(std::string_view path) {
    UniqueFile file(CreateFileW(Utf8ToWide(path).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) ThrowLastError("CreateFileW");
    return std::make_unique<Win32UpdateFile>(std::move(file));
}

void Win32UpdateFileSystem::RemoveFile(std::string_view path) {
    DeleteFileW(Utf8ToWide(path).c_str());
}

Win32UpdateHost::Win32UpdateHost() {
    elapsedTimer_.OnTimer = [this] {
        if (OnElapsedTick) OnElapsedTick();
    };
    queueTimer_.OnTimer = [this] { RunQueued(); };
}

Win32UpdateHost::~Win32UpdateHost() = default;

void Win32UpdateHost::ProcessMessages() {
    // A transfer asks twice per 1025-byte chunk, and looking at the queue costs more than the
    // chunk does; looking once per tick of the system clock (1 to 16 ms) keeps every window
    // just as live.
    const DWORD now = GetTickCount();
    if (pumped_ && now == lastPumpTick_) return;
    pumped_ = true;
    lastPumpTick_ = now;
    if (!ProcessPendingMessages() && OnQuit) OnQuit();
}

std::uint32_t Win32UpdateHost::TickCount() {
    return GetTickCount();
}

double Win32UpdateHost::Now() {
    return tarvex::Now();
}

std::string Win32UpdateHost::ShortDateText(double date) {
    const CivilDate civil = DecodeDate(date);
    SYSTEMTIME time = {};
    time.wYear = static_cast<WORD>(civil.Year);
    time.wMonth = static_cast<WORD>(civil.Month);
    time.wDay = static_cast<WORD>(civil.Day);
    time.wDayOfWeek = static_cast<WORD>(DayOfWeek(date) - 1);
    wchar_t text[80] = {};
    if (civil.Year < 1601 || civil.Year > 30827 ||
        GetDateFormatW(LOCALE_USER_DEFAULT, DATE_SHORTDATE, &time, nullptr, text, 80) == 0) {
        return QueryNumberText(date);
    }
    return WideToUtf8(text);
}

std::string Win32UpdateHost::ProgramPath() {
    return ExecutablePath();
}

std::optional<FileVersion> Win32UpdateHost::ReadFileVersion(std::string_view path) {
    return tarvex::ReadFileVersion(std::string(path));
}

bool Win32UpdateHost::FileExists(std::string_view path) {
    return IsFile(path);
}

std::uint32_t Win32UpdateHost::LinkTimeStamp() {
    // The running image's own header, as the loader mapped it.
    const auto* base = reinterpret_cast<const BYTE*>(GetModuleHandleW(nullptr));
    const auto* dos = reinterpret_cast<const IMAGE_DOS_HEADER*>(base);
    const auto* nt = reinterpret_cast<const IMAGE_NT_HEADERS*>(base + dos->e_lfanew);
    return nt->FileHeader.TimeDateStamp;
}

std::string Win32UpdateHost::AnsiToUtf8(std::string_view bytes) {
    return codePage_.ToUtf8(bytes);
}

bool Win32UpdateHost::ShellOpen(std::string_view file, std::string_view parameters) {
    return tarvex::ShellOpen(Owner, file, parameters);
}

void Win32UpdateHost::Terminate() {
    if (OnTerminate) OnTerminate();
}

void Win32UpdateHost::SetElapsedTimer(bool enabled) {
    if (enabled) {
        elapsedTimer_.Start(1000);
    } else {
        elapsedTimer_.Stop();
    }
}

void Win32UpdateHost::QueueCall(std::function<void()> call) {
    queued_.push_back(std::move(call));
    if (!queueTimer_.Running()) queueTimer_.Start(USER_TIMER_MINIMUM);
}

void Win32UpdateHost::RunQueued() {
    queueTimer_.Stop();
    // Calls queued by a call run on a later turn.
    std::deque<std::function<void()>> calls;
    calls.swap(queued_);
    for (auto& call : calls) call();
}

}  // namespace tarvex
