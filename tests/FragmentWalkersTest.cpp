// Fragment walkers: fragments and their embedded parameter sets, procedural and pass fragments, fragment graphs,
// fragment instances with their constant-buffer bindings, and lights.
#include "WalkerTest.h"

#include "engine/devices/Devices.h"
#include "engine/graphics/Fragments.h"
#include "platform/TypeNames.h"
#include "utilities/walk/IWalkObject.h"
#include "utilities/walk/Walking.h"

#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

namespace {

using namespace Tarn::Devices;
using namespace Tarn::Objects;
using namespace Tarn::Testing;
using namespace Tarn::Testing::Reports;
using Tarn::Platform::ReadableNameOf;
using Tarn::Utilities::RecordMemory;
using Tarn::Utilities::WalkObjectImpl;
using Tarn::Utilities::WalkPointer;

class FragmentWalkers : public WalkerTest {
protected:
    // Gives a fragment a keyword list, a parameter with a value, a probe on its output set and a callback.
    void Furnish(AFragment& fragment) {
        mKeywords.Add(Intern(L"fragment keyword"));
        mParameter.mValue = mParameterValue;
        fragment.mKeywords = &mKeywords;
        fragment.mInputs.mParameters.Add(&mParameter);
        fragment.mOutputs.Attach(&mOutputTag.mLink);
        fragment.mCallback = &mCallback;
    }

