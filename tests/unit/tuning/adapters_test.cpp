// The adapters model against the in-memory registry: both families' layouts, the MTU tab's
// handlers as the view raises them, and what a write leaves in the registry.
#include "tuning/adapters.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "support/fake_registry.h"

namespace tarvex {
namespace {

using testing::FakeRegistry;
using testing::FakeRegistryValue;

constexpr auto HKLM = RegistryRoot::LocalMachine;
constexpr const char* kNtCards = "SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\NetworkCards";
constexpr const char* kNtInterfaces = "SYSTEM\\CurrentControlSet\\Services\\Tcpip\\Parameters\\Interfaces";
constexpr const char* k9xNet = "Enum\\Root\\Net";
constexpr const char* k9xNetTrans = "System\\CurrentControlSet\\Services\\Class\\NetTrans";

std::string Below(const char* path, std::string_view name) {
    return std::string(path) + "\\" + std::string(name);
}

std::string ErrorText(const std::function<void()>& run) {
    try {
        run();
    } catch (const Error& error) {
        return error.what();
    }
    return "(no error)";
}

class AdaptersTest : public ::testing::Test {
protected:
    // An NT adapter: its card subkey, and its interface key when `mtu` is given (nullopt: no
    // interface key; a value of kRegNone: the key without "MTU").
    void SeedNt(std::string_view card, std::string_view description, std::string_view service,
                std::optional<FakeRegistryValue> mtu) {
        registry.SetValue(HKLM, Below(kNtCards, card), "Description", FakeRegistryValue::Text(description));
        registry.SetValue(HKLM, Below(kNtCards, card), "ServiceName", FakeRegistryValue::Text(service));
        if (!mtu) return;
        registry.CreateKey(HKLM, Below(kNtInterfaces, service));
        if (mtu->Type != kRegNone) registry.SetValue(HKLM, Below(kNtInterfaces, service), "MTU", *mtu);
    }
    void Seed9x(std::string_view name, std::string_view description, std::optional<FakeRegistryValue> maxMtu) {
        registry.SetValue(HKLM, Below(k9xNet, name), "DeviceDesc", FakeRegistryValue::Text(description));
        if (!maxMtu) return;
        registry.CreateKey(HKLM, Below(k9xNetTrans, name));
        if (maxMtu->Type != kRegNone) registry.SetValue(HKLM, Below(k9xNetTrans, name), "MaxMTU", *maxMtu);
    }
    void Read(bool isNT) { model.Read(*registry.NewAccess(), isNT); }
    void Write(bool isNT) { model.Write(*registry.NewAccess(), isNT); }
    std::optional<FakeRegistryValue> NtMtu(std::string_view service) {
        return registry.Value(HKLM, Below(kNtInterfaces, service), "MTU");
    }
    std::optional<FakeRegistryValue> MaxMtu(std::string_view name) {
        return registry.Value(HKLM, Below(k9xNetTrans, name), "MaxMTU");
    }
    // A list of NT adapters with these MTU texts, all with interface keys.
    void ListOf(const std::vector<std::string>& texts) {
        for (std::size_t i = 0; i < texts.size(); ++i) {
            SeedNt(std::to_string(i), "Card " + std::to_string(i), "{S" + std::to_string(i) + "}",
                   FakeRegistryValue{kRegNone, {}});
        }
        Read(true);
        for (std::size_t i = 0; i < texts.size(); ++i) SetText(static_cast<int>(i), texts[i]);
    }
    void SetText(int index, const std::string& text) {
        // Texts that no read on this family gives (an NT "abc", a 9x-style "") still have to
        // be handled, so tests put them in place directly.
        const_cast<AdapterItem&>(model.Items()[static_cast<std::size_t>(index)]).MtuText = text;
    }

