// Effect parameter values: one value booked by its type code, and a values object walked against its parameter set.
#include "Probe.h"

#include "engine/devices/Devices.h"
#include "utilities/memory/RecordMemory.h"
#include "utilities/walk/IWalkObject.h"

#include <gtest/gtest.h>

#include <memory>
#include <ostream>
#include <string>
#include <vector>

namespace {

using namespace Tarn::Devices;
using namespace Tarn::Testing::Reports;
using Tarn::Utilities::IWalkObject;
using Tarn::Utilities::RecordMemory;

const std::string kNothing = Total(0, 0, 0);

// ---- RecordValue: one row of the type-code table each

enum class Value { Block, Null, Texture, Sampler };

struct ValueCase {
    int mCode;
    int mCount;
    Value mValue;
    std::string mName;  // what is booked; empty for nothing
    size_t mBytes;
};

void PrintTo(const ValueCase& c, std::ostream* os) {
    *os << "code " << c.mCode << ", count " << c.mCount << (c.mValue == Value::Null ? ", null" : "");
}

class ParameterRecordValue : public ::testing::TestWithParam<ValueCase> {};

TEST_P(ParameterRecordValue, BooksTheValueItsTypeCodeDescribes) {
    const ValueCase& c = GetParam();
    alignas(16) unsigned char elements[256] = {};
    TextureInstance texture;
    ASamplerState sampler;
    void* const values[] = {elements, nullptr, &texture, &sampler};  // by Value
    void* value = values[int(c.mValue)];
    RecordMemory recorder;
    IWalkObject::RecordValue(value, AParameter::EType(c.mCode), c.mCount, &recorder);
    const std::string expected = c.mName.empty() ? kNothing : Total(c.mBytes, 1, 1) + Row(c.mName, c.mBytes, 1, 1);
    EXPECT_EQ(std::string(recorder.GetResults()), expected);
}

INSTANTIATE_TEST_SUITE_P(
    TypeCodes, ParameterRecordValue,
    ::testing::Values(
        // Blocks of count elements; a count below one is one element.
        ValueCase{7, 0, Value::Block, "Tarn::vec3<float>*", 12},
        ValueCase{11, 2, Value::Block, "Tarn::vec3<float>*", 24},
        ValueCase{9, 3, Value::Block, "Tarn::mat4<float>*", 192},
        ValueCase{10, 1, Value::Block, "Tarn::mat4<float>*", 64},
        ValueCase{2, 5, Value::Block, "bool*", 5}, ValueCase{22, 3, Value::Block, "bool*", 3},
        ValueCase{3, -4, Value::Block, "int*", 4}, ValueCase{21, 2, Value::Block, "int*", 8},
        ValueCase{4, 2, Value::Block, "long long*", 16}, ValueCase{5, 1, Value::Block, "float*", 4},
        ValueCase{6, 2, Value::Block, "Tarn::vec2<float>*", 16},
        ValueCase{8, 2, Value::Block, "Tarn::vec4<float>*", 32},
        ValueCase{12, -1, Value::Block, "Tarn::vec4<float>*", 16},
        ValueCase{24, 2, Value::Block, "Tarn::Objects::_Box2*", 32},
        ValueCase{40, 2, Value::Block, "Tarn::Objects::SBox3*", 128},
        ValueCase{41, 3, Value::Block, "Tarn::vec2<int>*", 24},
        ValueCase{42, 2, Value::Block, "Tarn::vec3<int>*", 24},
        ValueCase{43, 1, Value::Block, "Tarn::vec4<int>*", 16},
        // One object walked, whatever the count.
        ValueCase{13, 4, Value::Texture, "Tarn::Devices::TextureInstance", sizeof(TextureInstance)},
        ValueCase{16, 0, Value::Texture, "Tarn::Devices::TextureInstance", sizeof(TextureInstance)},
        ValueCase{17, 9, Value::Sampler, "Tarn::Devices::ASamplerState", sizeof(ASamplerState)},
        // Nothing: a null value, or a code without handling.
        ValueCase{7, 2, Value::Null, "", 0}, ValueCase{14, 1, Value::Null, "", 0},
        ValueCase{0, 1, Value::Block, "", 0}, ValueCase{1, 1, Value::Block, "", 0},
        ValueCase{18, 1, Value::Block, "", 0}, ValueCase{31, 1, Value::Block, "", 0},
        ValueCase{34, 1, Value::Block, "", 0}, ValueCase{39, 1, Value::Block, "", 0},
        ValueCase{44, 1, Value::Block, "", 0}, ValueCase{-1, 1, Value::Block, "", 0},
        ValueCase{-7, 3, Value::Block, "", 0}),
    [](const ::testing::TestParamInfo<ValueCase>& info) {
        const ValueCase& c = info.param;
        const auto number = [](int n) { return (n < 0 ? "Minus" : "") + std::to_string(n < 0 ? -n : n); };
        return "Code" + number(c.mCode) + "Count" + number(c.mCount) + (c.mValue == Value::Null ? "Null" : "");
    });

// ---- WalkParameterValues

// Notes every index it is asked for.
class IndexLog : public AParameterSet {
public:
    AParameter* operator[](int index) override {
        mIndices.push_back(index);
        return AParameterSet::operator[](index);
    }
    std::vector<int> mIndices;
};

// Four parameters: 0 a texture, 1 a colour array of size -1, 2 a float without a value, 3 64-bit integers.
class ParameterValuesWalk : public ::testing::Test {
protected:
    ParameterValuesWalk() {
        for (AParameter* parameter : {&mTextureParameter, &mColor, &mScale, &mIds}) mSet.mParameters.Add(parameter);
        mValues->Set(0, &mTexture);
        mValues->Set(1, mColorValue);
        mValues->Set(3, mIdValues);
    }
    std::string Walk(ParameterValues* values, AParameterSet* set) {
        IWalkObject::WalkParameterValues(values, set, &mRecorder);
        return std::string(mRecorder.GetResults());
    }

