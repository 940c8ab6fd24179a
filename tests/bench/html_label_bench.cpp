// Parse + layout of the captions the program shows, and growth with caption length.
#include <benchmark/benchmark.h>

#include <string>

#include "../support/fake_text_measurer.h"
#include "controls/html_layout.h"
#include "controls/html_parser.h"

namespace {

using namespace tarvex;

const char* const kWelcome =
    "<B><FONT size=\"10\" color=\"#225ACA\">Welcome to Quillmont Tarvex</FONT></B><BR><BR>To optimize your "
    "system for a specific network scenario, select it from the list below and select \"Accelerate!\". If "
    "more than one description applies, select the scenario which is most important to you.<BR><BR><B>Select "
    "your connection type:</B>";
const char* const kSidePanel1 =
    "<IMG src=\"idx:0\"><IND x=\"20\"><A href=\"#0\">Accelerate Internet Connection</A><BR>"
    "<IMG src=\"idx:1\"><IND x=\"20\"><A href=\"#1\">Advanced</A><BR>"
    "<IMG src=\"idx:2\"><IND x=\"20\"><A href=\"#2\">Connection State</A><BR>";
const char* const kSidePanel2 =
    "<IMG src=\"idx:3\"><IND x=\"20\"><A href=\"#0\">Program Options</A><BR>"
    "<IMG src=\"idx:4\"><IND x=\"20\"><A href=\"#1\">Program Help</A><BR>"
    "<IMG src=\"idx:4\"><IND x=\"20\"><A href=\"#2\">About</A><BR>";
const char* const kCounterLink = "<A href=\"#1\">Stop Counters</A>";

// Markup-rich text of about `length` characters.
std::string LongCaption(std::size_t length) {
    const std::string piece =
        "Some <B>bold</B> text with a <A href=\"#1\">link</A>, a <FONT color=\"#225ACA\" size=\"10\">font</FONT>"
        " change<BR>and <U>more</U> words after it. ";
    std::string caption;
    while (caption.size() < length) caption += piece;
    caption.resize(length);
    return caption;
}

void ParseAndLayout(benchmark::State& state, const std::string& caption, int width) {
    testing::FakeTextMeasurer measurer(6);
    const testing::FakeImageSource images(16, 16, 5);
    THtmlParser parser;
    parser.SetLinkColor(kClBlue);
    parser.SetLinkHoverColor(kClBlue);
    THtmlRenderer renderer(&parser.Root(), measurer);
    renderer.SetImages(&images, 2);
    for (auto _ : state) {
        parser.SetFont({"MS Shell Dlg 2", kClBlack, 8, {}});
        parser.Parse(caption);
        renderer.Layout({0, 0, width, 1000});
        benchmark::DoNotOptimize(renderer.ContentHeight());
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * caption.size()));
    state.SetComplexityN(static_cast<std::int64_t>(caption.size()));
}

void BM_Welcome(benchmark::State& state) {
    ParseAndLayout(state, kWelcome, 400);
}
void BM_SidePanel1(benchmark::State& state) {
    ParseAndLayout(state, kSidePanel1, 209);
}
void BM_SidePanel2(benchmark::State& state) {
    ParseAndLayout(state, kSidePanel2, 209);
}
void BM_CounterLink(benchmark::State& state) {
    ParseAndLayout(state, kCounterLink, 100);
}
void BM_Long2000(benchmark::State& state) {
    ParseAndLayout(state, LongCaption(2000), 400);
}
void BM_Length(benchmark::State& state) {
    ParseAndLayout(state, LongCaption(static_cast<std::size_t>(state.range(0))), 400);
}
// Worst case for tag lookup: many "<" and no ">".
void BM_OpenBrackets(benchmark::State& state) {
    ParseAndLayout(state, std::string(static_cast<std::size_t>(state.range(0)), '<'), 400);
}

BENCHMARK(BM_Welcome);
BENCHMARK(BM_SidePanel1);
BENCHMARK(BM_SidePanel2);
BENCHMARK(BM_CounterLink);
BENCHMARK(BM_Long2000);
BENCHMARK(BM_Length)->RangeMultiplier(4)->Range(500, 128000)->Complexity(benchmark::oN);
BENCHMARK(BM_OpenBrackets)->RangeMultiplier(4)->Range(1000, 256000)->Complexity(benchmark::oN);

}  // namespace
