// The report's reader: every report the recorder writes reads back byte for byte; bad input is refused whole, with
// the line and what was wrong.
#include "examples/DemoScene.h"
#include "utilities/memory/MemoryReport.h"
#include "utilities/memory/RecordMemory.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using Tarn::Utilities::MemoryReport;
using Tarn::Utilities::RecordMemory;

std::string Reread(const std::string& text) {
    MemoryReport::Error error;
    const std::optional<MemoryReport> report = MemoryReport::Parse(text, error);
    if (!report) return "refused: " + error.Text();
    return report->Print();
}

struct Booking {
    const char* mDynamic;
    const char* mStatic;
    size_t mSize;
    bool mFirstVisit;
};

TEST(MemoryReport, ReadsBackRecordingsByteForByte) {
    const std::vector<std::vector<Booking>> recordings = {
        {},
        {{"Tarn::Objects::SharedMatrix", "Tarn::Objects::SharedMatrix", 144, true}},
        // One other static type on the row's line, three more on continuation lines, a pair seen only on repeats.
        {{"Image", "Image", 64, true}, {"Image", "ARefCounted", 64, true}, {"Image", "ARefCounted", 64, false}},
        {{"X", "C", 8, true}, {"X", "B", 8, true}, {"X", "D", 8, true}, {"X", "Aw", 8, true}, {"Y", "Y", 1, true}},
        {{"Node", "Node", 32, true}, {"Node", "ISpatialNode", 32, false}},
        // Names with spaces and commas; equal byte totals.
        {{"Dx10 VertexBuffer", "Dx10 VertexBuffer", 800, true},
         {"std::map<int, float>", "std::map<int, float>", 800, true}},
        // Counters of 2^63 and more.
        {{"Huge", "Huge", (size_t(1) << 63) + 5, true}, {"Small", "Small", 3, true}},
    };
    for (const std::vector<Booking>& bookings : recordings) {
        RecordMemory recorder;
        for (const Booking& b : bookings) recorder.RecordObject(b.mDynamic, b.mStatic, b.mSize, b.mFirstVisit);
        const std::string text(recorder.GetResults());
        EXPECT_EQ(Reread(text), text);
    }
}

TEST(MemoryReport, ReadsBackTheDemoSceneByteForByte) {
    for (int objects : {100, 1000}) {
        Tarn::Demo::DemoScene scene(objects);
        RecordMemory recorder;
        scene.Measure(recorder);
        const std::string text(recorder.GetResults());
        ASSERT_GT(text.size(), 1000u);
        EXPECT_EQ(Reread(text), text) << objects << " objects";
        EXPECT_EQ(text.find('\\'), std::string::npos) << "no name of the engine's is escaped";
    }
}

