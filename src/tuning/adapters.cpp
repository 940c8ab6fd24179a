#include "tuning/adapters.h"

#include <exception>

#include "common/integer_text.h"

namespace tarvex {
namespace {

struct FamilyKeys {
    std::string_view Enumeration;  // one subkey per adapter
    std::string_view Description;  // the caption's value in an adapter's subkey
    std::string_view MtuKeys;      // the adapter key goes below it
    std::string_view MtuValue;
};
constexpr FamilyKeys kNtKeys{"\\SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\NetworkCards", "Description",
                             "\\SYSTEM\\CurrentControlSet\\Services\\Tcpip\\Parameters\\Interfaces", "MTU"};
constexpr FamilyKeys k9xKeys{"\\Enum\\Root\\Net", "DeviceDesc",
                             "\\System\\CurrentControlSet\\Services\\Class\\NetTrans", "MaxMTU"};

const FamilyKeys& KeysOf(bool isNT) {
    return isNT ? kNtKeys : k9xKeys;
}

std::string Join(std::string_view path, std::string_view name) {
    std::string joined(path);
    joined += '\\';
    joined += name;
    return joined;
}

// Opens an adapter's MTU key. An empty adapter key would name the parent of all adapters'
// keys, so it opens nothing.
bool OpenMtuKey(RegistryAccess& registry, const FamilyKeys& keys, const AdapterItem& item) {
    return !item.AdapterKey.empty() && registry.OpenKey(Join(keys.MtuKeys, item.AdapterKey), false);
}

// A missing or unreadable text reads as empty.
std::string TextOrEmpty(RegistryAccess& registry, std::string_view name) {
    try {
        return registry.ReadText(name);
    } catch (const Error&) {
        return {};
    }
}

// Texts that hold no MTU: "Windows Default", nothing chosen (-1) and the 9x family's missing
// "MaxMTU". Writing any of them removes the value, so Windows uses its own default.
bool MeansDefault(std::string_view text) {
    return text == kMtuDefaultText || text == "-1" || text.empty();
}

}  // namespace

std::string_view MtuKeysPath(bool isNT) {
    return KeysOf(isNT).MtuKeys;
}

std::string_view MtuValueName(bool isNT) {
    return KeysOf(isNT).MtuValue;
}

int MtuFromIndex(int index) {
    return index >= 0 && index < static_cast<int>(kMtuValues.size()) ? kMtuValues[static_cast<std::size_t>(index)] : -1;
}

int IndexFromMtu(int mtu, int current) {
    if (mtu == 0 || mtu == -1) return -1;
    for (std::size_t i = 0; i < kMtuValues.size(); ++i) {
        if (kMtuValues[i] == mtu) return static_cast<int>(i);
    }
    return current;
}

std::int32_t TextToInteger(std::string_view text) {
    // A plus sign is allowed here, as a user typing a number expects; one sign only.
    const bool plus = !text.empty() && text.front() == '+' && (text.size() < 2 || text[1] != '-');
    if (const auto value = ParseInteger(plus ? text.substr(1) : text)) return *value;
    throw Error("'" + std::string(text) + "' is not a valid integer value");
}

void AdaptersModel::Read(RegistryAccess& registry, bool isNT) {
    const ChangeBatch batch(batchDepth_, OnChange);
    const FamilyKeys& keys = KeysOf(isNT);
    items_.clear();
    storedMtuTexts_.clear();
    selected_ = -1;
    // What was read is what the registry holds, also when the read stops part-way.
    const auto keepStored = [this] {
        for (const AdapterItem& item : items_) storedMtuTexts_.push_back(item.MtuText);
    };
    try {
        registry.SetRootKey(RegistryRoot::LocalMachine);
        if (!registry.OpenKey(keys.Enumeration, false)) return;
        const std::vector<std::string> names = registry.ListSubkeys();
        registry.CloseKey();
        for (const std::string& name : names) {
            if (!registry.OpenKey(Join(keys.Enumeration, name), false)) continue;
            AdapterItem item;
            item.Caption = TextOrEmpty(registry, keys.Description);
            item.AdapterKey = isNT ? TextOrEmpty(registry, "ServiceName") : name;
            registry.CloseKey();
            items_.push_back(std::move(item));
        }
        for (AdapterItem& item : items_) {
            if (!OpenMtuKey(registry, keys, item)) continue;
            if (isNT) {
                // Another type than REG_DWORD is the registry's error, as for any integer read.
                item.MtuText = registry.ValueExists(keys.MtuValue) ? std::to_string(registry.ReadInteger(keys.MtuValue))
                                                                   : std::string(kMtuDefaultText);
            } else {
                item.MtuText = TextOrEmpty(registry, keys.MtuValue);
            }
            registry.CloseKey();
        }
    } catch (...) {
        registry.CloseKey();
        keepStored();
        throw;
    }
    keepStored();
}

void AdaptersModel::SetAllMtu(int mtu) {
    const ChangeBatch batch(batchDepth_, OnChange);
    for (AdapterItem& item : items_) item.MtuText = std::to_string(mtu);
}

void AdaptersModel::Write(RegistryAccess& registry, bool isNT) {
    if (items_.empty()) return;
    const FamilyKeys& keys = KeysOf(isNT);
    registry.SetRootKey(RegistryRoot::LocalMachine);
    try {
        for (std::size_t i = 0; i < items_.size(); ++i) {
            const AdapterItem& item = items_[i];
            // An MTU the user left as it was read stays as it is stored, also one that the list
            // cannot show (an NT MTU of 0 or 0xFFFFFFFF, a 9x MaxMTU of "-1" or of another type).
            if (i < storedMtuTexts_.size() && item.MtuText == storedMtuTexts_[i]) continue;
            if (!OpenMtuKey(registry, keys, item)) continue;
            const std::string& text = item.MtuText;
            if (MeansDefault(text) || (isNT && TextToInteger(text) == -1)) {
                registry.RemoveValue(keys.MtuValue);
            } else if (isNT) {
                registry.WriteInteger(keys.MtuValue, TextToInteger(text));
            } else {
                registry.WriteText(keys.MtuValue, text);
            }
            registry.CloseKey();
            if (i < storedMtuTexts_.size()) storedMtuTexts_[i] = text;
        }
    } catch (...) {
        registry.CloseKey();
        throw;
    }
}

void AdaptersModel::Select(int index) {
    const ChangeBatch batch(batchDepth_, OnChange);
    if (index < -1 || index >= static_cast<int>(items_.size()) || index == selected_) return;
    const int previous = selected_;
    selected_ = -1;
    // The selection follows the click whatever the item left behind held; its error is told
    // once the new item shows.
    std::exception_ptr leaving;
    try {
        if (previous >= 0) ListViewAdaptersChange(previous);
    } catch (...) {
        leaving = std::current_exception();
    }
    selected_ = index;
    if (index >= 0) ListViewAdaptersChange(index);
    if (leaving) std::rethrow_exception(leaving);
}

void AdaptersModel::ListViewAdaptersChange(int index) {
    const ChangeBatch batch(batchDepth_, OnChange);
    if (index < 0 || index >= static_cast<int>(items_.size())) return;
    // Showing an item's MTU checks a radio button, whose handler runs inside; it must not
    // write the tab's state back over the MTU being shown (an MTU outside the list would
    // otherwise become the list's previous choice just by selecting the adapter).
    const bool wasShowing = showingItem_;
    showingItem_ = true;
    try {
        const std::string& text = items_[static_cast<std::size_t>(index)].MtuText;
        if (MeansDefault(text) && text != "-1") {
            mtuIndex_ = -1;
            SetRadio(true);
        } else {
            mtuIndex_ = IndexFromMtu(TextToInteger(text), mtuIndex_);
            SetRadio(false);
        }
    } catch (...) {
        showingItem_ = wasShowing;
        throw;
    }
    showingItem_ = wasShowing;
}

void AdaptersModel::CheckMtuDefault() {
    const ChangeBatch batch(batchDepth_, OnChange);
    SetRadio(true);
}

void AdaptersModel::CheckMtu() {
    const ChangeBatch batch(batchDepth_, OnChange);
    SetRadio(false);
}

void AdaptersModel::SetRadio(bool mtuDefault) {
    if (mtuDefaultChecked_ == mtuDefault && mtuChecked_ == !mtuDefault) return;
    mtuDefaultChecked_ = mtuDefault;
    mtuChecked_ = !mtuDefault;
    rbMTUDefaultClick();
}

void AdaptersModel::rbMTUDefaultClick() {
    const ChangeBatch batch(batchDepth_, OnChange);
    if (selected_ < 0) return;
    AdapterItem& item = items_[static_cast<std::size_t>(selected_)];
    if (mtuDefaultChecked_) {
        if (!showingItem_) item.MtuText = kMtuDefaultText;
        mtuListEnabled_ = false;
    } else {
        if (!showingItem_) item.MtuText = std::to_string(MtuFromIndex(mtuIndex_));
        mtuListEnabled_ = true;
    }
}

void AdaptersModel::ChooseMtuIndex(int index) {
    const ChangeBatch batch(batchDepth_, OnChange);
    if (index < -1 || index >= static_cast<int>(kMtuValues.size())) return;
    mtuIndex_ = index;
    cbMTUChange();
}

void AdaptersModel::cbMTUChange() {
    const ChangeBatch batch(batchDepth_, OnChange);
    if (selected_ >= 0) items_[static_cast<std::size_t>(selected_)].MtuText = std::to_string(MtuFromIndex(mtuIndex_));
}

}  // namespace tarvex
