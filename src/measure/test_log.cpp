// The kept tests: one REG_BINARY value per record below kTestsKey, as the backups are kept.
#include <cmath>

#include "common/record_bytes.h"
#include "measure/connection_test.h"
#include "platform/registry_records.h"

namespace tarvex {
namespace {

constexpr std::string_view kMagic = "TVT1";
constexpr char kRecordPrefix[] = "Test";

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
        return AppendRecord(
            registry_, kTestsKey, kRecordPrefix, kTestLimit,
            [&record](std::uint32_t id) {
                record.Id = id;
                return EncodeTestRecord(record);
            },
            [](std::string_view bytes, std::uint32_t id) -> std::optional<std::string> {
                auto kept = DecodeTestRecord(bytes);
                if (!kept) return std::nullopt;
                kept->Id = id;
                return EncodeTestRecord(*kept);
            });
    } catch (const std::exception& e) {
        throw SaveError(e);
    }
}

std::vector<TestRecord> TestLog::Records() {
    std::vector<TestRecord> records;
    try {
        for (const StoredRecord& stored : ReadRecords(registry_, kTestsKey, kRecordPrefix, kTestLimit)) {
            auto record = stored.Bytes ? DecodeTestRecord(*stored.Bytes) : std::nullopt;
            if (record && record->Id == stored.Id) records.push_back(std::move(*record));
        }
    } catch (const Error&) {
        // None reads: the history shows no tests.
    }
    return records;
}

}  // namespace tarvex
