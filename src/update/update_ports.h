#pragma once
// Ports of the update component: one HTTP GET, the installer's file, and the few facts and
// services of the running system it needs. The Win32 adapters live in update/win32/; tests
// pass doubles that keep everything in memory.
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "common/version_text.h"

namespace tarvex {

struct HttpRequest {
    std::string ServerName;
    std::uint16_t Port = 80;
    std::string ObjectPath;  // "/path?query", sent as it stands
    bool Secure = false;     // https
    std::string UserName;
    std::string Password;
    std::string Agent;
};

// One request that was sent; closing it (destruction) releases every handle it holds.
class HttpResponse {
public:
    virtual ~HttpResponse() = default;
    // The numeric status; nothing when the query fails.
    virtual std::optional<std::uint32_t> StatusCode() = 0;
    // The numeric content length; nothing when the server gave none.
    virtual std::optional<std::uint64_t> ContentLength() = 0;
    // Up to `size` bytes of the body: 0 at its end, nothing when the read fails.
    virtual std::optional<std::size_t> Read(char* buffer, std::size_t size) = 0;
};

class HttpTransfer {
public:
    virtual ~HttpTransfer() = default;
    // Connects and sends one GET (HTTP/1.0, never from a cache); nothing when that fails.
    virtual std::unique_ptr<HttpResponse> Get(const HttpRequest& request) = 0;
};

// A file being written; closed by destruction.
class UpdateFile {
public:
    virtual ~UpdateFile() = default;
    virtual void Write(const char* bytes, std::size_t size) = 0;  // throws Error when it cannot
};

class UpdateFileSystem {
public:
    virtual ~UpdateFileSystem() = default;
    virtual std::string TempFolder() = 0;  // the user's temporary folder, with a trailing delimiter
    virtual bool FolderExists(std::string_view path) = 0;
    virtual bool FileExists(std::string_view path) = 0;
    virtual std::unique_ptr<UpdateFile> OpenForWriting(std::string_view path) = 0;  // truncates; throws Error
    virtual void RemoveFile(std::string_view path) = 0;                             // quietly, if it is there
};

// The running program and the user-interface thread.
class UpdateHost {
public:
    virtual ~UpdateHost() = default;
    virtual void ProcessMessages() = 0;                  // runs every pending window message
    virtual std::uint32_t TickCount() = 0;               // milliseconds, wraps after 49.7 days
    virtual double Now() = 0;                            // the local date-time
    virtual std::string ShortDateText(double date) = 0;  // in the user's short date format
    virtual std::string ProgramPath() = 0;
    virtual std::optional<FileVersion> ReadFileVersion(std::string_view path) = 0;
    virtual bool FileExists(std::string_view path) = 0;
    virtual std::uint32_t LinkTimeStamp() = 0;  // seconds since 1970 from the program's header
    virtual std::string AnsiToUtf8(std::string_view bytes) = 0;
    // The shell's "open" verb with a normal window; true when the shell started it.
    virtual bool ShellOpen(std::string_view file, std::string_view parameters) = 0;
    virtual void Terminate() = 0;                    // asks the application to end
    virtual void SetElapsedTimer(bool enabled) = 0;  // the one-second timer that calls back OnElapsedTick
    // Runs `call` on the user-interface thread once the current handler has returned.
    virtual void QueueCall(std::function<void()> call) = 0;
};

}  // namespace tarvex
