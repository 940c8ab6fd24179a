#include "update/update_info.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "common/date_time.h"

namespace tarvex {
namespace {

TEST(SplitURL, ServerAndObjectPath) {
    struct Case {
        std::string_view Address, Server, Path;
    } const cases[] = {
        {"http://update.example.test/assets/update/ZV/Tarvex2.asp?checktype=info", "update.example.test",
         "/assets/update/ZV/Tarvex2.asp?checktype=info"},
        {"HTTP://Host:8080/a/b", "Host:8080", "/a/b"},
        {"host/x", "host", "/x"},
        {"http://host", "", "host"},  // no path: no server either
        {"/only/path", "", "/only/path"},
        {"", "", ""},
        {"https://host/x", "https:", "//host/x"},  // secure HTTP is not understood
        // "http://" anywhere takes off the first seven characters, wherever it stands.
        {"xhttp://host/p", "", "/host/p"},
    };
    for (const auto& c : cases) {
        const SplitAddress split = SplitURL(c.Address);
        EXPECT_EQ(split.ServerName, c.Server) << c.Address;
        EXPECT_EQ(split.ObjectPath, c.Path) << c.Address;
    }
}

TEST(ParseInfo, ReadsOneExactlyWrittenTagPerLine) {
    struct Case {
        std::string_view Line;
        std::string_view Version;  // what NewVersion reads
    } const cases[] = {
        {R"(<META NAME="wuVersion" CONTENT="5.0.2.140">)", "5.0.2.140"},
        {R"(<x META NAME="wuVersion" content="5.0.2.140">)", "5.0.2.140"},  // CONTENT= in any case
        {R"(<META NAME="wuVersion" CoNtEnT="Keeps Case">)", "Keeps Case"},
        {R"(<meta name="wuVersion" CONTENT="5.0.2.140">)", ""},   // lower-case tag
        {R"(<META NAME="wuversion" CONTENT="5.0.2.140">)", ""},   // name in another case
        {R"(<META NAME ="wuVersion" CONTENT="5.0.2.140">)", ""},  // space before "="
        {R"(<META NAME='wuVersion' CONTENT='5.0.2.140'>)", ""},   // single quotes
        {R"(<META NAME="wuVersion" CONTENT= "5.0.2.140">)", ""},  // a blank taken for the quote
        {R"(<META NAME="wuVersion">)", ""},                       // no CONTENT at all
        {R"(<META NAME="wuVersion" CONTENT="unterminated>)", ""},
        {R"(<META NAME="wuVersion)", ""},
        {"<META NAME", ""},
    };
    for (const auto& c : cases) {
        const UpdateAnswer answer = ParseInfo({std::string(c.Line)}, TQmTagInfo{});
        EXPECT_EQ(answer.NewVersion, c.Version) << c.Line;
    }
}

TEST(ParseInfo, FieldsOfAWholePageAndTheirLimits) {
    const std::string long254(254, 'a');
    const std::string long255(255, 'b');
    const std::vector<std::string> lines = {
        "<HTML><HEAD>",
        R"(<META NAME="wuProduct" CONTENT="Tarvex">)",
        R"(<META NAME="wuVersion" CONTENT="5.0.1.0">)",
        R"(<META NAME="wuVersion" CONTENT="5.0.2.0">)",  // a later line wins
        R"(<META NAME="wuDate" CONTENT="31/12/2030">)",
        R"(<META NAME="wuDownload" CONTENT="http://h/setup.exe">)",
        R"(<META NAME="wuClientSideName" CONTENT="setup.exe">)",
        R"(<META NAME="wuRunParameters" CONTENT="/S /D=x">)",
        R"(<META NAME="wuRedirection" CONTENT="http://other/page.asp">)",
        R"(<META NAME="wuShowURL" CONTENT="http://h/news">)",
        R"(<META NAME="wuAuthor" CONTENT=")" + long254 + R"(">)",
        R"(<META NAME="wuEmail" CONTENT=")" + long255 + R"(">)",
        R"(<META NAME="wuUnknown" CONTENT="ignored">)",
        R"(<META NAME="wuVersion2" CONTENT="ignored"> <META NAME="wuProduct" CONTENT="second on a line">)",
    };
    const UpdateAnswer answer = ParseInfo(lines, TQmTagInfo{});
    const UpdateAnswer expected{.NewVersion = "5.0.2.0",
                                .NewDate = "31/12/2030",
                                .ProductName = "Tarvex",
                                .DownloadURL = "http://h/setup.exe",
                                .ClientFileName = "setup.exe",
                                .RunParameters = "/S /D=x",
                                .Redirection = "http://other/page.asp",
                                .ShowURL = "http://h/news",
                                .Author = long254,
                                .Email = ""};
    EXPECT_EQ(answer, expected);
}

TEST(ParseInfo, NamesComeFromTheTagInfo) {
    TQmTagInfo tags;
    tags.Version = "ver";
    const UpdateAnswer answer =
        ParseInfo({R"(<META NAME="ver" CONTENT="7">)", R"(<META NAME="wuVersion" CONTENT="8">)"}, tags);
    EXPECT_EQ(answer.NewVersion, "7");
}

TEST(SplitLines, AtCrLfOrCrLf) {
    EXPECT_EQ(SplitLines("a\r\nb\rc\nd"), (std::vector<std::string>{"a", "b", "c", "d"}));
    EXPECT_EQ(SplitLines("a\n\nb\n"), (std::vector<std::string>{"a", "", "b"}));
    EXPECT_TRUE(SplitLines("").empty());
}

TEST(ParseVersionWords, Examples) {
    constexpr std::uint32_t kNone = 0xFFFFFFFFu;
    struct Case {
        std::string_view Text;
        std::uint32_t Ms, Ls;
    } const cases[] = {
        {"5.0.1.123", 0x00050000, 0x0001007B},
        {"5.0.2.0", 0x00050000, 0x00020000},
        {"5.0", 0x00050000, 0},
        {"5,0,2,0", 0x00050000, 0x00020000},
        {"5.0,2,0", 0x00050002, 0},        // a comma wins: "5.0" is an unreadable first part
        {"5.0.2.0.1", 0x00050000, kNone},  // the fifth part spoils the second word
        {"5.0.2", 0x00050000, 0x00020000},
        {"7", 0x00070000, 0},
        {"beta", kNone, kNone},
        {"", kNone, kNone},
        {"65537.1.2.3", 0x00010001, 0x00020003},  // parts cut to 16 bits
        {" 5.+0.1.2", 0x00050000, 0x00010002},    // blanks and signs as the run-time reads them
        {"-1.0", 0xFFFF0000, 0},                  // negative: never newer
        {"5x.0.1.2", 0x00050000, 0},              // unreadable a: the rest read whole as b (0)
        {"5.1x.2.3", 0x00050001, 0x00020000},     // unreadable b: the rest read whole as c
        {"5.1.2.3x", 0x00050001, kNone},          // unreadable d
    };
    for (const auto& c : cases) {
        EXPECT_EQ(ParseVersionWords(c.Text), (VersionWords{c.Ms, c.Ls})) << c.Text;
    }
}

TEST(CompareStandardVersions, DrivenByTheCurrentVersionsParts) {
    struct Case {
        std::string_view Current, New;
        int Result;
    } const cases[] = {
        {"1.2", "1.3", 1},   {"1.2", "1.1", -1}, {"1.2", "1.2.1", 0}, {"1.2.0", "1.2", 1},
        {"1.2", "1.2", 0},   {"1", "2.0", 1},    {"2.0", "10.0", 1},  {"1.x", "1.1", 1},
        {"1.10", "1.9", -1}, {"", "", 0},        {"1.2", "", -1},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(CompareStandardVersions(c.Current, c.New), c.Result) << c.Current << " vs " << c.New;
    }
}

TEST(ParseInfoDate, PatternSeparatorAndDefault) {
    const double kDefault = EncodeDateTime(1980, 1, 1);
    struct Case {
        std::string_view Date, Time, Pattern;
        char Separator;
        double Expected;
    } const cases[] = {
        {"31/12/2030", "", "dd/mm/yyyy", '/', EncodeDateTime(2030, 12, 31)},
        {"31/12/2030", "00:00", "dd/mm/yyyy", '/', EncodeDateTime(2030, 12, 31)},
        {"2030-12-31", "00:00", "dd/mm/yyyy", '/', kDefault},
        {"12/31/2030", "", "m/d/yyyy", '/', EncodeDateTime(2030, 12, 31)},
        {"2030-12-31", "", "yyyy-mm-dd", '-', EncodeDateTime(2030, 12, 31)},
        {" 1 / 2 / 2013 ", "", "dd/mm/yyyy", '/', EncodeDateTime(2013, 2, 1)},
        {"31/02/2030", "", "dd/mm/yyyy", '/', kDefault},  // no such day
        {"29/02/2028", "", "dd/mm/yyyy", '/', EncodeDateTime(2028, 2, 29)},
        {"29/02/2027", "", "dd/mm/yyyy", '/', kDefault},
        {"1/2/13", "", "dd/mm/yyyy", '/', EncodeDateTime(2013, 2, 1)},  // two-digit year near now
        {"1/2/90", "", "dd/mm/yyyy", '/', EncodeDateTime(2090, 2, 1)},
        {"1/2", "", "dd/mm/yyyy", '/', EncodeDateTime(2026, 2, 1)},  // the current year
        {"1/2/2013x", "", "dd/mm/yyyy", '/', kDefault},
        {"", "", "dd/mm/yyyy", '/', kDefault},
        {"1/2/2013", "12:30", "dd/mm/yyyy", '/', EncodeDateTime(2013, 2, 1, 12, 30)},
        {"1/2/2013", "25:00", "dd/mm/yyyy", '/', EncodeDateTime(2013, 2, 1)},  // unreadable time adds nothing
        {"junk", "12:30", "dd/mm/yyyy", '/', kDefault + 12.5 / 24},
    };
    for (const auto& c : cases) {
        EXPECT_DOUBLE_EQ(ParseInfoDate(c.Date, c.Time, c.Pattern, c.Separator, 2026), c.Expected)
            << c.Date << " " << c.Time << " " << c.Pattern;
    }
}

TEST(QueryNumberText, ShortestGeneralForm) {
    EXPECT_EQ(QueryNumberText(41234), "41234");
    EXPECT_EQ(QueryNumberText(0), "0");
    EXPECT_EQ(QueryNumberText(41234.5), "41234.5");
}

TEST(IsPlainFileName, OnlyANameWithoutFolderOrDevice) {
    for (std::string_view name :
         {"setup.exe", "Tarvex Setup 5.0.exe", "a", "con1.exe", "COM10.exe", "lpt.exe", "...a", "name.with.dots.exe"}) {
        EXPECT_TRUE(IsPlainFileName(name)) << name;
    }
    for (std::string_view name : {"",
                                  ".",
                                  "..",
                                  "..\\..\\Windows\\setup.exe",
                                  "../setup.exe",
                                  "sub\\setup.exe",
                                  "sub/setup.exe",
                                  "C:setup.exe",
                                  "C:\\setup.exe",
                                  "\\\\server\\share\\setup.exe",
                                  "setup.exe:stream",
                                  "CON",
                                  "con.exe",
                                  "NUL",
                                  "nul.txt",
                                  "COM1",
                                  "com9.exe",
                                  "LPT1.exe",
                                  "AUX",
                                  "PRN.x",
                                  "CONIN$",
                                  "setup.exe.",
                                  "setup.exe ",
                                  " setup.exe",
                                  "set\tup.exe",
                                  "set?.exe",
                                  "set*.exe",
                                  "a<b",
                                  "a|b",
                                  "a\"b"}) {
        EXPECT_FALSE(IsPlainFileName(name)) << name;
    }
}

TEST(IsWebAddress, OnlyHttpPages) {
    EXPECT_TRUE(IsWebAddress("http://www.example.test/news"));
    EXPECT_TRUE(IsWebAddress("HTTPS://www.example.test/"));
    for (std::string_view address : {"", "http://", "file:///C:/Windows/notepad.exe", "C:\\Windows\\notepad.exe",
                                     "calc", "mailto:x@y", "javascript:alert(1)", "\\\\server\\share\\x.exe"}) {
        EXPECT_FALSE(IsWebAddress(address)) << address;
    }
}

TEST(ElapsedText, HoursMinutesSeconds) {
    EXPECT_EQ(ElapsedText(0), "00:00:00");
    EXPECT_EQ(ElapsedText(59999), "00:00:59");
    EXPECT_EQ(ElapsedText(3723000), "01:02:03");
    EXPECT_EQ(ElapsedText(100ull * 3600 * 1000), "100:00:00");
}

TEST(DecodeDate, RoundTripsAndDayOfWeek) {
    const CivilDate dates[] = {{1899, 12, 30}, {1980, 1, 1},   {2000, 2, 29},
                               {2026, 12, 10}, {2030, 12, 31}, {1850, 3, 1}};
    for (const CivilDate& expected : dates) {
        const CivilDate date = DecodeDate(EncodeDateTime(expected.Year, expected.Month, expected.Day, 23, 59));
        EXPECT_EQ(date.Year, expected.Year);
        EXPECT_EQ(date.Month, expected.Month);
        EXPECT_EQ(date.Day, expected.Day);
    }
    EXPECT_EQ(DayOfWeek(EncodeDateTime(1899, 12, 30)), 7);         // a Saturday
    EXPECT_EQ(DayOfWeek(EncodeDateTime(2026, 12, 6, 12)), 1);      // a Sunday
    EXPECT_EQ(DayOfWeek(EncodeDateTime(2026, 12, 7, 23, 59)), 2);  // a Monday
    EXPECT_EQ(DayOfWeek(EncodeDateTime(1850, 3, 4)), 2);           // a Monday before day 0
}

}  // namespace
}  // namespace tarvex
