#pragma once
// Tarvex.exe runs on Windows XP SP3 and later, so it imports nothing that XP does not
// export by name (tests/e2e/check_imports.sh holds it to that). A function that a later
// Windows added is looked up at run time instead, and its caller has a way for a null.
#include <windows.h>

#include "platform/win32/unique_handle.h"

namespace tarvex {

// A DLL of the system folder, loaded from there only (never a copy beside the program); null
// when it is missing.
UniqueModule LoadSystemLibrary(const wchar_t* name);

// The function `name` of a module, or null when the module (may be null) lacks it.
template <typename FunctionPointer>
FunctionPointer ModuleFunction(HMODULE module, const char* name) {
    return module ? reinterpret_cast<FunctionPointer>(reinterpret_cast<void*>(GetProcAddress(module, name))) : nullptr;
}

// The function `name` of a DLL that is loaded already (ntdll, kernel32, user32, and the
// DLLs the program imports from), or null when this Windows lacks it.
template <typename FunctionPointer>
FunctionPointer LoadedSystemFunction(const wchar_t* module, const char* name) {
    return ModuleFunction<FunctionPointer>(GetModuleHandleW(module), name);
}

}  // namespace tarvex
