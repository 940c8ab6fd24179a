// The profile in an in-memory registry: where each field of each family goes and with which
// type, what reads as the system default, keys that do not open, and writes that fail.
#include "tuning/parameter_store.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "support/fake_registry.h"
#include "support/tuning_profile_printer.h"

namespace tarvex {
namespace {

using testing::FakeRegistry;
using testing::FakeRegistryValue;
using P = TuningProfile;

constexpr auto HKLM = RegistryRoot::LocalMachine;
constexpr auto HKCU = RegistryRoot::CurrentUser;
const char* const kNt = "SYSTEM\\CurrentControlSet\\Services\\Tcpip\\Parameters";
const char* const k9x = "SYSTEM\\CurrentControlSet\\Services\\VxD\\MSTCP";
const char* const k9xParameters = "SYSTEM\\CurrentControlSet\\Services\\VxD\\MSTCP\\Parameters";
const char* const kInternet = "Software\\Microsoft\\Windows\\CurrentVersion\\Internet Settings";

FakeRegistryValue Dword(std::uint32_t value) {
    return FakeRegistryValue::Dword(value);
}
FakeRegistryValue Text(const char* text) {
    return FakeRegistryValue::Text(text);
}

// A value of its own in every field: 101 to 117 in the order of the record.
TuningProfile Numbered(bool isNT) {
    TuningProfile profile;
    profile.MTU = 1500;
    std::int32_t next = 101;
    for (const ProfileField field : kManagedFields) profile.*field = next++;
    profile.IsNT = isNT;
    profile.Version = isNT ? WindowsVersion::Win7 : WindowsVersion::Win98SE;
    return profile;
}

struct Row {
    RegistryRoot root;
    const char* key;
    const char* name;
    ProfileField field;
    FakeRegistryValue stored;  // what Numbered() stores
};

// In the order of writing.
const std::vector<Row> kNtRows = {
    {HKLM, kNt, "DefaultTTL", &P::DefaultTTL, Dword(101)},
    {HKLM, kNt, "GlobalMaxTcpWindowSize", &P::GlobalMaxTcpWindowSize, Dword(102)},
    {HKLM, kNt, "TcpWindowSize", &P::TcpWindowSize, Dword(103)},
    {HKLM, kNt, "KeepAliveTime", &P::KeepAliveTime, Dword(105)},
    {HKLM, kNt, "KeepAliveInterval", &P::KeepAliveInterval, Dword(106)},
    {HKLM, kNt, "SessionKeepAlive", &P::SessionKeepAlive, Dword(107)},
    {HKLM, kNt, "SackOpts", &P::SackOpts, Dword(108)},
    {HKLM, kNt, "TcpMaxDupAcks", &P::TcpMaxDupAcks, Dword(109)},
    {HKLM, kNt, "Tcp1323Opts", &P::Tcp1323Opts, Dword(111)},
    {HKLM, kNt, "TcpUseRFC1122UrgentPointer", &P::TcpUseRFC1122UrgentPointer, Dword(112)},
    {HKLM, kNt, "EnablePMTUDiscovery", &P::EnablePMTUDiscovery, Dword(114)},
    {HKLM, kNt, "EnablePMTUBHDetect", &P::EnablePMTUBHDetect, Dword(115)},
    {HKCU, kInternet, "MaxConnectionsPer1_0Server", &P::MaxConnectionsPer1_0Server, Dword(116)},
    {HKCU, kInternet, "MaxConnectionsPerServer", &P::MaxConnectionsPerServer, Dword(117)},
};
const std::vector<Row> k9xRows = {
    {HKLM, k9x, "DefaultTTL", &P::DefaultTTL, Text("101")},
    {HKLM, k9x, "DefaultRcvWindow", &P::DefaultRcvWindow, Dword(104)},
    {HKLM, k9x, "KeepAliveTime", &P::KeepAliveTime, Text("105")},
    {HKLM, k9x, "KeepAliveInterval", &P::KeepAliveInterval, Text("106")},
    {HKLM, k9x, "SessionKeepAlive", &P::SessionKeepAlive, Text("107")},
    {HKLM, k9x, "SackOpts", &P::SackOpts, Text("108")},
    {HKLM, k9x, "Tcp1323Opts", &P::Tcp1323Opts, Text("111")},
    {HKLM, k9x, "BSDUrgent", &P::BSDUrgent, Dword(113)},
    {HKLM, k9x, "PMTUDiscovery", &P::EnablePMTUDiscovery, Text("114")},
    {HKLM, k9x, "PMTUBlackHoleDetect", &P::EnablePMTUBHDetect, Text("115")},
    {HKLM, k9xParameters, "MaxDupAcks", &P::MaxDupAcks, Dword(110)},
    {HKCU, kInternet, "MaxConnectionsPer1_0Server", &P::MaxConnectionsPer1_0Server, Dword(116)},
    {HKCU, kInternet, "MaxConnectionsPerServer", &P::MaxConnectionsPerServer, Dword(117)},
};
const std::vector<Row>& RowsOf(bool isNT) {
    return isNT ? kNtRows : k9xRows;
}

// The keys that are only written when they exist already, and a value the 9x family removes.
void CreateUserAndParameterKeys(FakeRegistry& registry) {
    registry.CreateKey(HKCU, kInternet);
    registry.SetValue(HKLM, k9xParameters, "GlobalMaxTcpWindoSize", Dword(65535));
}

std::vector<std::string> Sorted(std::vector<std::string> names) {
    std::sort(names.begin(), names.end());
    return names;
}

std::vector<std::string> NamesIn(const std::vector<Row>& rows, RegistryRoot root, const char* key) {
    std::vector<std::string> names;
    for (const Row& row : rows)
        if (row.root == root && std::string(row.key) == key) names.push_back(row.name);
    return Sorted(names);
}

void Write(FakeRegistry& registry, const TuningProfile& profile) {
    WriteProfile(*registry.NewAccess(), profile);
}

TuningProfile Read(FakeRegistry& registry, TuningProfile profile) {
    ReadProfile(*registry.NewAccess(), profile);
    return profile;
}

std::string Failure(FakeRegistry& registry, const TuningProfile& profile) {
    try {
        Write(registry, profile);
    } catch (const Error& e) {
        return e.what();
    }
    return "(no error)";
}

TEST(ParameterStoreTest, WriteStoresEveryFieldInItsValueWithItsTypeAndNothingElse) {
    using Names = std::vector<std::string>;
    struct Case {
        bool isNT;
        Names nt, mstcp, mstcpParameters;  // every value in those keys afterwards
        bool ntKeyMade;
    };
    const Case cases[] = {
        // NT leaves the 9x keys as they were.
        {true, NamesIn(kNtRows, HKLM, kNt), {}, {"GlobalMaxTcpWindoSize"}, true},
        {false, {}, NamesIn(k9xRows, HKLM, k9x), {"MaxDupAcks"}, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.isNT ? "NT" : "9x");
        FakeRegistry registry;
        CreateUserAndParameterKeys(registry);
        Write(registry, Numbered(c.isNT));
        for (const Row& row : RowsOf(c.isNT))
            EXPECT_EQ(registry.Value(row.root, row.key, row.name), row.stored) << row.name;
        EXPECT_EQ(Sorted(registry.ValueNames(HKLM, kNt)), c.nt);
        EXPECT_EQ(Sorted(registry.ValueNames(HKLM, k9x)), c.mstcp);
        EXPECT_EQ(Sorted(registry.ValueNames(HKLM, k9xParameters)), c.mstcpParameters);
        EXPECT_EQ(Sorted(registry.ValueNames(HKCU, kInternet)),
                  (Names{"MaxConnectionsPer1_0Server", "MaxConnectionsPerServer"}));
        EXPECT_EQ(registry.KeyExists(HKLM, kNt), c.ntKeyMade);
    }
}

TEST(ParameterStoreTest, SystemDefaultRemovesTheValueAndLeavesTheOthers) {
    for (const bool isNT : {true, false}) {
        for (const Row& removed : RowsOf(isNT)) {
            SCOPED_TRACE(std::string(isNT ? "NT " : "9x ") + removed.name);
            FakeRegistry registry;
            CreateUserAndParameterKeys(registry);
            TuningProfile profile = Numbered(isNT);
            Write(registry, profile);
            profile.*removed.field = -1;
            Write(registry, profile);
            for (const Row& row : RowsOf(isNT)) {
                if (&row == &removed)
                    EXPECT_FALSE(registry.Value(row.root, row.key, row.name));
                else
                    EXPECT_EQ(registry.Value(row.root, row.key, row.name), row.stored) << row.name;
            }
        }
    }
}

TEST(ParameterStoreTest, RestoreDefaultsEmptiesTheKeysThatExistAndCreatesOnlyTheStacksKey) {
    for (const bool isNT : {true, false}) {
        SCOPED_TRACE(isNT ? "NT" : "9x");
        FakeRegistry registry;
        CreateUserAndParameterKeys(registry);
        Write(registry, Numbered(isNT));
        TuningProfile restored = Numbered(isNT);
        ApplyPreset(restored, ConnectionScenario::rbRestore);
        Write(registry, restored);
        EXPECT_TRUE(registry.ValueNames(HKLM, isNT ? kNt : k9x).empty());
        EXPECT_EQ(registry.ValueNames(HKLM, k9xParameters).empty(), !isNT);  // NT leaves the 9x keys alone
        EXPECT_TRUE(registry.ValueNames(HKCU, kInternet).empty());

        // On an empty registry: the stack's key is made (and stays empty), the others are not.
        FakeRegistry empty;
        Write(empty, restored);
        EXPECT_EQ(empty.KeyExists(HKLM, kNt), isNT);
        EXPECT_EQ(empty.KeyExists(HKLM, k9x), !isNT);
        EXPECT_TRUE(empty.ValueNames(HKLM, isNT ? kNt : k9x).empty());
        EXPECT_FALSE(empty.KeyExists(HKLM, k9xParameters));
        EXPECT_FALSE(empty.KeyExists(HKCU, kInternet));
    }
}

TEST(ParameterStoreTest, ReadGivesBackWhatWasWrittenAndSystemDefaultForWhatTheFamilyDoesNotKeep) {
    struct Case {
        bool isNT;
        std::vector<ProfileField> notKept;
    };
    const Case cases[] = {
        {true, {&P::DefaultRcvWindow, &P::MaxDupAcks, &P::BSDUrgent}},
        {false, {&P::GlobalMaxTcpWindowSize, &P::TcpWindowSize, &P::TcpMaxDupAcks, &P::TcpUseRFC1122UrgentPointer}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.isNT ? "NT" : "9x");
        FakeRegistry registry;
        CreateUserAndParameterKeys(registry);
        Write(registry, Numbered(c.isNT));
        TuningProfile expected = Numbered(c.isNT);
        expected.MTU = 576;
        for (const ProfileField field : c.notKept) expected.*field = -1;
        TuningProfile before;
        before.IsNT = c.isNT;
        before.Version = expected.Version;
        EXPECT_EQ(Read(registry, before), expected);
    }
}

TEST(ParameterStoreTest, MistypedAndNonNumericValuesReadAsSystemDefaultAndTheNextWriteMendsThem) {
    struct Case {
        bool isNT;
        const char* key;
        const char* name;
        ProfileField field;
        FakeRegistryValue stored;
        std::int32_t read;
        FakeRegistryValue rewritten;  // after a write of 64
    };
    const Case cases[] = {
        {true, kNt, "DefaultTTL", &P::DefaultTTL, Text("64"), -1, Dword(64)},
        {true, kNt, "DefaultTTL", &P::DefaultTTL, FakeRegistryValue::Binary("\x40\0\0\0"), -1, Dword(64)},
        {true, kNt, "DefaultTTL", &P::DefaultTTL, Dword(0xFFFFFFFF), -1, Dword(64)},
        {true, kNt, "GlobalMaxTcpWindowSize", &P::GlobalMaxTcpWindowSize, Dword(0x80000000), INT32_MIN, Dword(64)},
        {false, k9x, "DefaultTTL", &P::DefaultTTL, Dword(64), -1, Text("64")},
        {false, k9x, "DefaultTTL", &P::DefaultTTL, Text("abc"), -1, Text("64")},
        {false, k9x, "DefaultTTL", &P::DefaultTTL, Text(""), -1, Text("64")},
        {false, k9x, "DefaultTTL", &P::DefaultTTL, Text(" 64"), -1, Text("64")},
        {false, k9x, "DefaultTTL", &P::DefaultTTL, Text("64 "), -1, Text("64")},
        {false, k9x, "DefaultTTL", &P::DefaultTTL, Text("+64"), -1, Text("64")},
        {false, k9x, "DefaultTTL", &P::DefaultTTL, Text("6,400"), -1, Text("64")},
        {false, k9x, "DefaultTTL", &P::DefaultTTL, Text("0x40"), -1, Text("64")},
        {false, k9x, "DefaultTTL", &P::DefaultTTL, Text("2147483648"), -1, Text("64")},
        {false, k9x, "DefaultTTL", &P::DefaultTTL, FakeRegistryValue::Text("64", kRegExpandSz), 64, Text("64")},
        {false, k9x, "KeepAliveTime", &P::KeepAliveTime, Text("-2147483648"), INT32_MIN, Text("64")},
        {false, k9x, "KeepAliveTime", &P::KeepAliveTime, Text("007200000"), 7200000, Text("64")},
        {false, k9x, "DefaultRcvWindow", &P::DefaultRcvWindow, Text("64240"), -1, Dword(64)},
        {false, k9xParameters, "MaxDupAcks", &P::MaxDupAcks, Text("2"), -1, Dword(64)},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.name) + " stored as " + ::testing::PrintToString(c.stored));
        FakeRegistry registry;
        registry.SetValue(HKLM, c.key, c.name, c.stored);
        TuningProfile profile = Read(registry, Numbered(c.isNT));
        EXPECT_EQ(profile.*c.field, c.read);

