#pragma once
// What every RegistryAccess does, run against the in-memory registry natively and against the
// Windows registry under Wine, so that tests written against the fake hold for the real thing.
// Include it in one test file per test program and instantiate it with an environment:
//
//     struct Env {
//         std::unique_ptr<RegistryAccess> NewAccess();
//         std::string Scratch();  // an empty key under HKEY_CURRENT_USER, path from the root
//         void SeedBytes(std::string_view path, std::string_view name, std::uint32_t type, std::string_view bytes);
//         void SeedText(std::string_view path, std::string_view name, std::uint32_t type, std::string_view text);
//         std::optional<std::uint32_t> StoredType(std::string_view path, std::string_view name);
//         std::optional<std::string> StoredBytes(std::string_view path, std::string_view name);
//         bool KeyExists(std::string_view path);
//         void DeleteKey(std::string_view path);  // behind the back of any open key
//     };
//     INSTANTIATE_TYPED_TEST_SUITE_P(Name, RegistryContractTest, Env);
//
// Paths given to the environment start at HKEY_CURRENT_USER, without a leading backslash.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <functional>
#include <limits>
#include <memory>
#include <optional>
#include <string>
#include <type_traits>
#include <vector>

#include "platform/registry_access.h"

namespace tarvex::testing {

template <typename Env>
class RegistryContractTest : public ::testing::Test {
protected:
    // The scratch key opened (created) through a new access object.
    std::unique_ptr<RegistryAccess> OpenScratch(const std::string& below = "") {
        auto registry = env_.NewAccess();
        EXPECT_TRUE(registry->OpenKey("\\" + Path(below), true));
        return registry;
    }
    std::string Path(const std::string& below) {
        return below.empty() ? env_.Scratch() : env_.Scratch() + "\\" + below;
    }

    // The message `action` throws, or "(no error)".
    static std::string Failure(const std::function<void()>& action) {
        try {
            action();
        } catch (const Error& e) {
            return e.what();
        }
        return "(no error)";
    }

