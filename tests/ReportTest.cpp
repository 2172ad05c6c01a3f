// The report text, byte for byte.
#include "utilities/memory/RecordMemory.h"

#include <gtest/gtest.h>

#include <stdexcept>
#include <string>

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

} // namespace
