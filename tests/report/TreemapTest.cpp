// The treemap: the squarified layout on the example of its authors, and the SVG read back by an XML parser: every
// type one rectangle, inside the picture, none overlapping, areas in proportion to bytes, inside its namespace.
#include "examples/DemoScene.h"
#include "tests/report/HostileNames.h"
#include "tests/report/ViewChecks.h"
#include "tools/report/ReportViews.h"
#include "tools/report/Treemap.h"

#include <gtest/gtest.h>
#include <pugixml.hpp>

#include <algorithm>
#include <map>
#include <string>
#include <vector>

namespace {

using namespace Tarn::Utilities;

TEST(Squarify, LaysOutTheExampleOfBrulsHuizingAndVanWijk) {
    // Areas 6, 6, 4, 3, 2, 2, 1 in a 6 by 4 rectangle: a column of two, a row of two, two columns, one last box.
    const std::vector<TreemapBox> boxes = Squarify({6, 6, 4, 3, 2, 2, 1}, {0, 0, 6, 4});
    const std::vector<TreemapBox> expected = {
        {0, 0, 3, 2}, {0, 2, 3, 2}, {3, 0, 12.0 / 7, 7.0 / 3}, {3 + 12.0 / 7, 0, 9.0 / 7, 7.0 / 3},
        {3, 7.0 / 3, 1.2, 5.0 / 3}, {4.2, 7.0 / 3, 1.2, 5.0 / 3}, {5.4, 7.0 / 3, 0.6, 5.0 / 3}};
    ASSERT_EQ(boxes.size(), expected.size());
    for (size_t i = 0; i < boxes.size(); ++i) {
        EXPECT_NEAR(boxes[i].mX, expected[i].mX, 1e-9) << i;
        EXPECT_NEAR(boxes[i].mY, expected[i].mY, 1e-9) << i;
        EXPECT_NEAR(boxes[i].mWidth, expected[i].mWidth, 1e-9) << i;
        EXPECT_NEAR(boxes[i].mHeight, expected[i].mHeight, 1e-9) << i;
    }
}

MemoryReport Read(const std::string& text) {
    MemoryReport::Error error;
    std::optional<MemoryReport> report = MemoryReport::Parse(text, error);
    EXPECT_TRUE(report) << error.Text();
    return report ? *report : MemoryReport{};
}

struct Box {
    double mX, mY, mWidth, mHeight;
    bool Inside(const Box& outer) const {
        const double slack = 1e-6;
        return mX >= outer.mX - slack && mY >= outer.mY - slack && mX + mWidth <= outer.mX + outer.mWidth + slack &&
               mY + mHeight <= outer.mY + outer.mHeight + slack;
    }
    bool Overlaps(const Box& other) const {
        const double across = std::min(mX + mWidth, other.mX + other.mWidth) - std::max(mX, other.mX);
        const double down = std::min(mY + mHeight, other.mY + other.mHeight) - std::max(mY, other.mY);
        return across > 1e-6 && down > 1e-6;
    }
};

Box BoxOf(const pugi::xml_node& rect) {
    return {rect.attribute("x").as_double(), rect.attribute("y").as_double(), rect.attribute("width").as_double(),
            rect.attribute("height").as_double()};
}

std::string TitleOf(const pugi::xml_node& node) { return node.child_value("title"); }

// Everything the picture promises, checked against the report it was drawn from.
void ExpectSoundTreemap(const MemoryReport& report) {
    const std::string svg = Treemap(report);
    ASSERT_EQ(XmlFault(svg), "");
    pugi::xml_document document;
    const pugi::xml_parse_result parsed = document.load_string(svg.c_str());
    ASSERT_TRUE(parsed) << parsed.description() << " at " << parsed.offset;
    const pugi::xml_node root = document.child("svg");
    ASSERT_TRUE(root);
    const Box canvas{0, 0, root.attribute("width").as_double(), root.attribute("height").as_double()};

    std::map<std::string, Box> outlines;  // by namespace
    for (const pugi::xpath_node outline : document.select_nodes("//rect[@class='namespace']")) {
        const std::string title = TitleOf(outline.node());
        outlines[title.substr(0, title.find(": "))] = BoxOf(outline.node());
    }

    std::map<std::string, Box> boxes;  // by type, from the first line of each tooltip
    double area = 0, bytes = 0;
    for (const pugi::xpath_node group : document.select_nodes("//g[@class='namespace']")) {
        const std::string space = group.node().attribute("data-namespace").value();
        ASSERT_TRUE(outlines.count(space)) << space;
        for (const pugi::xml_node rect : group.node().children("rect")) {
            const std::string title = TitleOf(rect);
            const std::string type = title.substr(0, title.find('\n'));
            const Box box = BoxOf(rect);
            EXPECT_TRUE(box.Inside(canvas)) << type;
            EXPECT_TRUE(box.Inside(outlines[space])) << type << " outside " << space;
            const std::string_view expected = NamespaceOf(type);
            EXPECT_EQ(space, expected.empty() ? "(global)" : std::string(expected)) << type;
            EXPECT_TRUE(boxes.emplace(type, box).second) << "two rectangles for " << type;
            area += box.mWidth * box.mHeight;
        }
    }

    // One rectangle per type with bytes, its area the same number of square pixels a byte as every other.
    size_t withBytes = 0;
    for (const MemoryReport::Row& row : report.mRows) withBytes += row.mBytes != 0, bytes += double(row.mBytes);
    ASSERT_EQ(boxes.size(), withBytes);
    const double perByte = area / bytes;
    for (const MemoryReport::Row& row : report.mRows) {
        if (!row.mBytes) continue;
        const std::string name = MemoryReport::EscapeName(row.mName);  // as the picture shows it
        ASSERT_TRUE(boxes.count(name)) << name;
        const Box& box = boxes[name];
        EXPECT_NEAR(box.mWidth * box.mHeight / (double(row.mBytes) * perByte), 1.0, 0.01) << name;
    }
    for (auto a = boxes.begin(); a != boxes.end(); ++a)
        for (auto b = std::next(a); b != boxes.end(); ++b)
            EXPECT_FALSE(a->second.Overlaps(b->second)) << a->first << " and " << b->first;
}

TEST(Treemap, HandMadeReportOfExtremesAndEscapedNames) {
    // Bytes from 2^40 down to 1, names that XML must escape, a type of no bytes, four namespaces and global scope.
    MemoryReport report;
    const std::pair<const char*, uint64_t> types[] = {
        {"Tarn::Devices::Texture", uint64_t(1) << 40},
        {"Tarn::Devices::Buffer", 1000000000},
        {"Tarn::Objects::Point<float>*", 3000000},
        {"Tarn::Objects::_HashTable<Tarn::Objects::_KeyValue<A*, B&>, B*>::ValueList*", 2000000},
        {"Dx10 VertexBuffer", 2000000},
        {"Tarn::Graphics::Node \"quoted\" & <bracketed>", 999},
        {"Tarn::Graphics::GroupNode", 0},
        {"Tarn::Text::Glyph", 1},
        {"unsigned char*", 48}};
    for (const auto& [name, bytes] : types) {
        report.mRows.push_back({name, bytes, 1, 1, {}});
        report.mTotal.mBytes += bytes;
        ++report.mTotal.mInstances;
        ++report.mTotal.mReferences;
    }
    ExpectSoundTreemap(report);
    ExpectSoundTreemap(Read("Total\t0\t0\t0\r\n"));
}

TEST(Treemap, NamesOfAnyBytes) { ExpectSoundTreemap(HostileReport()); }

TEST(Treemap, DemoScene) {
    Tarn::Demo::DemoScene scene(1000);
    RecordMemory recorder;
    scene.Measure(recorder);
    ExpectSoundTreemap(Read(std::string(recorder.GetResults())));
}

TEST(Treemap, LabelsWhatFitsWithItsShortName) {
    const std::string svg = Treemap(Read("Total\t1001\t2\t2\r\nTarn::Devices::Texture\t1000\t1\t1\r\n"
                                         "Tarn::Devices::VeryLongNameThatCannotFitInItsLittleBox\t1\t1\t1\r\n"));
    pugi::xml_document document;
    ASSERT_TRUE(document.load_string(svg.c_str()));
    std::vector<std::string> labels;
    for (const pugi::xpath_node text : document.select_nodes("//g[@class='labels']/text"))
        labels.push_back(text.node().text().get());
    EXPECT_EQ(labels, (std::vector<std::string>{"Texture", "1000 B", "Tarn::Devices"}));
}

} // namespace