    FakeRegistry registry;
    AdaptersModel model;
};

TEST(MtuListTest, IndexAndMtuRules) {
    for (int index = 0; index < 10; ++index) {
        EXPECT_EQ(MtuFromIndex(index), kMtuValues[static_cast<std::size_t>(index)]);
        EXPECT_EQ(IndexFromMtu(kMtuValues[static_cast<std::size_t>(index)], 7), index);
        EXPECT_TRUE(std::string(kMtuTexts[static_cast<std::size_t>(index)])
                        .starts_with(std::to_string(kMtuValues[static_cast<std::size_t>(index)]) + " - "));
    }
    EXPECT_EQ(MtuFromIndex(-1), -1);
    EXPECT_EQ(MtuFromIndex(10), -1);
    EXPECT_EQ(IndexFromMtu(0, 4), -1);
    EXPECT_EQ(IndexFromMtu(-1, 4), -1);
    EXPECT_EQ(IndexFromMtu(1480, 4), 4);  // unlisted: the choice stays
    EXPECT_EQ(IndexFromMtu(1480, -1), -1);
    EXPECT_EQ(std::string(kMtuTexts[4]), "1500 - Most LANs / DSL and Cable Broadband Connections ");
}

TEST(MtuListTest, TextToInteger) {
    struct Case {
        const char* text;
        std::optional<std::int32_t> value;
    };
    const Case cases[] = {{"1500", 1500},
                          {"0", 0},
                          {"-1", -1},
                          {"+7", 7},
                          {"-2147483648", INT32_MIN},
                          {"2147483647", INT32_MAX},
                          {"2147483648", {}},
                          {"", {}},
                          {"abc", {}},
                          {"15a", {}},
                          {" 1", {}},
                          {"1 ", {}},
                          {"+-1", {}},
                          {"-", {}}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        if (c.value) {
            EXPECT_EQ(TextToInteger(c.text), *c.value);
        } else {
            EXPECT_EQ(ErrorText([&] { TextToInteger(c.text); }),
                      "'" + std::string(c.text) + "' is not a valid integer value");
        }
    }
}

TEST_F(AdaptersTest, ReadsNtCardsAndTheirInterfaceKeys) {
    SeedNt("1", "Card with MTU", "{A}", FakeRegistryValue::Dword(1480));
    SeedNt("2", "Card without MTU", "{B}", FakeRegistryValue{kRegNone, {}});
    SeedNt("3", "Card without interface key", "{C}", std::nullopt);
    registry.SetValue(HKLM, Below(kNtCards, "4"), "Description", FakeRegistryValue::Dword(5));  // wrong type
    registry.SetValue(HKLM, Below(kNtCards, "4"), "ServiceName", FakeRegistryValue::Text("{D}"));
    registry.SetValue(HKLM, Below(kNtInterfaces, "{D}"), "MTU", FakeRegistryValue::Dword(576));
    SeedNt("5", "Card that does not open", "{E}", FakeRegistryValue::Dword(1500));
    registry.DenyOpen(HKLM, Below(kNtCards, "5"));
    // No service name: the parent of all interface keys must not pass for its key.
    registry.SetValue(HKLM, Below(kNtCards, "6"), "Description", FakeRegistryValue::Text("Card without service"));
    registry.SetValue(HKLM, kNtInterfaces, "MTU", FakeRegistryValue::Dword(9000));
    SeedNt("7", "Large MTU", "{F}", FakeRegistryValue::Dword(0xFFFFFFFFu));
    // The 9x layout is not read on NT.
    Seed9x("0000", "9x adapter", FakeRegistryValue::Text("1500"));

    Read(true);

    const std::vector<AdapterItem> expected = {
        {"Card with MTU", "{A}", "1480"},          {"Card without MTU", "{B}", "0"},
        {"Card without interface key", "{C}", ""}, {"", "{D}", "576"},
        {"Card without service", "", ""},          {"Large MTU", "{F}", "-1"},
    };
    EXPECT_EQ(model.Items(), expected);
    EXPECT_EQ(model.Selected(), -1);
}

TEST_F(AdaptersTest, Reads9xNetKeysAndTheirNetTransKeys) {
    Seed9x("0000", "Dial-Up Adapter", FakeRegistryValue::Text("576"));
    Seed9x("0001", "No MaxMTU", FakeRegistryValue{kRegNone, {}});
    Seed9x("0002", "MaxMTU of another type", FakeRegistryValue::Dword(1500));
    Seed9x("0003", "No NetTrans key", std::nullopt);
    Seed9x("0004", "Text kept as stored", FakeRegistryValue::Text("abc"));
    registry.CreateKey(HKLM, Below(k9xNet, "0005"));  // no description
    SeedNt("1", "NT card", "{A}", FakeRegistryValue::Dword(1480));

    Read(false);

    const std::vector<AdapterItem> expected = {
        {"Dial-Up Adapter", "0000", "576"},     {"No MaxMTU", "0001", ""},
        {"MaxMTU of another type", "0002", ""}, {"No NetTrans key", "0003", ""},
        {"Text kept as stored", "0004", "abc"}, {"", "0005", ""},
    };
    EXPECT_EQ(model.Items(), expected);
}

TEST_F(AdaptersTest, AMissingEnumerationKeyGivesAnEmptyListAndARereadReplacesTheList) {
    SeedNt("1", "Card", "{A}", FakeRegistryValue::Dword(1500));
    Read(true);
    ASSERT_EQ(model.Items().size(), 1u);
    model.Select(0);
    Read(false);  // nothing of the 9x layout
    EXPECT_TRUE(model.Items().empty());
    EXPECT_EQ(model.Selected(), -1);
    registry.DenyOpen(HKLM, kNtCards);
    Read(true);
    EXPECT_TRUE(model.Items().empty());
}

TEST_F(AdaptersTest, AnNtMtuOfAnotherTypeStopsTheReadWithTheRegistryError) {
    SeedNt("1", "First", "{A}", FakeRegistryValue::Dword(1492));
    SeedNt("2", "Text MTU", "{B}", FakeRegistryValue::Text("1500"));
    SeedNt("3", "Third", "{C}", FakeRegistryValue::Dword(576));
    int changes = 0;
    model.OnChange = [&] { ++changes; };

    EXPECT_EQ(ErrorText([&] { Read(true); }), "Invalid data type for 'MTU'");

    const std::vector<AdapterItem> expected = {{"First", "{A}", "1492"}, {"Text MTU", "{B}", ""}, {"Third", "{C}", ""}};
    EXPECT_EQ(model.Items(), expected);
    EXPECT_EQ(changes, 1);  // the view still shows what was read
}

// Writing each kind of MTU text into an adapter key that holds a value already.
TEST_F(AdaptersTest, WriteStoresEachTextAsItsFamilysValueOrRemovesIt) {
    struct Case {
        bool isNT;
        const char* text;
        std::optional<FakeRegistryValue> stored;  // nullopt: the value is removed
    };
    const Case cases[] = {
        {true, "1492", FakeRegistryValue::Dword(1492)},
        {true, "65535", FakeRegistryValue::Dword(65535)},
        {true, "0", std::nullopt},   // Windows Default
        {true, "-1", std::nullopt},  // "MTU" chosen with no list entry: Windows decides
        {true, "", std::nullopt},    // never read (no interface key at the time)
        {false, "1492", FakeRegistryValue::Text("1492")},
        {false, "abc", FakeRegistryValue::Text("abc")},  // 9x texts go back as they were read
        {false, "0", std::nullopt},
        {false, "-1", std::nullopt},
        {false, "", std::nullopt},  // no "MaxMTU" when read: an empty one would be no MTU
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.isNT ? "NT " : "9x ") + "'" + c.text + "'");
        registry = FakeRegistry();
        model = AdaptersModel();
        if (c.isNT) {
            SeedNt("1", "Card", "{A}", FakeRegistryValue::Dword(576));
        } else {
            Seed9x("0000", "Card", FakeRegistryValue::Text("576"));
        }
        Read(c.isNT);
        SetText(0, c.text);
        Write(c.isNT);
        EXPECT_EQ(c.isNT ? NtMtu("{A}") : MaxMtu("0000"), c.stored);
    }
}

