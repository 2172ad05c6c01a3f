// The report text, byte for byte.
#include "utilities/memory/MemoryReport.h"
#include "utilities/memory/RecordMemory.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <map>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

namespace {

using Tarn::Utilities::RecordMemory;

std::string Report(const RecordMemory& recorder) { return std::string(recorder.GetResults()); }

TEST(Report, EmptyRecorderHasOnlyTheTotalLine) {
    RecordMemory recorder;
    EXPECT_EQ(Report(recorder), "Total\t0\t0\t0\r\n");
}

TEST(Report, TypeUnderItsOwnNameHasFourColumns) {
    RecordMemory recorder;
    recorder.RecordObject("Tarn::Objects::SharedMatrix", "Tarn::Objects::SharedMatrix", 144, true);
    EXPECT_EQ(Report(recorder), "Total\t144\t1\t1\r\nTarn::Objects::SharedMatrix\t144\t1\t1\r\n");
}

TEST(Report, OneOtherStaticTypeFollowsOnTheSameLine) {
    RecordMemory recorder;
    recorder.RecordObject("Image", "Image", 64, true);
    recorder.RecordObject("Image", "ARefCounted", 64, true);
    recorder.RecordObject("Image", "ARefCounted", 64, false);
    EXPECT_EQ(Report(recorder), "Total\t128\t2\t3\r\nImage\t128\t2\t3\tARefCounted\t1\r\n");
}

TEST(Report, FurtherStaticTypesGoOnContinuationLinesInReverseBucketOrder) {
    // Buckets of 41: "B" and "Aw" share 17, "C" is 18, "D" 19. Within a bucket the latest comes first.
    RecordMemory recorder;
    for (const char* staticName : {"C", "B", "D", "Aw"}) recorder.RecordObject("X", staticName, 8, true);
    EXPECT_EQ(Report(recorder),
              "Total\t32\t4\t4\r\n"
              "X\t32\t4\t4\tD\t1\r\n"
              "\t\t\t\tC\t1\r\n"
              "\t\t\t\tAw\t1\r\n"
              "\t\t\t\tB\t1\r\n");
}

TEST(Report, PairSeenOnlyOnRepeatsIsListedWithNoInstances) {
    RecordMemory recorder;
    recorder.RecordObject("Node", "Node", 32, true);
    recorder.RecordObject("Node", "ISpatialNode", 32, false);
    recorder.RecordObject("Node", "ISpatialNode", 32, false);
    EXPECT_EQ(Report(recorder), "Total\t32\t1\t3\r\nNode\t32\t1\t3\tISpatialNode\t0\r\n");
}

TEST(Report, RowsFallByByteTotal) {
    RecordMemory recorder;
    recorder.RecordObject("small", "small", 8, true);
    recorder.RecordObject("large", "large", 800, true);
    recorder.RecordObject("middle", "middle", 80, true);
    recorder.RecordObject("middle", "middle", 80, true);
    EXPECT_EQ(Report(recorder),
              "Total\t968\t4\t4\r\n"
              "large\t800\t1\t1\r\n"
              "middle\t160\t2\t2\r\n"
              "small\t8\t1\t1\r\n");
}

TEST(Report, AskingTwiceChangesNothingAndSeesLaterBookings) {
    RecordMemory recorder;
    recorder.RecordObject("A", "A", 1, true);
    const std::string first = Report(recorder);
    EXPECT_EQ(Report(recorder), first);
    recorder.RecordObject("A", "A", 1, true);
    EXPECT_EQ(Report(recorder), "Total\t2\t2\t2\r\nA\t2\t2\t2\r\n");
}

TEST(Report, HugeNumbersPrintInFull) {
    RecordMemory recorder;
    for (int i = 0; i < 3; ++i) recorder.RecordObject("Big", "Big", size_t(1) << 40, true);
    EXPECT_EQ(Report(recorder), "Total\t3298534883328\t3\t3\r\nBig\t3298534883328\t3\t3\r\n");
}

TEST(Report, NamesOfAnyLengthKeepTheirRowsWholeAndTheirNumbers) {
    RecordMemory recorder;
    const std::string dynamicName(10000, 'D'), staticName(10000, 'S'), otherName(4200, 'O');
    recorder.RecordObject(dynamicName.c_str(), staticName.c_str(), 7, true);
    recorder.RecordObject(dynamicName.c_str(), otherName.c_str(), 5, true);
    recorder.RecordObject("Small", "Small", 3, true);
    EXPECT_EQ(Report(recorder), "Total\t15\t3\t3\r\n" + dynamicName + "\t12\t2\t2\t" + otherName + "\t1\r\n\t\t\t\t" +
                                    staticName + "\t1\r\nSmall\t3\t1\t1\r\n");
}

TEST(Report, CountersPrintAsUnsignedSixtyFourBitNumbers) {
    RecordMemory recorder;
    recorder.RecordObject("Huge", "Huge", size_t(1) << 63, true);
    recorder.RecordObject("Huger", "Huger", ~size_t(0), true);
    EXPECT_EQ(Report(recorder), "Total\t9223372036854775807\t2\t2\r\n"  // the sum wraps, as 64-bit counters do
                                "Huger\t18446744073709551615\t1\t1\r\nHuge\t9223372036854775808\t1\t1\r\n");
}

TEST(Report, ANullNameIsRefusedWhereItIsPassed) {
    RecordMemory recorder;
    EXPECT_THROW(recorder.RecordObject(nullptr, "Static", 1, true), std::invalid_argument);
    EXPECT_THROW(recorder.RecordObject("Dynamic", nullptr, 1, true), std::invalid_argument);
    EXPECT_EQ(Report(recorder), "Total\t0\t0\t0\r\n");
}

// Rows and their static types in the order that chained tables of 256 and 41 buckets, enumerated from their last
// entry to their first, and the C library's qsort by bytes give: the order the report was first defined by.
std::vector<std::string> ChainedTableOrder(const std::vector<std::pair<std::string, std::string>>& bookings,
                                           size_t (*bytes)(size_t)) {
    using Table = Tarn::Objects::_HashMap<uint64_t, const char*, Tarn::Objects::_StringHasher<char>>;
    Table types(256);
    std::map<std::string, std::unique_ptr<Table>> statics;
    for (size_t i = 0; i < bookings.size(); ++i) {
        const auto& [dynamicName, staticName] = bookings[i];
        *types.FindOrAdd(dynamicName.c_str(), 0) += bytes(i);
        std::unique_ptr<Table>& table = statics[dynamicName];
        if (!table) table = std::make_unique<Table>(41);
        table->FindOrAdd(staticName.c_str(), 0);
    }
    struct Row {
        const char* mName;
        uint64_t mBytes;
    };
    std::vector<Row> rows;
    types.ForEachBackward([&](auto& entry) { rows.push_back({entry.mKey, entry.mValue}); });
    std::qsort(rows.data(), rows.size(), sizeof(Row), [](const void* a, const void* b) {
        const uint64_t left = static_cast<const Row*>(a)->mBytes, right = static_cast<const Row*>(b)->mBytes;
        return left > right ? 1 : left < right ? -1 : 0;
    });
    std::vector<std::string> order;
    for (auto row = rows.rbegin(); row != rows.rend(); ++row) {
        std::string line = row->mName;
        statics[row->mName]->ForEachBackward([&](auto& entry) {
            if (std::strcmp(entry.mKey, row->mName) != 0) line += " " + std::string(entry.mKey);
        });
        order.push_back(line);
    }
    return order;
}

TEST(Report, ManyNamesKeepTheOrderOfTheFixedTables) {
    // Thousands of types of a few byte totals (ties everywhere), some reached through dozens of static types.
    std::vector<std::pair<std::string, std::string>> bookings;
    for (int i = 0; i < 5000; ++i) {
        const std::string name = "Tarn::Type" + std::to_string(i * 7919 % 5000);
        bookings.push_back({name, name});
        if (i % 250 == 0)
            for (int s = 0; s < 60; ++s) bookings.push_back({name, "Base" + std::to_string(s * 31 % 60)});
    }
    const auto bytes = [](size_t i) { return i % 4 * 16; };
    RecordMemory recorder;
    for (size_t i = 0; i < bookings.size(); ++i)
        recorder.RecordObject(bookings[i].first.c_str(), bookings[i].second.c_str(), bytes(i), true);
    Tarn::Utilities::MemoryReport::Error error;
    const std::optional<Tarn::Utilities::MemoryReport> report =
        Tarn::Utilities::MemoryReport::Parse(Report(recorder), error);
    ASSERT_TRUE(report) << error.Text();
    std::vector<std::string> order;
    for (const auto& row : report->mRows) {
        order.push_back(row.mName);
        for (const auto& other : row.mStaticTypes) order.back() += " " + other.mName;
    }
    EXPECT_EQ(order, ChainedTableOrder(bookings, bytes));
}

// A recorder that refuses reports longer than a given length, as GetResults refuses those over 2^31 - 1 bytes.
class LimitedRecorder : public RecordMemory {
public:
    using RecordMemory::ResultsWithin;
};

TEST(Report, AReportLongerThanItMayBeIsRefusedWhole) {
    LimitedRecorder recorder;
    recorder.RecordObject("Tab\tName", "Tab\tName", 8, true);  // counted as written, escaped
    const std::string text = Report(recorder);
    ASSERT_EQ(text, "Total\t8\t1\t1\r\nTab\\tName\t8\t1\t1\r\n");
    EXPECT_EQ(std::string(recorder.ResultsWithin(text.size())), text);
    try {
        recorder.ResultsWithin(text.size() - 1);
        ADD_FAILURE() << "not refused";
    } catch (const std::length_error& refusal) {
        EXPECT_STREQ(refusal.what(), "RecordMemory::GetResults: the report would be 30 bytes, more than the 29 a "
                                     "report may have");
    }
}

#if !defined(__SANITIZE_ADDRESS__) && !defined(__SANITIZE_THREAD__)  // seconds of hashing there
TEST(Report, AReportOverTwoGibibytesIsRefusedRatherThanCrashing) {
    // 65,536 names, each a suffix of one 64 KiB text: 2^31 + 2^15 bytes of names, held in 64 KiB.
    const std::string text(65536, 'N');
    RecordMemory recorder;
    for (size_t i = 0; i < text.size(); ++i) recorder.RecordObject("Owner", text.c_str() + i, 0, false);
    EXPECT_THROW(recorder.GetResults(), std::length_error);
}
#endif

} // namespace
