#include "platform/win32/com.h"

#include <optional>
#include <string>

#include "platform/win32/system_function.h"
#include "platform/win32/unicode.h"

namespace tarvex {
namespace {

template <typename F>
bool Resolve(HMODULE module, const char* name, F& function) {
    function = ModuleFunction<F>(module, name);
    return function != nullptr;
}

}  // namespace

const ComApi* LoadComApi() {
    static const std::optional<ComApi> api = []() -> std::optional<ComApi> {
        // Loaded for the process's life.
        const HMODULE ole = LoadSystemLibrary(L"ole32.dll").release();
        const HMODULE automation = LoadSystemLibrary(L"oleaut32.dll").release();
        ComApi api;
        if (!Resolve(ole, "CoInitializeEx", api.InitializeEx) || !Resolve(ole, "CoUninitialize", api.Uninitialize) ||
            !Resolve(ole, "CoCreateInstance", api.CreateInstance) ||
            !Resolve(ole, "CoTaskMemAlloc", api.TaskMemAlloc) || !Resolve(ole, "OleInitialize", api.OleInitialize) ||
            !Resolve(ole, "OleUninitialize", api.OleUninitialize) ||
            !Resolve(automation, "SysAllocStringLen", api.AllocStringLen) ||
            !Resolve(automation, "SysFreeString", api.FreeString))
            return std::nullopt;
        return api;
    }();
    return api ? &*api : nullptr;
}

Bstr::Bstr(const ComApi& api, std::string_view utf8) : api_(api) {
    const std::wstring wide = Utf8ToWide(utf8);
    text_ = api_.AllocStringLen(wide.data(), static_cast<UINT>(wide.size()));
}

}  // namespace tarvex
