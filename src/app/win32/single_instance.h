#pragma once
// One running copy per executable file: a table of registered process ids in shared
// memory, guarded by a named mutex, both named after the executable's path.
//
// Any process may hold the mutex, so waits for it are bounded: a start that cannot take it
// in time runs without registering (the program must start rather than hang), and an end
// that cannot take it leaves its entry to the table's end with its last holder.
#include <windows.h>

#include <cstdint>
#include <string>

#include "app/instance_table.h"
#include "platform/win32/unique_handle.h"

namespace tarvex {

class TJclAppInstances {
public:
    // Long enough for any holder that only touches the table, short enough not to look hung.
    static constexpr DWORD kDefaultLockTimeoutMs = 5000;

    // Creates or opens the lock and the table; throws Error when the system refuses.
    TJclAppInstances(const std::string& exePath, const wchar_t* applicationWindowClass,
                     DWORD lockTimeoutMs = kDefaultLockTimeoutMs);
    // Unregisters this process.
    ~TJclAppInstances();
    TJclAppInstances(const TJclAppInstances&) = delete;
    TJclAppInstances& operator=(const TJclAppInstances&) = delete;

    // Registers this process; when the limit is reached, activates the first instance's
    // window and returns false, and the caller ends normally. Returns true without
    // registering when the lock is not taken within the timeout.
    bool CheckSingleInstance(std::uint16_t limit);

    const std::string& ApplicationId() const noexcept { return applicationId_; }

private:
    class Lock;
    void ActivateFirstInstance(std::uint32_t processId) const;

    std::string applicationId_;
    const wchar_t* windowClass_;
    DWORD lockTimeoutMs_;
    UniqueKernelHandle mutex_;
    UniqueKernelHandle mapping_;
    UniqueFileMapView view_;
    bool registered_ = false;
};

}  // namespace tarvex