// Every name, whatever its bytes, is one row that reads back to the same bytes; a C++ type's name is written as it is.
TEST(MemoryReport, SpellsEveryNameSoThatItReadsBackAndAddsNoRow) {
    const std::pair<std::string, std::string> cases[] = {
        // Names that types really have stand for themselves.
        {"Tarn::Objects::_HashTable<Tarn::Objects::_KeyValue<A*, B&>, B*>::ValueList*",
         "Tarn::Objects::_HashTable<Tarn::Objects::_KeyValue<A*, B&>, B*>::ValueList*"},
        {"Host::Run()::{lambda(int)#1}", "Host::Run()::{lambda(int)#1}"},
        {"Dx10 VertexBuffer", "Dx10 VertexBuffer"},
        {"Host::Gr\xC3\xB6\xC3\x9F" "e\xF0\x9F\x98\x80", "Host::Gr\xC3\xB6\xC3\x9F" "e\xF0\x9F\x98\x80"},
        {"", ""},
        // Others are escaped: one row, never a line or a column more.
        {"Evil\t0\t0\t0\r\nTarn::Forged", "Evil\\t0\\t0\\t0\\r\\nTarn::Forged"},
        {"\tLeading", "\\tLeading"},
        {"\t\t\t\tB\t1", "\\t\\t\\t\\tB\\t1"},
        {"back\\slash\\", "back\\\\slash\\\\"},
        {"\x1b]0;title\x07\x1b[2J\x7f", "\\x1B]0;title\\x07\\x1B[2J\\x7F"},
        {"\x01\x1f", "\\x01\\x1F"},
        {"csi\xC2\x9B" "2J", "csi\\xC2\\x9B2J"},                                   // U+009B, a control
        {"no\xEF\xBF\xBE\xEF\xBF\xBF", "no\\xEF\\xBF\\xBE\\xEF\\xBF\\xBF"},       // U+FFFE, U+FFFF
        {"latin1 \xE9t\xE9", "latin1 \\xE9t\\xE9"},
        {"cut\xE2\x82", "cut\\xE2\\x82"},
        {"over\xC0\xAF\xE0\x80\xAF", "over\\xC0\\xAF\\xE0\\x80\\xAF"},
        {"surrogate\xED\xA0\x80", "surrogate\\xED\\xA0\\x80"},
        {"beyond\xF4\x90\x80\x80", "beyond\\xF4\\x90\\x80\\x80"},
        {"\xFF", "\\xFF"},
    };
    for (const auto& [name, spelled] : cases) {
        RecordMemory recorder;
        recorder.RecordObject(name.c_str(), name.c_str(), 8, true);
        recorder.RecordObject(name.c_str(), "Base", 8, true);
        recorder.RecordObject("Derived", name.c_str(), 4, true);
        const std::string text(recorder.GetResults());
        EXPECT_EQ(text, "Total\t20\t3\t3\r\n" + spelled + "\t16\t2\t2\tBase\t1\r\nDerived\t4\t1\t1\t" + spelled +
                            "\t1\r\n")
            << spelled;
        MemoryReport::Error error;
        const std::optional<MemoryReport> report = MemoryReport::Parse(text, error);
        ASSERT_TRUE(report) << spelled << ": " << error.Text();
        ASSERT_EQ(report->mRows.size(), 2u) << spelled;
        EXPECT_EQ(report->mRows[0].mName, name);
        EXPECT_EQ(report->mRows[1].mStaticTypes.at(0).mName, name);
        EXPECT_EQ(report->Print(), text);
        EXPECT_EQ(MemoryReport::EscapeName(name), spelled);
        EXPECT_EQ(MemoryReport::UnescapeName(spelled), name);
    }
    // A host's report may hold a byte that no C string can: it is spelled, and read back, all the same.
    MemoryReport report;
    report.mRows.push_back({std::string("nul\0byte", 8), 1, 1, 1, {}});
    report.mTotal = {"Total", 1, 1, 1, {}};
    EXPECT_EQ(report.Print(), "Total\t1\t1\t1\r\nnul\\x00byte\t1\t1\t1\r\n");
    EXPECT_EQ(Reread(report.Print()), report.Print());
}

// A report's fields, one row a line: "name bytes instances references [static instances, ...]".
std::string Fields(const MemoryReport& report) {
    std::string text;
    const auto add = [&](const MemoryReport::Row& row) {
        text += row.mName + " " + std::to_string(row.mBytes) + " " + std::to_string(row.mInstances) + " " +
                std::to_string(row.mReferences);
        const char* separator = " [";
        for (const MemoryReport::StaticType& type : row.mStaticTypes) {
            text += separator + type.mName + " " + std::to_string(type.mInstances);
            separator = ", ";
        }
        text += row.mStaticTypes.empty() ? "\n" : "]\n";
    };
    add(report.mTotal);
    for (const MemoryReport::Row& row : report.mRows) add(row);
    return text;
}

TEST(MemoryReport, ReadsTheTotalRowsAndStaticTypes) {
    MemoryReport::Error error;
    const std::optional<MemoryReport> report = MemoryReport::Parse("Total\t96\t3\t6\r\n"
                                                                   "Terrain\t64\t2\t4\tImage<float>\t2\r\n"
                                                                   "\t\t\t\tARefCounted\t0\r\n"
                                                                   "Image<float>\t32\t1\t2\r\n",
                                                                   error);
    ASSERT_TRUE(report) << error.Text();
    EXPECT_EQ(Fields(*report), "Total 96 3 6\nTerrain 64 2 4 [Image<float> 2, ARefCounted 0]\nImage<float> 32 1 2\n");
}

