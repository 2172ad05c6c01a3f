// The page as a file: the report's rows embedded as JSON that no name can break out of, read back by nlohmann-json.
// How it shows in a browser is tested in Chromium (page/page.test.mjs).
#include "tests/report/ReportTesting.h"
#include "tools/report/Page.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

namespace {

using namespace Tarn::Utilities;

// The text of the data element, which is the page's only JSON.
std::string DataOf(const std::string& page) {
    const std::string open = "<script type=\"application/json\" id=\"report-data\">";
    const size_t begin = page.find(open);
    if (begin == std::string::npos) return "";
    return page.substr(begin + open.size(), page.find("</script>", begin) - begin - open.size());
}

TEST(Page, EmbedsEveryRowAsJsonThatNoNameEndsOrComments) {
    const std::string hostile = "A</script><script>alert(1)</script><!--\"&'";
    const MemoryReport report = Read("Total\t30\t3\t4\r\n"
                                     "Tarn::Devices::Texture\t16\t1\t2\tTarn::Devices::" + hostile + "\t1\r\n" +
                                     hostile + "\t8\t1\t1\r\n" +
                                     MemoryReport::EscapeName("Bad\xff" "Byte") + "\t6\t1\t1\r\n");
    const MemoryReport earlier = Read("Total\t5\t1\t1\r\nGone\t5\t1\t1\r\n");
    const PageReport later{report, "after.tsv"}, before{earlier, "before.tsv"};
    const std::string page = Page(later, &before);

    const std::string data = DataOf(page);
    EXPECT_EQ(data.find_first_of("<>&"), std::string::npos) << data;
    const nlohmann::json json = nlohmann::json::parse(data);
    EXPECT_EQ(json["kind"], "report");
    EXPECT_EQ(json["report"]["name"], "after.tsv");
    EXPECT_EQ(json["before"]["name"], "before.tsv");
    EXPECT_EQ(json["before"]["types"][0]["type"], "Gone");
    const nlohmann::json& types = json["report"]["types"];
    ASSERT_EQ(types.size(), 3u);
    const std::pair<std::string, std::string> cases[] = {
        {"Tarn::Devices::Texture", "Tarn::Devices"}, {hostile, ""}, {MemoryReport::EscapeName("Bad\xff" "Byte"), ""}};
    for (size_t t = 0; t < types.size(); ++t) {
        EXPECT_EQ(types[t]["type"], cases[t].first);
        EXPECT_EQ(types[t]["namespace"], cases[t].second);
    }
    EXPECT_EQ(types[0]["reached_through"][0]["type"], "Tarn::Devices::" + hostile);
    EXPECT_EQ(json["report"]["total"]["bytes"], 30);

    // The viewer's two script elements and nothing else end one.
    size_t ends = 0;
    for (size_t at = page.find("</script>"); at != std::string::npos; at = page.find("</script>", at + 1)) ++ends;
    EXPECT_EQ(ends, 2u);
    EXPECT_EQ(page.find("@REPORT_DATA@"), std::string::npos);
}

TEST(Page, TheCommandWritesAFileOrStandardOutputAndRefusesBadInput) {
    const std::string text = "Total\t8\t1\t1\r\nunsigned char*\t8\t1\t1\r\n";
    const std::string report = TempFile("page.tsv", text);
    const std::string output = ::testing::TempDir() + "tarn_report_page.html";
    EXPECT_EQ(Tool({"html", report, "-o", output}).mCode, 0);
    EXPECT_EQ(FileText(output), Page({Read(text), report}));
    const Outcome fromInput = Tool({"html", "-", "--before", report, "-o", "-"}, text);
    EXPECT_EQ(fromInput.mCode, 0);
    EXPECT_EQ(nlohmann::json::parse(DataOf(fromInput.mOut))["report"]["name"], "standard input");

    EXPECT_EQ(Tool({"html", report}).mCode, 2);
    const Outcome malformed = Tool({"html", "-", "-o", output}, "Total\t1\r\n");
    EXPECT_EQ(malformed.mCode, 2);
    EXPECT_NE(malformed.mErr.find("standard input: line 1"), std::string::npos) << malformed.mErr;
    EXPECT_EQ(Tool({"html", report, "--before", "/nonexistent.tsv", "-o", output}).mCode, 2);
}

} // namespace
