#include "links/url_label.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace tarvex {
namespace {

// A step: set the caption, or (with Url set) the address; then what the label links to.
struct Step {
    const char* Caption;
    const char* Url;
    const char* Expected;
};

struct Case {
    const char* Name;
    std::vector<Step> Steps;
};

TEST(UrlLabelTextTest, FollowsItsCaptionUntilGivenAnAddressOfItsOwn) {
    const std::vector<Case> cases = {
        {"a new label links to its caption", {{"www.example.com", nullptr, "www.example.com"}}},
        {"a caption changed from its own address links to the new text",
         {{"a.example", nullptr, "a.example"}, {"b.example", nullptr, "b.example"}}},
        {"an address of its own stays when the caption changes",
         {{"www.example.com", nullptr, "www.example.com"},
          {nullptr, "https://www.example.com/go/?s=1", "https://www.example.com/go/?s=1"},
          {"Our web site", nullptr, "https://www.example.com/go/?s=1"}}},
        {"an address set before any caption stays",
         {{nullptr, "mailto:help@example.com", "mailto:help@example.com"},
          {"help@example.com", nullptr, "mailto:help@example.com"}}},
        {"an emptied address follows the caption again",
         {{"x", nullptr, "x"}, {nullptr, "other", "other"}, {nullptr, "", ""}, {"y", nullptr, "y"}}},
        {"an address equal to the caption keeps following it",
         {{"x", nullptr, "x"}, {nullptr, "x", "x"}, {"z", nullptr, "z"}}},
    };
    for (const Case& c : cases) {
        UrlLabelText label;
        for (const Step& step : c.Steps) {
            if (step.Caption) label.SetCaption(step.Caption);
            if (step.Url) label.SetUrl(step.Url);
            EXPECT_EQ(label.Url(), step.Expected) << c.Name;
        }
    }
}

}  // namespace
}  // namespace tarvex