TEST(MemoryReport, AcceptsLineFeedsAndAMissingLastLineEnd) {
    const std::string recorded = "Total\t9\t2\t3\r\nA\t8\t1\t2\tB\t1\r\n\t\t\t\tC\t0\r\nD\t1\t1\t1\r\n";
    for (const std::string& text : {std::string("Total\t9\t2\t3\nA\t8\t1\t2\tB\t1\n\t\t\t\tC\t0\nD\t1\t1\t1\n"),
                                    std::string("Total\t9\t2\t3\r\nA\t8\t1\t2\tB\t1\n\t\t\t\tC\t0\r\nD\t1\t1\t1"),
                                    recorded.substr(0, recorded.size() - 2)})
        EXPECT_EQ(Reread(text), recorded);
}

TEST(MemoryReport, ReadsSignedCountersOfEarlierBuildsAsTheUnsignedOnesTheyWere) {
    EXPECT_EQ(Reread("Total\t-2\t1\t1\r\nBig\t-2\t1\t1\r\n"),
              "Total\t18446744073709551614\t1\t1\r\nBig\t18446744073709551614\t1\t1\r\n");
    EXPECT_EQ(Reread("Total\t-9223372036854775808\t1\t1\r\nBig\t-9223372036854775808\t1\t1\r\n"),
              "Total\t9223372036854775808\t1\t1\r\nBig\t9223372036854775808\t1\t1\r\n");
}