        profile.*c.field = 64;
        Write(registry, profile);
        EXPECT_EQ(registry.Value(HKLM, c.key, c.name), c.rewritten);
    }
}

TEST(ParameterStoreTest, MissingValuesReadAsSystemDefault) {
    for (const bool isNT : {true, false}) {
        FakeRegistry registry;
        for (const char* key : {kNt, k9x, k9xParameters}) registry.CreateKey(HKLM, key);
        registry.CreateKey(HKCU, kInternet);
        TuningProfile expected = Numbered(isNT);
        for (const ProfileField field : kManagedFields) expected.*field = -1;
        expected.MTU = 576;
        EXPECT_EQ(Read(registry, Numbered(isNT)), expected) << isNT;
    }
}

// A key that is not there holds no value: its values read as the default, never as what the
// profile held before (the zeros of a profile not read yet, which a write would store).
TEST(ParameterStoreTest, ValuesOfAKeyThatDoesNotOpenReadAsTheDefault) {
    for (const bool isNT : {true, false}) {
        SCOPED_TRACE(isNT ? "NT" : "9x");
        FakeRegistry empty;
        TuningProfile expected = Numbered(isNT);
        for (const ProfileField field : kManagedFields) expected.*field = kSystemDefault;
        expected.MTU = 576;
        EXPECT_EQ(Read(empty, Numbered(isNT)), expected);

        // Keys without rights: the same, and a write skips them without a word.
        FakeRegistry locked;
        CreateUserAndParameterKeys(locked);
        Write(locked, Numbered(isNT));
        TuningProfile changed = Numbered(isNT);
        for (const ProfileField field : kManagedFields) changed.*field = 7;
        for (const char* key : {kNt, k9x, k9xParameters}) locked.DenyOpen(HKLM, key);
        locked.DenyOpen(HKCU, kInternet);
        EXPECT_EQ(Read(locked, changed), expected);
        EXPECT_EQ(Failure(locked, changed), "(no error)");
        for (const Row& row : RowsOf(isNT))
            EXPECT_EQ(locked.Value(row.root, row.key, row.name), row.stored) << row.name;
    }
}

