// Downloads one installer and prints how long the transfer took, for tools/bench-update-download:
//   bench_update_download component INFO-URL PORT   the update component: check, then download
//                                                   into the temporary folder
//   bench_update_download bare URL-PATH PORT FILE   a bare WinInet reader making the same 1025-byte
//                                                   reads into FILE, the floor the chunk size sets
// Prints "bytes=N ms=M" and ends 0, or ends 1 with a reason.
#include <windows.h>
#include <wininet.h>

#include <cstdio>
#include <string>

#include "platform/win32/unicode.h"
#include "update/web_update.h"
#include "update/win32/update_platform.h"
#include "update/win32/wininet_transfer.h"

namespace {

using namespace tarvex;

int Component(const std::string& infoUrl, std::uint16_t port) {
    WinInetTransfer transfer;
    Win32UpdateFileSystem files;
    Win32UpdateHost host;
    TQmWebUpdate update(UpdatePorts{transfer, files, host});
    update.ProductInfo.SetURL(infoUrl);
    update.HTTPPort = port;
    update.Options = {.uoRunUpdate = false, .uoTerminate = false, .uoOverwrite = true};
    if (!update.CheckForUpdate()) {
        std::puts("check found no update");
        return 1;
    }
    const DWORD start = GetTickCount();
    const bool done = update.Download();
    const DWORD elapsed = GetTickCount() - start;
    if (!done) {
        std::puts("download failed");
        return 1;
    }
    std::printf("bytes=%lld ms=%lu\n", static_cast<long long>(update.Downloaded), elapsed);
    files.RemoveFile(update.LocalFileName);
    return 0;
}

int Bare(const std::string& path, std::uint16_t port, const std::string& file) {
    const DWORD start = GetTickCount();
    HINTERNET session = InternetOpenW(L"TWebUpdate", INTERNET_OPEN_TYPE_PRECONFIG, nullptr, nullptr, 0);
    HINTERNET connection = InternetConnectW(session, L"127.0.0.1", port, nullptr, nullptr, INTERNET_SERVICE_HTTP, 0, 0);
    const wchar_t* accept[] = {L"*/*", nullptr};
    HINTERNET request = HttpOpenRequestW(connection, L"GET", Utf8ToWide(path).c_str(), L"HTTP/1.0", nullptr, accept,
                                         INTERNET_FLAG_RELOAD | INTERNET_FLAG_NO_CACHE_WRITE, 0);
    long long total = -1;
    if (request && HttpSendRequestW(request, nullptr, 0, nullptr, 0)) {
        HANDLE out = CreateFileW(Utf8ToWide(file).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                 FILE_ATTRIBUTE_NORMAL, nullptr);
        char buffer[1025];
        DWORD read = 0;
        total = 0;
        while (InternetReadFile(request, buffer, sizeof buffer, &read) && read > 0) {
            DWORD written = 0;
            WriteFile(out, buffer, read, &written, nullptr);
            total += read;
        }
        CloseHandle(out);
        DeleteFileW(Utf8ToWide(file).c_str());
    }
    InternetCloseHandle(request);
    InternetCloseHandle(connection);
    InternetCloseHandle(session);
    if (total < 0) {
        std::puts("request failed");
        return 1;
    }
    std::printf("bytes=%lld ms=%lu\n", total, GetTickCount() - start);
    return 0;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    const std::string mode = argc > 1 ? WideToUtf8(argv[1]) : "";
    if (mode == "component" && argc == 4) {
        return Component(WideToUtf8(argv[2]), static_cast<std::uint16_t>(_wtoi(argv[3])));
    }
    if (mode == "bare" && argc == 5) {
        return Bare(WideToUtf8(argv[2]), static_cast<std::uint16_t>(_wtoi(argv[3])), WideToUtf8(argv[4]));
    }
    std::puts("usage: bench_update_download component INFO-URL PORT | bare URL-PATH PORT FILE");
    return 2;
}
