// The kept tests: one REG_BINARY value per record below kTestsKey, as the backups are kept.
#include <cmath>

#include "common/record_bytes.h"
#include "measure/connection_test.h"
#include "platform/registry_records.h"

namespace tarvex {
namespace {

constexpr std::string_view kMagic = "TVT1";
constexpr char kRecordPrefix[] = "Test";
constexpr const char* kNewestValue = kNewestRecordValue;

std::string RecordValueName(std::uint32_t id) {
    return kRecordPrefix + std::to_string(id);
}

// A figure no test gives (negative, infinite, not a number) marks the record as damaged.
bool IsFigure(double value) {
    return std::isfinite(value) && value >= 0;
}

Error SaveError(const std::exception& cause) {
    return Error(std::string("The test result could not be kept.\r\n\r\n") + cause.what());
}

}  // namespace

std::string EncodeTestRecord(const TestRecord& record) {
    RecordWriter out;
    out.Raw(kMagic);
    out.U32(record.Id);
    out.F64(record.Time);
    out.Str(record.Host);
    out.F64(record.RttMs);
    out.F64(record.BitsPerSecond);
    out.Str(record.Settings);
    return out.Take();
}

std::optional<TestRecord> DecodeTestRecord(std::string_view bytes) {
    RecordReader in(bytes);
    if (in.Take(kMagic.size()) != kMagic) return std::nullopt;
    TestRecord record;
    record.Id = in.U32();
    record.Time = in.F64();
    record.Host = in.Str();
    record.RttMs = in.F64();
    record.BitsPerSecond = in.F64();
    record.Settings = in.Str();
    if (!in.Ok() || !in.AtEnd() || record.Id == 0) return std::nullopt;
    if (!std::isfinite(record.Time) || !IsFigure(record.RttMs) || !IsFigure(record.BitsPerSecond)) return std::nullopt;
    return record;
}

std::uint32_t TestLog::Save(TestRecord record) {
    try {
        return AppendRecord(registry_, kTestsKey, kRecordPrefix, kTestLimit, [&record](std::uint32_t id) {
            record.Id = id;
            return EncodeTestRecord(record);
        });
    } catch (const std::exception& e) {
        throw SaveError(e);
    }
}

std::vector<TestRecord> TestLog::Records() {
    std::vector<TestRecord> records;
    try {
        registry_.SetRootKey(RegistryRoot::CurrentUser);
        if (registry_.OpenKey(kTestsKey, false) && registry_.ValueType(kNewestValue) == kRegDword) {
            const auto newest = static_cast<std::uint32_t>(registry_.ReadInteger(kNewestValue));
            for (std::uint32_t id = newest; id > 0 && newest - id < kTestLimit; --id) {
                const auto raw = registry_.ReadRaw(RecordValueName(id));
                if (!raw || raw->Type != kRegBinary) continue;
                auto record = DecodeTestRecord(raw->Data);
                if (record && record->Id == id) records.push_back(std::move(*record));
            }
        }
    } catch (const Error&) {
        // What was read stands; the rest counts as gone.
    }
    registry_.CloseKey();
    return records;
}

}  // namespace tarvex