TEST(ParameterStoreTest, FailingWriteStopsThereWithItsErrorAndKeepsTheValuesBefore) {
    struct Case {
        bool isNT;
        const char* failing;
        bool misspeltWindowStays;  // removed from the 9x parameters key before MaxDupAcks is written
    };
    // Integer and text values, in each key of both families.
    const Case cases[] = {
        {true, "DefaultTTL", true},
        {true, "SackOpts", true},
        {true, "MaxConnectionsPerServer", true},
        {false, "DefaultRcvWindow", true},
        {false, "SackOpts", true},
        {false, "BSDUrgent", true},
        {false, "MaxDupAcks", false},
        {false, "MaxConnectionsPer1_0Server", false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.isNT ? "NT " : "9x ") + c.failing);
        FakeRegistry registry;
        CreateUserAndParameterKeys(registry);
        registry.FailWritesOf(c.failing);
        EXPECT_EQ(Failure(registry, Numbered(c.isNT)), std::string("Failed to set data for '") + c.failing + "'");
        bool before = true;
        for (const Row& row : RowsOf(c.isNT)) {
            if (std::string(row.name) == c.failing) before = false;
            if (before) {
                EXPECT_EQ(registry.Value(row.root, row.key, row.name), row.stored) << row.name;
            } else {
                EXPECT_FALSE(registry.Value(row.root, row.key, row.name)) << row.name;
            }
        }
        EXPECT_EQ(registry.Value(HKLM, k9xParameters, "GlobalMaxTcpWindoSize").has_value(), c.misspeltWindowStays);
    }
}

}  // namespace
}  // namespace tarvex