    KeywordList mKeywords;
    AParameter mParameter{AParameter::kFloat4, 2};
    float mParameterValue[8] = {};
    ProbeAttachment mOutputTag{7};
    FromXmlCallback mCallback;
};

// Every procedural fragment charges exactly what an AFragment charges, under its own name and size.
template <class F> class FragmentKinds : public FragmentWalkers {};
using AFragmentWalked = ::testing::Types<
    AProcFragment, Tarn::Graphics::ScriptFragment, Tarn::Graphics::ComposeRegionFragment,
    Tarn::Utilities::NPR_DownSampleToBlackWhitePassMarginFragment,
    Tarn::Utilities::NPR_FastBlurPostProcessPassMarginFragment,
    Tarn::Utilities::VE_ClearFragmentMarginFragment, Tarn::Utilities::VE_Draw3DFragmentMarginFragment,
    Tarn::Utilities::NPR_LineMaskPassMarginFragment, Tarn::Utilities::NPR_FaceMaskPassMarginFragment,
    Tarn::Utilities::NPR_BicolorDilationPassMarginFragment, Tarn::Utilities::NPR_SelectionCompositePassMarginFragment,
    Tarn::Utilities::NPR_DilationIdPassMarginFragment, Tarn::Utilities::NPR_DepthIdPassMarginFragment,
    Tarn::Utilities::NPR_ObjectHaloPassMarginFragment>;
TYPED_TEST_SUITE(FragmentKinds, AFragmentWalked);

TYPED_TEST(FragmentKinds, ReachedAsAFragmentChargesWhatAFragmentChargesUnderItsOwnName) {
    AFragment plain;
    TypeParam fragment;
    this->Furnish(plain);
    this->Furnish(fragment);
    std::multiset<std::string> expected = Rows(this->Walk(&plain));
    const std::string report = ReachAlone(static_cast<AFragment*>(&fragment));
    ASSERT_EQ(expected.erase(Row("Tarn::Devices::AFragment", sizeof(AFragment), 1, 1)), 1u);
    expected.insert(Row(ReadableNameOf<TypeParam>(), sizeof(TypeParam), 1, 1));
    EXPECT_EQ(Rows(report), expected);
    EXPECT_TRUE(Booked(report, "Tarn::Devices::KeywordList"));
    EXPECT_TRUE(Has(report, Row("Tarn::vec4<float>*", 32, 1, 1)));
}

TEST_F(FragmentWalkers, FragmentWalksBothParameterSetsAttachmentsEvenWithoutParameters) {
    AFragment fragment;
    ProbeAttachment inputs(1), outputs(2);
    fragment.mInputs.Attach(&inputs.mLink);
    fragment.mOutputs.Attach(&outputs.mLink);
    fragment.mKeywords = &mKeywords;
    fragment.mCallback = &mCallback;
    const std::string report = Walk(&fragment);
    EXPECT_EQ(ProbeOrder(), (std::vector<int>{1, 2}));
    EXPECT_TRUE(Booked(ProbeLog()[0].mReportSoFar, "Tarn::Devices::KeywordList"));
    EXPECT_FALSE(Booked(ProbeLog()[1].mReportSoFar, "Tarn::Devices::FromXmlCallback"));
    EXPECT_TRUE(Has(report, Row("Tarn::Objects::Attachment", 2 * sizeof(Attachment), 2, 2)));
    EXPECT_TRUE(Has(report, Row("Tarn::Devices::FromXmlCallback", sizeof(FromXmlCallback), 1, 1)));
    EXPECT_FALSE(Booked(report, "Tarn::Devices::AParameter**"));
}

TEST_F(FragmentWalkers, GraphBooksItsFragmentArrayThenWalksFragmentsFromTheLastSkippingNulls) {
    FragmentGraph graph;
    AFragment first, last;
    ProbeAttachment own(9), firstTag(0), lastTag(2);
    graph.mInputs.Attach(&own.mLink);
    first.mInputs.Attach(&firstTag.mLink);
    last.mInputs.Attach(&lastTag.mLink);
    for (AFragment* fragment : {&first, static_cast<AFragment*>(nullptr), &last}) graph.mFragments.Add(fragment);
    const std::string report = Walk(&graph);
    EXPECT_EQ(ProbeOrder(), (std::vector<int>{9, 2, 0}));
    EXPECT_FALSE(Booked(ProbeLog()[0].mReportSoFar, "Tarn::Devices::AFragment**"));
    EXPECT_TRUE(Has(ProbeLog()[1].mReportSoFar, Row("Tarn::Devices::AFragment**", 6 * 8, 1, 1)));
    EXPECT_TRUE(Has(report, Row("Tarn::Devices::AFragment", 2 * sizeof(AFragment), 2, 2)));
}

TEST_F(FragmentWalkers, StyleGraphReachedAsAFragmentIsBookedAsItself) {
    Tarn::Graphics::StyleGraph style;
    AFragment member;
    style.mFragments.Add(&member);
    const std::string report = ReachAlone(static_cast<AFragment*>(&style));
    EXPECT_TRUE(Has(report, Row("Tarn::Graphics::StyleGraph", sizeof(style), 1, 1)));
    EXPECT_TRUE(Has(report, Row("Tarn::Devices::AFragment**", 2 * 8, 1, 1)));
    EXPECT_TRUE(Has(report, Row("Tarn::Devices::AFragment", sizeof(member), 1, 1)));
}

TEST_F(FragmentWalkers, InstanceWalksItsPartFragmentThenBufferTargetsFromTheLastThenTheBindingArray) {
    AFragmentInstance instance;
    AFragment fragment;
    AConstantBuffer first, last;
    ProbeAttachment own(10), fragmentTag(11), firstTag(0), lastTag(2);
    instance.Attach(&own.mLink);
    fragment.mInputs.Attach(&fragmentTag.mLink);
    first.Attach(&firstTag.mLink);
    last.Attach(&lastTag.mLink);
    instance.mFragment = &fragment;
    instance.mConstantBuffers.Add({0, &first});
    instance.mConstantBuffers.Add({1, nullptr});
    instance.mConstantBuffers.Add({2, &last});
    const std::string report = Walk(&instance);
    EXPECT_EQ(ProbeOrder(), (std::vector<int>{10, 11, 2, 0}));
    EXPECT_FALSE(Booked(ProbeLog().back().mReportSoFar, "Tarn::Devices::CBInstance*"));
    EXPECT_TRUE(Has(report, Row("Tarn::Devices::CBInstance*", 16 * 6, 1, 1)));
    EXPECT_TRUE(Has(report, Row("Tarn::Devices::AConstantBuffer", 2 * sizeof(AConstantBuffer), 2, 2)));
}

TEST_F(FragmentWalkers, LightWalksOnlyTheShadowMapOfItsPropertiesAndNoneWithoutThem) {
    LightInstance light;
    SharedMatrix transform;
    SamplePointSet<Tarn::vec3<float>> samples;
    AShadower shadower;
    ShadeFragment shadowFragment;
    shadower.mShadowFragment = &shadowFragment;
    light.mTransform = &transform;
    light.mSamplePoints = &samples;
    light.mShadower = &shadower;
    std::string report = Walk(&light);
    EXPECT_FALSE(Booked(report, "Tarn::Devices::TextureInstance"));
    for (const char* name : {"Tarn::Objects::SharedMatrix", "Tarn::Devices::SamplePointSet<Tarn::vec3<float> >",
                             "Tarn::Devices::ShadeFragment"})
        EXPECT_TRUE(Booked(report, name)) << name;

    BasicLightProperties properties;
    TextureInstance shadowMap;
    properties.mShadowMap = &shadowMap;
    light.mProperties = &properties;
    report = ReachAlone(static_cast<AAttachable*>(&light));
    EXPECT_TRUE(Has(report, Row("Tarn::Devices::TextureInstance", sizeof(shadowMap), 1, 1)));
    EXPECT_FALSE(Booked(report, "Tarn::Devices::BasicLightProperties"));
}

// ---- What each walker visits, in order, and exactly what it books

// A fragment's own part: keywords, both parameter sets (their attachable parts), the callback.
void FragmentPart(AFragment& fragment, Probes& p) {
    fragment.mKeywords = p.As<KeywordList>();
    p.Tag(fragment.mInputs);
    p.Tag(fragment.mOutputs);
    fragment.mCallback = p.As<FromXmlCallback>();
}

// A fragment instance's part: its attachable part, its fragment, then its constant-buffer bindings.
void InstancePart(AFragmentInstanceBase& instance, Probes& p) {
    p.Tag(instance);
    instance.mFragment = p.As<AFragment>();
    instance.mConstantBuffers.Add({0, p.As<IParameterActivationTarget>()});
}

const Visits kFragmentVisits[] = {
    {"GraphicSchemeItsPartInstancesLightsEnvironmentFragmentPostInstancesLightSetThenOit",
     [](Probes& p) {
         GraphicScheme scheme;
         p.Tag(scheme);
         p.Fill<AFragmentInstance>(scheme.mInstances, 1);
         p.Fill<LightInstance>(scheme.mLights, 1);
         scheme.mEnvironment = p.As<AFragmentInstance>();
         scheme.mFragment = p.As<AFragment>();
         p.Fill<AFragmentInstance>(scheme.mPostInstances, 1);
         scheme.mLightSet = p.As<LightSet>();
         scheme.mOIT = p.As<OITInstance>();
         return WalkAlone(&scheme);
     },
     {One<GraphicScheme>(), Row("Tarn::Devices::AFragmentInstance**", 2 * 16, 2, 2),
      Row("Tarn::Devices::LightInstance**", 16, 1, 1)},
     {{2, "Tarn::Devices::AFragmentInstance**"}, {3, "Tarn::Devices::LightInstance**"},
      {6, Row("Tarn::Devices::AFragmentInstance**", 2 * 16, 2, 2)}}},
    {"ShadeFragmentItsFragmentPartThenImplementationsFromTheLast",
     [](Probes& p) {
         ShadeFragment fragment;
         FragmentPart(fragment, p);
         p.Fill<ABaseImplementation>(fragment.mImplementations, 2);
         return WalkAlone(&fragment);
     },
     {One<ShadeFragment>(), Row("Tarn::Devices::ABaseImplementation**", 16, 1, 1)},
     {{5, "Tarn::Devices::ABaseImplementation**"}}},
    {"StyleFragmentItsFragmentPartThenStyleNames",
     [](Probes& p) {
         Tarn::Graphics::StyleFragment fragment;
         FragmentPart(fragment, p);
         fragment.mStyleNames.Add(Intern(L"style fragment: dashed"));
         fragment.mStyleNames.Add(Intern(L"style fragment: halo"));
         return WalkAlone(&fragment);
     },
     {One<Tarn::Graphics::StyleFragment>(), Row("Tarn::Objects::UString**", 16, 1, 1),
      Row("Tarn::Objects::UString", 2 * sizeof(UString), 2, 2)},
     {{5, "Tarn::Objects::UString**"}, {5, "Tarn::Objects::UString"}}},
    {"SourceImplementationSourcesIncludesThenDeclarations",
     [](Probes& p) {
         SourceImplementation implementation;
         implementation.mSources = p.As<SourceImplementation::SourceList>();
         implementation.mIncludes = p.As<SourceImplementation::SourceList>();
         implementation.mDeclarations = p.As<SourceImplementation::DeclarationList>();
         return WalkAlone(&implementation);
     },
     {One<SourceImplementation>()}},
    {"EnvironmentInstanceItsInstancePartThenTransform",
     [](Probes& p) {
         EnvironmentInstance environment;
         InstancePart(environment, p);
         environment.mTransform = p.As<SharedMatrix>();
         return WalkAlone(&environment);
     },
     {One<EnvironmentInstance>(), Row("Tarn::Devices::CBInstance*", 2 * 16, 1, 1)},
     {{4, "Tarn::Devices::CBInstance*"}}},
    {"OitInstanceItsInstancePart",
     [](Probes& p) {
         OITInstance oit;
         InstancePart(oit, p);
         return WalkAlone(&oit);
     },
     {One<OITInstance>(), Row("Tarn::Devices::CBInstance*", 2 * 16, 1, 1)},
     {{4, "Tarn::Devices::CBInstance*"}}},
};

class FragmentWalkerVisits : public WalkerVisits {};
TEST_P(FragmentWalkerVisits, MembersInOrderAndExactBytes) { ExpectVisits(); }
INSTANTIATE_TEST_SUITE_P(Fragments, FragmentWalkerVisits, ::testing::ValuesIn(kFragmentVisits),
                         [](const auto& info) { return std::string(info.param.mName); });

} // namespace