    AParameter mTextureParameter{AParameter::kTexture2D, 1}, mColor{AParameter::kColor3, -1};
    AParameter mScale{AParameter::kFloat, 2}, mIds{AParameter::kInt64, 3};
    IndexLog mSet;
    std::unique_ptr<ParameterValues> mValues{ParameterValues::Create(4)};
    TextureInstance mTexture;
    float mColorValue[3] = {};
    long long mIdValues[3] = {};
    RecordMemory mRecorder;
};

TEST_F(ParameterValuesWalk, BooksTheValuesObjectThenWalksParametersFromTheLastAskingEachTwice) {
    const std::string report = Walk(mValues.get(), &mSet);
    EXPECT_EQ(mSet.mIndices, (std::vector<int>{3, 3, 1, 1, 0, 0}));
    const size_t total = 84 + 12 + sizeof(TextureInstance);
    EXPECT_EQ(report.substr(0, report.find('\n') + 1), Total(total, 3, 3));
    EXPECT_NE(report.find(Row("Tarn::Devices::ParameterValues", 48 + 32 + 4, 1, 1)), std::string::npos);
    EXPECT_NE(report.find(Row("Tarn::vec3<float>*", 12, 1, 1)), std::string::npos);
    EXPECT_NE(report.find(Row("Tarn::Devices::TextureInstance", sizeof(TextureInstance), 1, 1)), std::string::npos);
    EXPECT_EQ(report.find("long long*"), std::string::npos);  // 64-bit integers have no accessor here
}

TEST_F(ParameterValuesWalk, ValuesSeenBeforeAreWalkedAgainAsRepeats) {
    Walk(mValues.get(), &mSet);
    const std::string report = Walk(mValues.get(), &mSet);
    EXPECT_EQ(mSet.mIndices.size(), 12u);
    EXPECT_NE(report.find(Row("Tarn::Devices::ParameterValues", 84, 1, 2)), std::string::npos);
    EXPECT_NE(report.find(Row("Tarn::vec3<float>*", 12, 1, 2)), std::string::npos);
    EXPECT_NE(report.find(Row("Tarn::Devices::TextureInstance", sizeof(TextureInstance), 1, 2)), std::string::npos);
}

TEST_F(ParameterValuesWalk, SetWithoutParametersBooksOnlyTheValuesObject) {
    IndexLog empty;
    const std::string expected = Total(48, 1, 1) + Row("Tarn::Devices::ParameterValues", 48, 1, 1);
    EXPECT_EQ(Walk(mValues.get(), &empty), expected);
    EXPECT_TRUE(empty.mIndices.empty());
    RecordMemory recorder;
    IWalkObject::WalkParameterValues(mValues.get(), nullptr, &recorder);
    EXPECT_EQ(std::string(recorder.GetResults()), expected);
}

TEST_F(ParameterValuesWalk, NullValuesObjectBooksNothingAndAsksNothing) {
    EXPECT_EQ(Walk(nullptr, &mSet), kNothing);
    EXPECT_TRUE(mSet.mIndices.empty());
}

TEST_F(ParameterValuesWalk, NullParameterIsSkippedAndTheWalkGoesOn) {
    mSet.mParameters[1] = nullptr;
    const std::string report = Walk(mValues.get(), &mSet);
    EXPECT_EQ(report.find("Tarn::vec3<float>*"), std::string::npos);
    EXPECT_NE(report.find(Row("Tarn::Devices::TextureInstance", sizeof(TextureInstance), 1, 1)), std::string::npos);
    EXPECT_EQ(mSet.mIndices.back(), 0);
}

} // namespace
