#pragma once
// The network adapters and their MTU: read from the registry per Windows family, held as the
// adapter list's texts (the list is the only place an adapter's MTU lives between reading and
// writing), edited through the MTU tab's handlers, and written back per adapter.
#include <array>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "common/change_batch.h"
#include "platform/registry_access.h"

namespace tarvex {

// The entries of `cbMTU`; an entry's index gives its MTU.
inline constexpr std::array<int, 10> kMtuValues = {576, 1400, 1454, 1492, 1500, 4352, 4464, 8166, 17914, 65535};
inline constexpr std::array<const char*, 10> kMtuTexts = {
    "576 - Most Modems",
    "1400 - Some Dell Systems",
    "1454 - Cisco PPPoE with ICS",
    "1492 - PPPoE Broadband Connections / IEEE 802.3/802.2",
    "1500 - Most LANs / DSL and Cable Broadband Connections ",
    "4352 - FDDI",
    "4464 - IEEE 802.5 LAN / 4 Mbits/Sec Token Ring",
    "8166 - Token Bus IEEE 802.4",
    "17914 - 16 Mbit/Sec Token Ring",
    "65535 - Hyperchannel",
};

// The MTU text that stands for "Windows Default".
inline constexpr std::string_view kMtuDefaultText = "0";

// Index 0 to 9 gives its MTU; any other index (-1: nothing chosen) gives -1.
int MtuFromIndex(int index);
// 0 and -1 give -1 (nothing chosen), a listed MTU its index, any other value `current`.
int IndexFromMtu(int mtu, int current);

// A decimal 32-bit integer with an optional sign; anything else throws
// "'<text>' is not a valid integer value".
std::int32_t TextToInteger(std::string_view text);

// The key below which each adapter's MTU key is named by its adapter key, and the MTU's value
// name, on the NT family or the 9x family.
std::string_view MtuKeysPath(bool isNT);
std::string_view MtuValueName(bool isNT);

struct AdapterItem {
    std::string Caption;     // the description as stored
    std::string AdapterKey;  // NT: the service name; 9x: the subkey's name
    std::string MtuText;     // "0": Windows default; 9x: the stored text; empty when unknown
    friend bool operator==(const AdapterItem&, const AdapterItem&) = default;
};

class AdaptersModel {
public:
    const std::vector<AdapterItem>& Items() const { return items_; }
    int Selected() const { return selected_; }  // -1: none
    bool MtuDefaultChecked() const { return mtuDefaultChecked_; }
    bool MtuChecked() const { return mtuChecked_; }
    int MtuIndex() const { return mtuIndex_; }  // `cbMTU`'s choice, -1: none
    bool MtuListEnabled() const { return mtuListEnabled_; }

    // Rebuilds the list from the registry of the running family. An NT "MTU" of another
    // type than REG_DWORD stops it with the registry's error; the items read so far stay.
    void Read(RegistryAccess& registry, bool isNT);
    // Every adapter's MTU text becomes `mtu` in decimal (a preset's MTU).
    void SetAllMtu(int mtu);
    // Writes the MTU of every item whose text changed since it was read (or last written) into
    // its adapter's key when that key exists; stops at the first error, the items before it stay
    // written.
    void Write(RegistryAccess& registry, bool isNT);

    // The view's events. Selecting raises ListViewAdaptersChange for the item that loses the
    // selection and then for the one that gains it, as the list view does.
    void Select(int index);
    void ListViewAdaptersChange(int index);
    // The user checks a radio button; checking the checked one raises nothing.
    void CheckMtuDefault();
    void CheckMtu();
    void rbMTUDefaultClick();
    // The user chooses an entry of `cbMTU` (-1: none).
    void ChooseMtuIndex(int index);
    void cbMTUChange();

    std::function<void()> OnChange;  // once per operation above, also when it fails part-way

private:
    void SetRadio(bool mtuDefault);

    std::vector<AdapterItem> items_;
    std::vector<std::string> storedMtuTexts_;  // each item's MTU text as the registry holds it
    int selected_ = -1;
    bool mtuDefaultChecked_ = false;
    bool mtuChecked_ = false;
    int mtuIndex_ = -1;
    bool mtuListEnabled_ = true;
    bool showingItem_ = false;  // inside ListViewAdaptersChange
    int batchDepth_ = 0;        // operations under way, see ChangeBatch
};

}  // namespace tarvex
