#include "platform/win32/file_bytes.h"

#include "platform/win32/unicode.h"
#include "platform/win32/unique_handle.h"
#include "platform/win32/win32_error.h"

namespace tarvex {

std::string ReadFileBytes(const std::wstring& path, std::size_t limit) {
    const UniqueFile file(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                      FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) ThrowLastError("CreateFileW");
    std::string bytes;
    char buffer[65536];
    for (DWORD read = 0; bytes.size() <= limit; bytes.append(buffer, read)) {
        CheckWin32(ReadFile(file.get(), buffer, sizeof buffer, &read, nullptr), "ReadFile");
        if (read == 0) break;
    }
    return bytes;
}

void ReplaceFileBytes(const std::wstring& path, std::string_view bytes) {
    // A name of its own beside the file (the same volume, so the move is a rename); one that is
    // taken already is never written through.
    std::wstring temporary;
    UniqueFile file;
    for (unsigned attempt = 0; !file; ++attempt) {
        // Narrow digits widened: std::to_wstring would pull in wide printf, which XP's msvcrt lacks.
        temporary =
            path + Utf8ToWide("." + std::to_string(GetCurrentProcessId()) + "-" + std::to_string(attempt) + ".tmp");
        file.reset(
            CreateFileW(temporary.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr));
        if (!file && (GetLastError() != ERROR_FILE_EXISTS || attempt == 99)) ThrowLastError("CreateFileW");
    }
    try {
        DWORD written = 0;
        CheckWin32(WriteFile(file.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr),
                   "WriteFile");
        if (written != bytes.size()) ThrowLastError("WriteFile");
        CheckWin32(FlushFileBuffers(file.get()), "FlushFileBuffers");
        file.reset();
        CheckWin32(MoveFileExW(temporary.c_str(), path.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH),
                   "MoveFileExW");
    } catch (...) {
        file.reset();
        DeleteFileW(temporary.c_str());
        throw;
    }
}

}  // namespace tarvex
