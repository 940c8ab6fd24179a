#include "app/win32/single_instance.h"

#include <vector>

#include "common/error.h"
#include "common/win32/window_utils.h"
#include "platform/win32/unicode.h"
#include "platform/win32/win32_error.h"

namespace tarvex {
namespace {

constexpr UINT kRestoreTimeoutMs = 5000;

// A security descriptor owned by the current user that lets everyone do everything, so
// that copies started by other users on the machine share the same table.
class EveryoneSecurity {
public:
    EveryoneSecurity() {
        UniqueKernelHandle token;
        CheckWin32(OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, OutParam(token)), "OpenProcessToken");
        DWORD size = 0;
        GetTokenInformation(token.get(), TokenUser, nullptr, 0, &size);
        tokenUser_.resize(size);
        if (size == 0 || !GetTokenInformation(token.get(), TokenUser, tokenUser_.data(), size, &size))
            ThrowLastError("GetTokenInformation");
        PSID owner = reinterpret_cast<TOKEN_USER*>(tokenUser_.data())->User.Sid;

        SID_IDENTIFIER_AUTHORITY worldAuthority = SECURITY_WORLD_SID_AUTHORITY;
        CheckWin32(
            AllocateAndInitializeSid(&worldAuthority, 1, SECURITY_WORLD_RID, 0, 0, 0, 0, 0, 0, 0, OutParam(world_)),
            "AllocateAndInitializeSid");
        const PSID world = world_.get();
        acl_.resize(sizeof(ACL) + sizeof(ACCESS_ALLOWED_ACE) + GetLengthSid(world));
        auto* acl = reinterpret_cast<ACL*>(acl_.data());
        if (!InitializeAcl(acl, static_cast<DWORD>(acl_.size()), ACL_REVISION) ||
            !AddAccessAllowedAce(acl, ACL_REVISION, GENERIC_ALL, world) ||
            !InitializeSecurityDescriptor(&descriptor_, SECURITY_DESCRIPTOR_REVISION) ||
            !SetSecurityDescriptorOwner(&descriptor_, owner, FALSE) ||
            !SetSecurityDescriptorDacl(&descriptor_, TRUE, acl, FALSE))
            ThrowLastError("Building the security descriptor");
        attributes_ = {sizeof attributes_, &descriptor_, FALSE};
    }

    SECURITY_ATTRIBUTES* Attributes() noexcept { return &attributes_; }

private:
    std::vector<std::byte> tokenUser_;
    UniqueHandle<HandleTraits<PSID, FreeSid>> world_;
    std::vector<std::byte> acl_;
    SECURITY_DESCRIPTOR descriptor_{};
    SECURITY_ATTRIBUTES attributes_{};
};

std::string UpperCasedPath(const std::string& path) {
    std::wstring wide = Utf8ToWide(path);
    CharUpperBuffW(wide.data(), static_cast<DWORD>(wide.size()));
    return WideToUtf8(wide);
}

struct FindWindowContext {
    DWORD ProcessId;
    const wchar_t* ClassName;
    HWND Found;
};

BOOL CALLBACK FindProcessWindow(HWND window, LPARAM lParam) {
    auto* context = reinterpret_cast<FindWindowContext*>(lParam);
    DWORD processId = 0;
    GetWindowThreadProcessId(window, &processId);
    wchar_t className[64];
    if (processId == context->ProcessId && GetClassNameW(window, className, 64) &&
        lstrcmpW(className, context->ClassName) == 0) {
        context->Found = window;
        return FALSE;
    }
    return TRUE;
}

}  // namespace

// Holds the table lock for one access to the table, and only for that. Every account may
// open the lock, so any process can keep it for ever: the wait is bounded, and a lock not
// taken in time leaves the table alone.
class TJclAppInstances::Lock {
public:
    Lock(HANDLE mutex, DWORD timeoutMs) : mutex_(mutex) {
        const DWORD result = WaitForSingleObject(mutex_, timeoutMs);
        if (result == WAIT_FAILED) ThrowLastError("Waiting for the instance lock");
        // An abandoned lock still hands over ownership; the table stays usable.
        held_ = result != WAIT_TIMEOUT;
    }
    ~Lock() {
        if (held_) ReleaseMutex(mutex_);
    }
    Lock(const Lock&) = delete;
    Lock& operator=(const Lock&) = delete;

    bool Held() const noexcept { return held_; }

private:
    HANDLE mutex_;
    bool held_ = false;
};

TJclAppInstances::TJclAppInstances(const std::string& exePath, const wchar_t* applicationWindowClass,
                                   DWORD lockTimeoutMs)
    : applicationId_(tarvex::ApplicationId(UpperCasedPath(exePath))),
      windowClass_(applicationWindowClass),
      lockTimeoutMs_(lockTimeoutMs) {
    EveryoneSecurity security;
    mutex_.reset(CreateMutexW(security.Attributes(), FALSE, Utf8ToWide(InstanceLockName(applicationId_)).c_str()));
    if (!mutex_) ThrowLastError("Creating the instance lock");
    // The system fills a new page-file mapping with zero bytes, which is the empty table, so
    // creating or opening it needs no lock: the first writer finds it empty either way.
    mapping_.reset(CreateFileMappingW(INVALID_HANDLE_VALUE, security.Attributes(), PAGE_READWRITE, 0,
                                      sizeof(InstanceTable), Utf8ToWide(InstanceTableName(applicationId_)).c_str()));
    if (!mapping_) ThrowLastError("Creating the instance table");
    view_.reset(MapViewOfFile(mapping_.get(), FILE_MAP_ALL_ACCESS, 0, 0, sizeof(InstanceTable)));
    if (!view_) ThrowLastError("Mapping the instance table");
}

TJclAppInstances::~TJclAppInstances() {
    if (!registered_) return;
    try {
        Lock lock(mutex_.get(), lockTimeoutMs_);
        if (lock.Held()) UnregisterInstance(*static_cast<InstanceTable*>(view_.get()), GetCurrentProcessId());
    } catch (const Error&) {
        // The process is ending; a lock that cannot be taken leaves the table to the system.
    }
}

bool TJclAppInstances::CheckSingleInstance(std::uint16_t limit) {
    bool allowed;
    std::uint32_t firstProcessId;
    {
        Lock lock(mutex_.get(), lockTimeoutMs_);
        // A lock kept from us must not keep the program from starting: run, unregistered.
        if (!lock.Held()) return true;
        auto& table = *static_cast<InstanceTable*>(view_.get());
        allowed = RegisterInstance(table, GetCurrentProcessId(), limit);
        registered_ = true;
        firstProcessId = table.ProcessIds[0];
    }
    if (!allowed) ActivateFirstInstance(firstProcessId);
    return allowed;
}

void TJclAppInstances::ActivateFirstInstance(std::uint32_t processId) const {
    FindWindowContext context{processId, windowClass_, nullptr};
    EnumWindows(FindProcessWindow, reinterpret_cast<LPARAM>(&context));
    if (!context.Found) return;  // the first instance is ending
    // This process was just started by the user and may take the foreground; the first may
    // not, unless it is allowed to.
    AllowSetForegroundWindow(processId);
    // Minimised, or hidden in the notification area: the first instance restores it. A hung
    // first instance must not hang this one too.
    if (IsIconic(context.Found) || !IsWindowVisible(context.Found)) {
        DWORD_PTR ignored = 0;
        SendMessageTimeoutW(context.Found, WM_SYSCOMMAND, SC_RESTORE, 0, SMTO_ABORTIFHUNG, kRestoreTimeoutMs, &ignored);
    }
    BringToForeground(context.Found);
}

}  // namespace tarvex
