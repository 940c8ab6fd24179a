// Registry files (with the modern stack's settings) and backup records from arbitrary bytes: reading never fails other
// than with the program's error, a file that imports exports to one that imports the same values, and a record that
// reads writes back to the same bytes. Input: byte 0 picks the family (odd: NT), the rest is the file or the record.
#include <cstddef>
#include <cstdint>
#include <algorithm>
#include <cstdlib>
#include <string_view>

#include "../support/fuzz_check.h"
#include "../support/latin1_code_page.h"
#include "tuning/backup.h"
#include "tuning/reg_file.h"

using tarvex::fuzz::Check;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace tarvex;
    if (size < 1) return 0;
    const bool isNT = (data[0] & 1) != 0;
    const std::string_view bytes(reinterpret_cast<const char*>(data + 1), size - 1);

    if (const auto record = DecodeBackupRecord(bytes)) Check(EncodeBackupRecord(*record) == bytes);

    static testing::Latin1CodePage ansi;
    RegistrySnapshot values;
    ModernSnapshot modern;
    try {
        const RegFile file = ParseRegFile(bytes, ansi);
        values = ManagedImport(file, isNT);
        modern = ModernImport(file);
    } catch (const Error&) {
        return 0;
    }
    // The export groups values by key, so the order may differ; each value is there once. The
    // modern settings come back in their order.
    const RegFile back = ParseRegFile(ExportRegFile(values, modern), ansi);
    RegistrySnapshot again = ManagedImport(back, isNT);
    Check(again.size() == values.size());
    for (const SavedValue& value : values) Check(std::find(again.begin(), again.end(), value) != again.end());
    Check(ModernImport(back) == modern);
    return 0;
}
