#pragma once
// One running copy per executable file: a table of registered process ids in shared
// memory, guarded by a named mutex, both named after the executable's path.
#include <windows.h>

#include <cstdint>
#include <string>

#include "app/instance_table.h"
#include "platform/win32/unique_handle.h"

namespace tarvex {

class TJclAppInstances {
public:
    // Creates or opens the lock and the table; throws Error when the system refuses.
    explicit TJclAppInstances(const std::string& exePath, const wchar_t* applicationWindowClass);
    // Unregisters this process.
    ~TJclAppInstances();
    TJclAppInstances(const TJclAppInstances&) = delete;
    TJclAppInstances& operator=(const TJclAppInstances&) = delete;

    // Registers this process; when the limit is reached, activates the first instance's
    // window and returns false, and the caller ends normally.
    bool CheckSingleInstance(std::uint16_t limit);

    const std::string& ApplicationId() const noexcept { return applicationId_; }

private:
    class Lock;
    void ActivateFirstInstance(std::uint32_t processId) const;

    std::string applicationId_;
    const wchar_t* windowClass_;
    UniqueKernelHandle mutex_;
    UniqueKernelHandle mapping_;
    UniqueFileMapView view_;
    bool registered_ = false;
};

}  // namespace tarvex
