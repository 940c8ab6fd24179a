#include "platform/registry_access.h"

namespace tarvex {
namespace {

// `text` with the value's name in place of its %s.
Error NamedError(std::string_view text, std::string_view name) {
    std::string message(text);
    message.replace(message.find("%s"), 2, name);
    return Error(message);
}

}  // namespace

std::string_view RegistryRootName(RegistryRoot root) {
    switch (root) {
        case RegistryRoot::CurrentUser:
            return "HKEY_CURRENT_USER";
        case RegistryRoot::LocalMachine:
            return "HKEY_LOCAL_MACHINE";
        case RegistryRoot::ClassesRoot:
            return "HKEY_CLASSES_ROOT";
    }
    return {};
}

Error RegistryAccess::GetDataError(std::string_view name) {
    return NamedError("Failed to get data for '%s'", name);
}
Error RegistryAccess::InvalidTypeError(std::string_view name) {
    return NamedError("Invalid data type for '%s'", name);
}
Error RegistryAccess::SetDataError(std::string_view name) {
    return NamedError("Failed to set data for '%s'", name);
}

void RegistryAccess::RemoveValue(std::string_view name) {
    if (!DeleteValue(name) && ValueExists(name)) throw SetDataError(name);
}

}  // namespace tarvex
