// Feed arbitrary answer pages to the update check and arbitrary words to the version and date
// readers, checking what must hold whatever a server sends: no crash, no hang, an installer
// only ever written inside the temporary folder, and the component idle afterwards.
// Input: byte 0 picks the version format and options, the rest is the answer page.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "../support/fuzz_check.h"
#include "../unit/update/update_fakes.h"
#include "update/update_info.h"
#include "update/web_update.h"

using tarvex::fuzz::Check;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace tarvex;
    if (size < 1 || size > 64 * 1024) return 0;
    const std::uint8_t flags = data[0];
    const std::string page(reinterpret_cast<const char*>(data + 1), size - 1);

    // The pure readers over every line of the page.
    for (const std::string& line : SplitLines(page)) {
        Check(line.find_first_of("\r\n") == std::string::npos);
        const VersionWords words = ParseVersionWords(line);
        (void)words;
        const int comparison = CompareStandardVersions(line, line);
        Check(comparison == 0);
        const double date = ParseInfoDate(line, line, (flags & 1) ? "yyyy/mm/dd" : "dd/mm/yyyy", '/', 2026);
        Check(date == date);  // never NaN
        const SplitAddress split = SplitURL(line);
        Check(split.ServerName.find('/') == std::string::npos);
        if (IsPlainFileName(line)) Check(line.find_first_of("\\/:") == std::string::npos && line != "..");
    }
    const UpdateAnswer answer = ParseInfo(SplitLines(page), TQmTagInfo{});
    Check(answer.NewVersion.find('"') == std::string::npos);

    // The whole check and download with the page as the server's answer.
    testing::UpdateFixture f;
    f.Update.ProductInfo.VersionFormat = static_cast<TmxVersionFormat>((flags >> 1) % 5);
    f.Update.ProductInfo.Version = answer.Author;
    f.Update.Options = {.uoRunUpdate = (flags & 0x10) != 0, .uoTerminate = false, .uoOverwrite = (flags & 0x20) != 0};
    f.Server.Answers["*"] = {.Body = page};
    f.Server.Answers["/setup.exe"] = {.Body = "MZ installer"};
    f.Files.Files["C:\\Users\\me\\Temp\\setup.exe"] = "old";
    try {
        f.Update.CheckForUpdate();
    } catch (const Error&) {
        // Only the missing external version file may end a check with an error.
        Check(f.Update.ProductInfo.VersionFormat == TmxVersionFormat::vfExternalFileVersion);
    }
    Check(!f.Update.Busy());
    Check(f.Server.Requests.size() <= 1 + TQmWebUpdate::kMaxRedirections);
    f.Update.Download();
    Check(!f.Update.Busy());
    Check(f.Server.OpenResponses == 0);
    for (const auto& [path, content] : f.Files.Files) {
        const std::string_view temp = f.Files.Temp;
        Check(path.starts_with(temp));
        Check(path.find_first_of("\\/:", temp.size()) == std::string::npos);
    }
    for (const auto& [file, parameters] : f.Host.Opened) {
        Check(IsWebAddress(file) || file.starts_with(f.Files.Temp));
    }
    return 0;
}