    Env env_;
};
TYPED_TEST_SUITE_P(RegistryContractTest);

TYPED_TEST_P(RegistryContractTest, OpensWithoutCreatingUnlessAskedAndCreatesMissingParents) {
    auto registry = this->env_.NewAccess();
    EXPECT_FALSE(registry->OpenKey("\\" + this->Path("a\\b"), false));
    EXPECT_FALSE(this->env_.KeyExists(this->Path("a")));
    EXPECT_TRUE(registry->OpenKey("\\" + this->Path("a\\b"), true));
    EXPECT_TRUE(this->env_.KeyExists(this->Path("a\\b")));
    EXPECT_TRUE(registry->OpenKey("\\" + this->Path("A\\B"), false));  // names without regard to case
}

TYPED_TEST_P(RegistryContractTest, PathsWithoutLeadingBackslashContinueFromTheOpenKey) {
    auto registry = this->OpenScratch();
    ASSERT_TRUE(registry->OpenKey("child", true));
    registry->WriteInteger("v", 1);
    EXPECT_TRUE(this->env_.StoredType(this->Path("child"), "v"));
    // With no key open the same kind of path starts at the root.
    registry->CloseKey();
    ASSERT_TRUE(registry->OpenKey(this->Path("child"), false));
    EXPECT_TRUE(registry->ValueExists("v"));
}

TYPED_TEST_P(RegistryContractTest, FailedOpenLeavesNoKeyOpen) {
    auto registry = this->OpenScratch();
    this->env_.SeedBytes(this->Path(""), "v", kRegDword, std::string(4, '\0'));
    registry->OpenKey("\\" + this->Path("missing"), false);
    EXPECT_FALSE(registry->ValueExists("v"));
    EXPECT_EQ(registry->ReadText("v"), "");
    EXPECT_EQ(this->Failure([&] { registry->ReadInteger("v"); }), "Failed to get data for 'v'");
    EXPECT_EQ(this->Failure([&] { registry->WriteInteger("w", 1); }), "Failed to set data for 'w'");
    EXPECT_FALSE(registry->DeleteValue("v"));
    EXPECT_TRUE(registry->ListSubkeys().empty());
    EXPECT_TRUE(this->env_.StoredType(this->Path(""), "v"));
    EXPECT_FALSE(this->env_.StoredType(this->Path(""), "w"));
}

TYPED_TEST_P(RegistryContractTest, WritesKeepTheirTypesAndReadBack) {
    auto registry = this->OpenScratch();
    for (const std::int32_t value :
         {0, 1, -1, std::numeric_limits<std::int32_t>::max(), std::numeric_limits<std::int32_t>::min()}) {
        registry->WriteInteger("Integer", value);
        EXPECT_EQ(registry->ReadInteger("Integer"), value);
    }
    EXPECT_EQ(this->env_.StoredType(this->Path(""), "Integer"), kRegDword);
    EXPECT_EQ(this->env_.StoredBytes(this->Path(""), "Integer"), std::string("\0\0\0\x80", 4));

    const char* nonAscii =
        "Gr\xC3\xBC\xC3\x9F"
        "e \xE2\x9C\x93";  // "Grüße ✓" in UTF-8
    for (const char* text : {"64", "", nonAscii}) {
        registry->WriteText("Text", text);
        EXPECT_EQ(registry->ReadText("Text"), text);
        EXPECT_EQ(this->env_.StoredType(this->Path(""), "Text"), kRegSz);
    }

    registry->WriteFlag("Flag", true);
    EXPECT_EQ(registry->ReadInteger("Flag"), 1);
    EXPECT_TRUE(registry->ReadFlag("Flag"));
    registry->WriteFlag("Flag", false);
    EXPECT_EQ(registry->ReadInteger("Flag"), 0);
    EXPECT_FALSE(registry->ReadFlag("Flag"));

    const double when = 45123.75;  // 16 July 2023, 18:00
    registry->WriteDateTime("When", when);
    EXPECT_EQ(registry->ReadDateTime("When"), when);
    EXPECT_EQ(this->env_.StoredType(this->Path(""), "When"), kRegBinary);
    EXPECT_EQ(this->env_.StoredBytes(this->Path(""), "When"), std::string("\0\0\0\0\x78\x08\xE6\x40", 8));

    // A write replaces a value of another type; the default value has the empty name.
    registry->WriteInteger("Text", 5);
    EXPECT_EQ(this->env_.StoredType(this->Path(""), "Text"), kRegDword);
    registry->WriteText("", "default");
    EXPECT_EQ(registry->ReadText(""), "default");
    EXPECT_TRUE(registry->ValueExists("text"));  // names without regard to case
}

struct StoredCase {
    const char* what;
    std::uint32_t type;
    std::string bytes;  // as stored; for text types the text, which the environment stores its way
};

TYPED_TEST_P(RegistryContractTest, ReadsOfMissingAndMistypedValuesFailWithTheirTexts) {
    constexpr double kWhen = 45123.5;
    std::string when(8, '\0');
    std::memcpy(when.data(), &kWhen, 8);
    const auto text = [](std::uint32_t type) { return type == kRegSz || type == kRegExpandSz; };
    const std::string gone = "Failed to get data for 'v'";
    const std::string invalid = "Invalid data type for 'v'";
    // What each read gives: its result as text, or its error.
    struct Expected {
        std::string integer, text, dateTime;
    };
    const auto q = [](const std::string& text) { return '"' + text + '"'; };
    const std::vector<std::pair<StoredCase, Expected>> cases = {
        {{"REG_DWORD", kRegDword, std::string("\x07\0\0\0", 4)}, {"7", invalid, invalid}},
        {{"REG_SZ", kRegSz, "12"}, {invalid, q("12"), invalid}},
        {{"empty REG_SZ", kRegSz, ""}, {invalid, q(""), invalid}},
        {{"REG_SZ with a NUL", kRegSz, std::string("ab\0cd", 5)}, {invalid, q("ab"), invalid}},
        {{"REG_EXPAND_SZ", kRegExpandSz, "%TEMP%\\x"}, {invalid, q("%TEMP%\\x"), invalid}},
        {{"8-byte REG_BINARY", kRegBinary, when}, {invalid, invalid, "45123.5"}},
        {{"4-byte REG_BINARY", kRegBinary, std::string("\x07\0\0\0", 4)}, {invalid, invalid, invalid}},
        {{"REG_QWORD", kRegQword, when}, {invalid, invalid, invalid}},
        {{"REG_DWORD_BIG_ENDIAN", kRegDwordBigEndian, std::string("\0\0\0\x07", 4)}, {invalid, invalid, invalid}},
        {{"REG_MULTI_SZ", kRegMultiSz, std::string("a\0b\0", 4)}, {invalid, invalid, invalid}},
    };
    auto registry = this->OpenScratch();
    // A read's result as text (texts in quotes), or its error.
    const auto result = [&](auto read) {
        try {
            const auto value = read();
            if constexpr (std::is_same_v<decltype(value), const std::string>)
                return q(value);
            else
                return ::testing::PrintToString(value);
        } catch (const Error& e) {
            return std::string(e.what());
        }
    };
    const auto reads = [&] {
        return Expected{result([&] { return registry->ReadInteger("v"); }),
                        result([&] { return registry->ReadText("v"); }),
                        result([&] { return registry->ReadDateTime("v"); })};
    };
    for (const auto& [stored, expected] : cases) {
        SCOPED_TRACE(stored.what);
        if (text(stored.type))
            this->env_.SeedText(this->Path(""), "v", stored.type, stored.bytes);
        else
            this->env_.SeedBytes(this->Path(""), "v", stored.type, stored.bytes);
        EXPECT_TRUE(registry->ValueExists("v"));
        const Expected got = reads();
        EXPECT_EQ(got.integer, expected.integer);
        EXPECT_EQ(got.text, expected.text);
        EXPECT_EQ(got.dateTime, expected.dateTime);
    }
    ASSERT_TRUE(registry->DeleteValue("v"));
    EXPECT_FALSE(registry->ValueExists("v"));
    EXPECT_FALSE(registry->DeleteValue("v"));  // a missing value is no error
    const Expected missing = reads();
    EXPECT_EQ(missing.integer, gone);
    EXPECT_EQ(missing.text, q(""));
    EXPECT_EQ(missing.dateTime, gone);
    EXPECT_EQ(this->Failure([&] { registry->ReadFlag("v"); }), gone);
}

TYPED_TEST_P(RegistryContractTest, BinaryValuesKeepEveryByteAndTellTheirType) {
    auto registry = this->OpenScratch();
    EXPECT_EQ(registry->ValueType("Bytes"), std::nullopt);
    for (const std::string& bytes :
         {std::string(), std::string("\0", 1), std::string("a\0\xFF\0", 4), std::string(300, '\x80')}) {
        registry->WriteBinary("Bytes", bytes);
        EXPECT_EQ(registry->ReadBinary("Bytes"), bytes);
        EXPECT_EQ(this->env_.StoredType(this->Path(""), "Bytes"), kRegBinary);
        EXPECT_EQ(this->env_.StoredBytes(this->Path(""), "Bytes"), bytes);
    }
    EXPECT_EQ(registry->ValueType("bytes"), kRegBinary);

    registry->WriteText("Text", "x");
    registry->WriteInteger("Integer", 1);
    EXPECT_EQ(registry->ValueType("Text"), kRegSz);
    EXPECT_EQ(registry->ValueType("Integer"), kRegDword);
    this->env_.SeedText(this->Path(""), "Expand", kRegExpandSz, "%TEMP%");
    EXPECT_EQ(registry->ValueType("Expand"), kRegExpandSz);
    EXPECT_EQ(this->Failure([&] { registry->ReadBinary("Text"); }), "Invalid data type for 'Text'");
    EXPECT_EQ(this->Failure([&] { registry->ReadBinary("Integer"); }), "Invalid data type for 'Integer'");
    EXPECT_EQ(this->Failure([&] { registry->ReadBinary("Missing"); }), "Failed to get data for 'Missing'");

    registry->CloseKey();
    EXPECT_EQ(registry->ValueType("Bytes"), std::nullopt);
    EXPECT_EQ(this->Failure([&] { registry->WriteBinary("Bytes", "x"); }), "Failed to set data for 'Bytes'");
}

// What a backup relies on: any type goes back exactly, and typed and raw access agree.
TYPED_TEST_P(RegistryContractTest, RawValuesKeepTypeAndBytesAndAgreeWithTypedAccess) {
    auto registry = this->OpenScratch();
    const auto utf16 = [](std::string_view ascii, int terminators) {
        std::string bytes;
        for (const char c : ascii) bytes += {c, '\0'};
        return bytes + std::string(static_cast<std::size_t>(terminators) * 2, '\0');
    };
    const RawRegistryValue cases[] = {
        {kRegDword, std::string("\x01\x02\x03\x04", 4)},
        {kRegDword, std::string("\x01\x02", 2)},  // a DWORD of the wrong size
        {kRegQword, std::string("\x01\x02\x03\x04\x05\x06\x07\x08", 8)},
        {kRegSz, utf16("64", 1)},
        {kRegSz, std::string("\x41\x00\x00\xD8\x00\x00", 6)},  // an unpaired surrogate
        {kRegSz, std::string("\x41\x00\x42", 3)},              // an odd length, no terminator
        {kRegExpandSz, utf16("%SystemRoot%", 1)},
        {kRegMultiSz, utf16("a", 1) + utf16("bc", 2)},
        {kRegBinary, std::string()},
        {kRegNone, std::string("\xFF", 1)},
        {0x12345, std::string("odd")},
    };
    for (const RawRegistryValue& value : cases) {
        SCOPED_TRACE(::testing::Message() << "type " << value.Type << ", " << value.Data.size() << " bytes");
        registry->WriteRaw("v", value);
        EXPECT_EQ(registry->ReadRaw("v"), value);
        EXPECT_EQ(registry->ValueType("v"), value.Type);
    }
    // Text without its terminator whose buffer has NULs just past the data, as a string's own
    // buffer does: stored as exactly these bytes, with no terminator added.
    for (const std::uint32_t type : {kRegSz, kRegExpandSz, kRegMultiSz}) {
        std::string unterminated = utf16("99", 2);
        unterminated.resize(4);
        registry->WriteRaw("u", {type, unterminated});
        EXPECT_EQ(registry->ReadRaw("u"), (RawRegistryValue{type, std::string("9\0"
                                                                              "9\0",
                                                                              4)}))
            << type;
    }
    registry->WriteRaw("t", {kRegSz, utf16("64", 1)});
    EXPECT_EQ(registry->ReadText("t"), "64");
    registry->WriteText("t", "x");
    EXPECT_EQ(registry->ReadRaw("t"), (RawRegistryValue{kRegSz, utf16("x", 1)}));
    registry->WriteInteger("i", -2);
    EXPECT_EQ(registry->ReadRaw("i"), (RawRegistryValue{kRegDword, std::string("\xFE\xFF\xFF\xFF", 4)}));
    EXPECT_EQ(registry->ReadRaw("missing"), std::nullopt);

    registry->CloseKey();
    EXPECT_EQ(registry->ReadRaw("t"), std::nullopt);
    EXPECT_EQ(this->Failure([&] { registry->WriteRaw("t", {kRegSz, ""}); }), "Failed to set data for 't'");
}

TYPED_TEST_P(RegistryContractTest, ListsDirectSubkeysOnly) {
    auto registry = this->OpenScratch("list\\Beta\\deeper");
    ASSERT_TRUE(registry->OpenKey("\\" + this->Path("list\\alpha"), true));
    registry->WriteInteger("not a key", 1);
    ASSERT_TRUE(registry->OpenKey("\\" + this->Path("list"), false));
    std::vector<std::string> names = registry->ListSubkeys();
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, (std::vector<std::string>{"Beta", "alpha"}));
    ASSERT_TRUE(registry->OpenKey("alpha", false));
    EXPECT_TRUE(registry->ListSubkeys().empty());
}

