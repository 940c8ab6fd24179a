#include "platform/win32/system_function.h"

#include <string>

namespace tarvex {

UniqueModule LoadSystemLibrary(const wchar_t* name) {
    wchar_t system[MAX_PATH];
    const UINT length = GetSystemDirectoryW(system, MAX_PATH);
    if (length == 0 || length >= MAX_PATH) return UniqueModule();
    return UniqueModule(LoadLibraryW((std::wstring(system, length) + L"\\" + name).c_str()));
}

}  // namespace tarvex
