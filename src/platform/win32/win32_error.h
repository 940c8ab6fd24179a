#pragma once
// The one way a failed Win32 call becomes the program's error: the call's name and the
// system's error code and text. The last error is read first, before anything can change it.
#include <windows.h>

#include <string>

#include "common/error.h"

namespace tarvex {

class Win32Error : public Error {
public:
    Win32Error(const char* call, DWORD code);
    DWORD Code() const noexcept { return code_; }

private:
    DWORD code_;
};

// Throws Win32Error for `call` with the calling thread's last error.
[[noreturn]] void ThrowLastError(const char* call);

// Passes a call's result through; throws Win32Error when it is null or false.
template <typename T>
T CheckWin32(T result, const char* call) {
    if (!result) ThrowLastError(call);
    return result;
}

// The system's text for an error code, without the trailing line break; empty when unknown.
std::string SystemErrorText(DWORD code);

}  // namespace tarvex
