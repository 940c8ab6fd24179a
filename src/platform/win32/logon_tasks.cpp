#include "platform/win32/logon_tasks.h"

#include <windows.h>
#include <taskschd.h>

#include <cwchar>
#include <memory>
#include <optional>
#include <string_view>

#include "platform/win32/com.h"
#include "platform/win32/unicode.h"

namespace tarvex {
namespace {

// The local Task Scheduler's root folder, connected as the current user. Null where there is
// no scheduler: Windows XP has no such class, so CoCreateInstance fails there.
class RootFolder {
public:
    RootFolder() : api_(LoadComApi()) {
        if (!api_) return;
        apartment_.emplace(*api_);
        if (!apartment_->Joined()) return;
        ITaskService* service = nullptr;
        if (FAILED(api_->CreateInstance(__uuidof(TaskScheduler), nullptr, CLSCTX_INPROC_SERVER, __uuidof(ITaskService),
                                        reinterpret_cast<void**>(&service))))
            return;
        service_.reset(service);
        const VARIANT none{};  // VT_EMPTY: this computer, the current user
        if (FAILED(service_->Connect(none, none, none, none))) return;
        const Bstr root(*api_, "\\");
        ITaskFolder* folder = nullptr;
        if (!root || FAILED(service_->GetFolder(root.get(), &folder))) return;
        folder_.reset(folder);
    }

    explicit operator bool() const noexcept { return folder_ != nullptr; }
    ITaskFolder* operator->() const noexcept { return folder_.get(); }
    const ComApi& Api() const noexcept { return *api_; }

private:
    // Released in reverse order: the folder and the service before the apartment is left.
    const ComApi* api_;
    std::optional<ComApartment> apartment_;
    ComPtr<ITaskService> service_;
    ComPtr<ITaskFolder> folder_;
};

// A task of the root folder: an empty name would have the scheduler make one up, and a
// backslash would put the task into another folder.
bool IsRootTaskName(std::string_view name) {
    return !name.empty() && name.find('\\') == std::string_view::npos;
}

ComPtr<IRegisteredTask> GetTask(const RootFolder& root, const std::string& name) {
    const Bstr path(root.Api(), name);
    IRegisteredTask* task = nullptr;
    if (!path || FAILED(root->GetTask(path.get(), &task))) return nullptr;
    return ComPtr<IRegisteredTask>(task);
}

bool IsNotFound(HRESULT result) {
    return result == HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND) || result == HRESULT_FROM_WIN32(ERROR_PATH_NOT_FOUND);
}

}  // namespace

bool Win32LogonTasks::Register(const std::string& name, const std::string& xml) {
    if (!IsRootTaskName(name)) return false;
    const RootFolder root;
    if (!root) return false;
    const Bstr path(root.Api(), name);
    const Bstr definition(root.Api(), xml);
    if (!path || !definition) return false;
    const VARIANT none{};  // no user or password: the interactive logon's token; default security
    IRegisteredTask* task = nullptr;
    const HRESULT result = root->RegisterTask(path.get(), definition.get(), TASK_CREATE_OR_UPDATE, none, none,
                                              TASK_LOGON_INTERACTIVE_TOKEN, none, &task);
    const ComPtr<IRegisteredTask> registered(task);
    return SUCCEEDED(result);
}

bool Win32LogonTasks::Exists(const std::string& name) {
    if (!IsRootTaskName(name)) return false;
    const RootFolder root;
    return root && GetTask(root, name) != nullptr;
}

std::optional<std::string> Win32LogonTasks::Definition(const std::string& name) {
    if (!IsRootTaskName(name)) return std::nullopt;
    const RootFolder root;
    if (!root) return std::nullopt;
    const ComPtr<IRegisteredTask> task = GetTask(root, name);
    Bstr xml(root.Api());
    if (!task || FAILED(task->get_Xml(xml.Out())) || !xml) return std::nullopt;
    return WideToUtf8(std::wstring_view(xml.get(), std::wcslen(xml.get())));
}

bool Win32LogonTasks::Delete(const std::string& name) {
    if (!IsRootTaskName(name)) return false;
    const RootFolder root;
    if (!root) return false;
    const Bstr path(root.Api(), name);
    if (!path) return false;
    const HRESULT result = root->DeleteTask(path.get(), 0);
    return SUCCEEDED(result) || IsNotFound(result);
}

}  // namespace tarvex