TYPED_TEST_P(RegistryContractTest, ListsTheOpenKeysValuesAndFlushesIt) {
    auto registry = this->OpenScratch("values\\below");
    registry->WriteInteger("below", 1);
    ASSERT_TRUE(registry->OpenKey("\\" + this->Path("values"), false));
    EXPECT_TRUE(registry->ListValues().empty());
    registry->WriteInteger("One", 1);
    registry->WriteBinary("two", "x");
    registry->Flush();
    std::vector<std::string> names = registry->ListValues();
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, (std::vector<std::string>{"One", "two"}));
    registry->CloseKey();
    EXPECT_TRUE(registry->ListValues().empty());
    EXPECT_EQ(this->Failure([&] { registry->Flush(); }), "Failed to set data for ''");
}

TYPED_TEST_P(RegistryContractTest, KeyDeletedWhileOpenFailsWritesAndReads) {
    auto registry = this->OpenScratch("gone");
    registry->WriteInteger("v", 1);
    this->env_.DeleteKey(this->Path("gone"));
    EXPECT_FALSE(registry->ValueExists("v"));
    EXPECT_EQ(this->Failure([&] { registry->WriteInteger("v", 2); }), "Failed to set data for 'v'");
    EXPECT_EQ(this->Failure([&] { registry->WriteText("t", "x"); }), "Failed to set data for 't'");
    EXPECT_EQ(this->Failure([&] { registry->WriteDateTime("d", 1.5); }), "Failed to set data for 'd'");
    EXPECT_EQ(this->Failure([&] { registry->ReadInteger("v"); }), "Failed to get data for 'v'");
    EXPECT_EQ(this->Failure([&] { registry->ReadText("v"); }), "Failed to get data for 'v'");
    EXPECT_FALSE(registry->OpenKey("child", true));  // nothing opens or grows below it
    EXPECT_FALSE(this->env_.KeyExists(this->Path("gone")));
}

REGISTER_TYPED_TEST_SUITE_P(RegistryContractTest, OpensWithoutCreatingUnlessAskedAndCreatesMissingParents,
                            PathsWithoutLeadingBackslashContinueFromTheOpenKey, FailedOpenLeavesNoKeyOpen,
                            WritesKeepTheirTypesAndReadBack, ReadsOfMissingAndMistypedValuesFailWithTheirTexts,
                            BinaryValuesKeepEveryByteAndTellTheirType, RawValuesKeepTypeAndBytesAndAgreeWithTypedAccess,
                            ListsDirectSubkeysOnly, ListsTheOpenKeysValuesAndFlushesIt,
                            KeyDeletedWhileOpenFailsWritesAndReads);

}  // namespace tarvex::testing