TEST_F(AdaptersTest, APresetMtuReachesEveryAdapterKeyThatExistsAndCreatesNone) {
    for (const bool isNT : {true, false}) {
        SCOPED_TRACE(isNT ? "NT" : "9x");
        registry = FakeRegistry();
        model = AdaptersModel();
        SeedNt("1", "A", "{A}", FakeRegistryValue::Dword(1500));
        SeedNt("2", "B", "{B}", FakeRegistryValue{kRegNone, {}});
        SeedNt("3", "C", "{C}", std::nullopt);
        Seed9x("0000", "A", FakeRegistryValue::Text("1500"));
        Seed9x("0001", "B", std::nullopt);
        Read(isNT);

        model.SetAllMtu(1492);
        for (const AdapterItem& item : model.Items()) EXPECT_EQ(item.MtuText, "1492");
        Write(isNT);

        if (isNT) {
            EXPECT_EQ(NtMtu("{A}"), FakeRegistryValue::Dword(1492));
            EXPECT_EQ(NtMtu("{B}"), FakeRegistryValue::Dword(1492));
            EXPECT_FALSE(registry.KeyExists(HKLM, Below(kNtInterfaces, "{C}")));
        } else {
            EXPECT_EQ(MaxMtu("0000"), FakeRegistryValue::Text("1492"));
            EXPECT_FALSE(registry.KeyExists(HKLM, Below(k9xNetTrans, "0001")));
        }
    }
}

