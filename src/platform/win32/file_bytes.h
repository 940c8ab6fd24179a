#pragma once
// Whole files read and written with CreateFileW (registry files, exported settings).
#include <windows.h>

#include <cstddef>
#include <string>
#include <string_view>

namespace tarvex {

// A file's bytes, up to `limit` and one more, so that a caller can tell a file that is larger.
std::string ReadFileBytes(const std::wstring& path, std::size_t limit);

// Makes `path` hold `bytes`: they go to a new file beside it, which then takes its place in one
// step (MoveFileExW), so a write that fails leaves the earlier file as it was and no part-written
// one. Throws the system's error.
void ReplaceFileBytes(const std::wstring& path, std::string_view bytes);

}  // namespace tarvex