TEST(MemoryReport, RefusesBadInputWithTheLineAndWhatWasExpected) {
    const std::string total = "Total\t8\t1\t1\r\n";
    const std::string notAReport =
        "line 1: not a memory report: it begins with \"Total\", bytes, instances and references";
    const std::string fourColumns = " column; a row has type, bytes, instances and references";
    const std::string misspelled = " is not spelled as the recorder spells names: \\t, \\n, \\r, \\\\ and \\xHH stand for a "
                                   "tab, a line feed, a carriage return, a backslash and any other byte that is not "
                                   "printable UTF-8 text";
    const struct {
        std::string mText;
        std::string mError;
    } cases[] = {
        {"", "line 1: empty: not a memory report"},
        {"Hello\r\n", notAReport},
        {"\r\nTotal\t0\t0\t0\r\n", notAReport},
        {"Total\t1\t1\r\n", "line 1: the Total line has 3 columns; it has \"Total\", bytes, instances and references"},
        {"Total\t1\tx\t1\r\n", "line 1: the instances of \"Total\" are not a number: \"x\""},
        // Rows with a missing or non-numeric column.
        {total + "A\r\n", "line 2: the row of \"A\" has no bytes" + fourColumns},
        {total + "A\t8\t1\r\n", "line 2: the row of \"A\" has no references" + fourColumns},
        {total + "A\t8k\t1\t1\r\n", "line 2: the bytes of \"A\" are not a number: \"8k\""},
        {total + "A\t\t1\t1\r\n", "line 2: the bytes of \"A\" are not a number: \"\""},
        {total + "A\t+8\t1\t1\r\n", "line 2: the bytes of \"A\" are not a number: \"+8\""},
        {total + "A\t8\t 1\t1\r\n", "line 2: the instances of \"A\" are not a number: \" 1\""},
        {total + "A\t8\t1\t18446744073709551616\r\n",
         "line 2: the references of \"A\" are not a number: \"18446744073709551616\""},
        {total + "A\t8\t1\t-9223372036854775809\r\n",
         "line 2: the references of \"A\" are not a number: \"-9223372036854775809\""},
        {total + "A\t8\t1\t1\tB\r\n", "line 2: the static type \"B\" of \"A\" has no instances column"},
        {total + "A\t8\t1\t1\tB\t1\t2\r\n", "line 2: the row of \"A\" has 7 columns; a row has at most six"},
        {total + "A\t8\t1\t1\tB\tone\r\n", "line 2: the instances of static type \"B\" are not a number: \"one\""},
        // Continuation lines.
        {total + "\t\t\t\tB\t1\r\nA\t8\t1\t1\r\n", "line 2: a continuation line with no row before it"},
        {total + "A\t8\t1\t1\r\n\t\t\t\tB\t1\r\n",
         "line 3: a continuation line under the row of \"A\", which has no static type in its fifth column"},
        {total + "A\t8\t1\t1\tB\t1\r\n\t\t\tC\t1\r\n",
         "line 3: a continuation line is four tabs, a static type, a tab and its instances"},
        {total + "A\t8\t1\t1\tB\t1\r\n\t\t\t\tC\tmany\r\n",
         "line 3: the instances of static type \"C\" are not a number: \"many\""},
        // Names the recorder would have spelled otherwise; quotes show at most 200 bytes, escaped.
        {total + "A\\q\t8\t1\t1\r\n", "line 2: the type name \"A\\q\"" + misspelled},
        {total + "A\\\t8\t1\t1\r\n", "line 2: the type name \"A\\\"" + misspelled},
        {total + "A\\x41\t8\t1\t1\r\n", "line 2: the type name \"A\\x41\"" + misspelled},
        {total + "A\\x1b\t8\t1\t1\r\n", "line 2: the type name \"A\\x1b\"" + misspelled},
        {total + "A\x1b[2J\t8\t1\t1\r\n", "line 2: the type name \"A\\x1B[2J\"" + misspelled},
        {total + "A\xff\t8\t1\t1\r\n", "line 2: the type name \"A\\xFF\"" + misspelled},
        {total + "A\rB\t8\t1\t1\r\n", "line 2: the type name \"A\\rB\"" + misspelled},
        {total + "A\t8\t1\t1\tB\\y\t1\r\n", "line 2: the static type \"B\\y\"" + misspelled},
        {total + std::string(1000, 'N') + "\t8k\t1\t1\r\n",
         "line 2: the bytes of \"" + std::string(200, 'N') + "\"... (1000 bytes) are not a number: \"8k\""},
        // What the recorder's arithmetic never gives.
        {"Total\t8\t2\t1\r\nA\t8\t2\t1\r\n", "line 2: the row of \"A\" has more instances (2) than references (1)"},
        {"Total\t0\t0\t0\r\nA\t0\t0\t0\r\n", "line 2: the row of \"A\" has no references"},
        {"Total\t9\t2\t2\r\nA\t1\t1\t1\r\nB\t8\t1\t1\r\n",
         "line 3: the row of \"B\" has more bytes (8) than the row before it (1); rows fall by bytes"},
        {"Total\t8\t1\t3\r\nA\t8\t1\t3\tB\t1\r\n\t\t\t\tC\t1\r\n",
         "line 3: the static types of \"A\" have more instances than its 1"},
        {"Total\t8\t1\t3\r\nA\t8\t1\t3\tB\t2\r\n", "line 2: the static types of \"A\" have more instances than its 1"},
        {total + "A\t8\t1\t1\tA\t0\r\n", "line 2: \"A\" is listed as a static type of its own row"},
        {total + "A\t8\t1\t1\tB\t0\r\n\t\t\t\tB\t0\r\n", "line 3: a second static type \"B\" under \"A\""},
        // A table that does not hold together.
        {total + "\r\nA\t8\t1\t1\r\n", "line 2: an empty line where a row or a continuation line belongs"},
        {"Total\t16\t2\t2\r\nA\t8\t1\t1\r\nA\t8\t1\t1\r\n", "line 3: a second row of \"A\"; the first is on line 2"},
        {"Total\t16\t2\t2\r\nA\t8\t1\t1\r\n",
         "line 1: the Total (bytes 16, instances 2, references 2) is not the sum of the rows (bytes 8, instances 1, "
         "references 1)"},
    };
    for (const auto& bad : cases) {
        MemoryReport::Error error;
        EXPECT_FALSE(MemoryReport::Parse(bad.mText, error)) << bad.mText;
        EXPECT_EQ(error.Text(), bad.mError) << bad.mText;
    }
}

TEST(MemoryReport, RefusesAReportCutShortRatherThanReadingPartOfIt) {
    Tarn::Demo::DemoScene scene(100);
    RecordMemory recorder;
    scene.Measure(recorder);
    const std::string text(recorder.GetResults());
    size_t end = text.size() - 2;  // back to the line end before the last row, past its continuation lines
    do end = text.rfind("\r\n", end - 1);
    while (text[end + 2] == '\t');
    MemoryReport::Error error;
    EXPECT_FALSE(MemoryReport::Parse(text.substr(0, end + 2), error));
    EXPECT_EQ(error.mLine, 1u);
    EXPECT_NE(error.mMessage.find("is not the sum of the rows"), std::string::npos) << error.mMessage;
}

} // namespace