TEST_F(AdaptersTest, AnEmptyListWritesNothing) {
    Read(true);
    Write(true);
    Write(false);
    EXPECT_FALSE(registry.KeyExists(HKLM, kNtInterfaces));
    EXPECT_FALSE(registry.KeyExists(HKLM, k9xNetTrans));
}

TEST_F(AdaptersTest, AFailingWriteStopsAtItsAdapterAndKeepsTheOnesBefore) {
    struct Case {
        const char* badText;
        bool failWrites;
        const char* error;
        std::optional<FakeRegistryValue> firstAfter;
    };
    // A refused removal fails as loudly as a refused write: the first adapter's is the first.
    const Case cases[] = {{"abc", false, "'abc' is not a valid integer value", std::nullopt},
                          {"1500", true, "Failed to set data for 'MTU'", FakeRegistryValue::Dword(576)}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.error);
        registry = FakeRegistry();
        model = AdaptersModel();
        SeedNt("1", "A", "{A}", FakeRegistryValue::Dword(576));
        SeedNt("2", "B", "{B}", FakeRegistryValue::Dword(576));
        SeedNt("3", "C", "{C}", FakeRegistryValue::Dword(576));
        Read(true);
        SetText(0, "0");
        SetText(1, c.badText);
        SetText(2, "1492");
        if (c.failWrites) registry.FailWritesOf("MTU");

        EXPECT_EQ(ErrorText([&] { Write(true); }), c.error);

        EXPECT_EQ(NtMtu("{A}"), c.firstAfter);
        EXPECT_EQ(NtMtu("{B}"), FakeRegistryValue::Dword(576));
        EXPECT_EQ(NtMtu("{C}"), FakeRegistryValue::Dword(576));
    }
}

// Selecting an adapter shows its MTU on the tab; the texts stay as they were.
TEST_F(AdaptersTest, SelectingAnAdapterShowsItsMtu) {
    struct Case {
        const char* previous;  // the adapter selected before, nullptr: none
        const char* text;
        bool defaultChecked;
        int index;
        bool listEnabled;
    };
    const Case cases[] = {
        {nullptr, "0", true, -1, false},  {nullptr, "1492", false, 3, true},  {"1500", "0", true, -1, false},
        {"1500", "1492", false, 3, true}, {"1500", "1480", false, 4, true},  // unlisted: the list keeps its choice
        {"0", "1480", false, -1, true},   {nullptr, "1480", false, -1, true}, {"576", "-1", false, -1, true},
        {"1500", "", true, -1, false},  // 9x without "MaxMTU": Windows' own MTU
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.previous ? c.previous : "(none)") + " then '" + c.text + "'");
        registry = FakeRegistry();
        model = AdaptersModel();
        ListOf({c.previous ? c.previous : "0", c.text});
        if (c.previous) model.Select(0);
        int changes = 0;
        model.OnChange = [&] { ++changes; };

        model.Select(1);

        EXPECT_EQ(model.Selected(), 1);
        EXPECT_EQ(model.MtuDefaultChecked(), c.defaultChecked);
        EXPECT_EQ(model.MtuChecked(), !c.defaultChecked);
        EXPECT_EQ(model.MtuIndex(), c.index);
        EXPECT_EQ(model.MtuListEnabled(), c.listEnabled);
        EXPECT_EQ(model.Items()[0].MtuText, c.previous ? c.previous : "0");
        EXPECT_EQ(model.Items()[1].MtuText, c.text);
        EXPECT_EQ(changes, 1);
    }
}

TEST_F(AdaptersTest, SelectingAnAdapterWhoseMtuIsNoIntegerFails) {
    ListOf({"1500", "abc"});
    model.Select(0);
    EXPECT_EQ(ErrorText([&] { model.Select(1); }), "'abc' is not a valid integer value");
    EXPECT_EQ(model.Items()[0].MtuText, "1500");
    EXPECT_EQ(model.Items()[1].MtuText, "abc");
}

// Leaving an adapter whose MTU is no number tells the error, and the click still selects the
// new one: a choice made next is that adapter's, not another's or nobody's.
TEST_F(AdaptersTest, TheSelectionFollowsTheClickWhateverTheOldItemHeld) {
    ListOf({"1500", "1500"});
    model.Select(0);
    SetText(0, "abc");
    EXPECT_EQ(ErrorText([&] { model.Select(1); }), "'abc' is not a valid integer value");
    EXPECT_EQ(model.Selected(), 1);
    model.ChooseMtuIndex(0);
    EXPECT_EQ(model.Items()[0].MtuText, "abc");
    EXPECT_EQ(model.Items()[1].MtuText, "576");
}

// A write touches only what changed since the read: MTUs the tab cannot show stay as stored
// however they are stored, and one changed and changed back is written again.
TEST_F(AdaptersTest, AWriteLeavesTheMtusNobodyChangedAsTheyAreStored) {
    const std::pair<bool, std::optional<FakeRegistryValue>> untouched[] = {
        {true, FakeRegistryValue::Dword(0xFFFFFFFF)}, {true, FakeRegistryValue::Dword(0)},
        {false, FakeRegistryValue::Text("-1")},       {false, FakeRegistryValue::Text("0")},
        {false, FakeRegistryValue::Dword(1500)},
    };
    for (const auto& [isNT, value] : untouched) {
        SCOPED_TRACE(::testing::Message() << (isNT ? "NT " : "9x ") << *value);
        registry = FakeRegistry();
        model = AdaptersModel();
        if (isNT) {
            SeedNt("1", "Card", "{A}", value);
        } else {
            Seed9x("0000", "Card", value);
        }
        Read(isNT);
        Write(isNT);
        EXPECT_EQ(isNT ? NtMtu("{A}") : MaxMtu("0000"), value);
    }
    registry = FakeRegistry();
    model = AdaptersModel();
    SeedNt("1", "Card", "{A}", FakeRegistryValue::Dword(1500));
    Read(true);
    SetText(0, "1400");
    Write(true);
    EXPECT_EQ(NtMtu("{A}"), FakeRegistryValue::Dword(1400));
    SetText(0, "1500");
    Write(true);
    EXPECT_EQ(NtMtu("{A}"), FakeRegistryValue::Dword(1500));
}

TEST_F(AdaptersTest, TheRadioButtonsAndTheListSetTheSelectedAdaptersMtu) {
    ListOf({"1480", "0"});
    model.Select(0);  // list: nothing chosen, "MTU" checked
    model.ChooseMtuIndex(3);
    EXPECT_EQ(model.Items()[0].MtuText, "1492");

    model.CheckMtuDefault();
    EXPECT_EQ(model.Items()[0].MtuText, "0");
    EXPECT_FALSE(model.MtuListEnabled());
    EXPECT_EQ(model.MtuIndex(), 3);  // the choice stays for a way back

    model.CheckMtu();
    EXPECT_EQ(model.Items()[0].MtuText, "1492");
    EXPECT_TRUE(model.MtuListEnabled());

    model.ChooseMtuIndex(9);
    EXPECT_EQ(model.Items()[0].MtuText, "65535");
    model.ChooseMtuIndex(-1);
    EXPECT_EQ(model.Items()[0].MtuText, "-1");

    // Checking the checked button raises nothing, so it changes no text.
    model.Select(1);
    ASSERT_TRUE(model.MtuDefaultChecked());
    SetText(1, "");
    model.CheckMtuDefault();
    EXPECT_EQ(model.Items()[1].MtuText, "");

    // "MTU" with no entry chosen gives "-1", which a write turns into Windows' default.
    model.CheckMtu();
    EXPECT_EQ(model.Items()[1].MtuText, "-1");
    EXPECT_EQ(model.Items()[0].MtuText, "-1");
    registry.SetValue(HKLM, Below(kNtInterfaces, "{S1}"), "MTU", FakeRegistryValue::Dword(1500));
    Write(true);
    EXPECT_EQ(NtMtu("{S0}"), std::nullopt);
    EXPECT_EQ(NtMtu("{S1}"), std::nullopt);
}

TEST_F(AdaptersTest, WithNoAdapterSelectedTheTabChangesNoText) {
    ListOf({"1500", "0"});
    model.CheckMtuDefault();
    model.CheckMtu();
    model.ChooseMtuIndex(2);
    EXPECT_EQ(model.Items()[0].MtuText, "1500");
    EXPECT_EQ(model.Items()[1].MtuText, "0");
    EXPECT_EQ(model.MtuIndex(), 2);
    EXPECT_TRUE(model.MtuChecked());
}

}  // namespace
}  // namespace tarvex
