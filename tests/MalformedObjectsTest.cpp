// Engine objects whose arrays, counts and sizes do not agree, as a host's objects can be: a container with no array
// but a positive count, a negative size or count. Each is booked as what it can hold: no element without an array,
// and a negative answer counts as none (0 bytes, no extra size), so that neither the row nor the Total can wrap.
#include "WalkerTest.h"

#include "engine/devices/Devices.h"
#include "engine/devices/Sys.h"
#include "engine/graphics/Graphics.h"

#include <gtest/gtest.h>

#include <functional>
#include <ostream>
#include <string>
#include <vector>

namespace {

using namespace Tarn::Devices;
using namespace Tarn::Graphics;
using namespace Tarn::Objects;
using namespace Tarn::Testing;
using namespace Tarn::Testing::Reports;

// Sets a field for the scope, so that the engine's own destructors see the object as it was made.
template <class F> class Setting {
public:
    Setting(F& field, F value) : mField(field), mWas(field) { field = value; }
    ~Setting() { mField = mWas; }
    Setting(const Setting&) = delete;
    Setting& operator=(const Setting&) = delete;

private:
    F& mField;
    F mWas;
};

// A list with no array that says it holds `count` elements.
template <class L> Setting<int> Hollow(L& list, int count) { return {list.mCount, count}; }

struct Malformed {
    const char* mName;
    std::function<std::string()> mWalk;  // builds the object, walks it by its own walker, answers the report
    std::vector<std::string> mRows;      // every row: the Total is their sum
};

std::string Once(const char* name, size_t bytes) { return Reports::Row(name, bytes, 1, 1); }

unsigned char gBlock[64];  // a block for handles and copies: only its address is booked

const Malformed kMalformed[] = {
    // ---- No array, a positive count: walked as empty
    {"PointArrayOfThreeWithoutArray",
     [] {
         PointArray<float> points;
         auto hollow = Hollow(points, 3);
         return WalkAlone(&points);
     },
     {Once("Tarn::Objects::PointArray<float>", sizeof(PointArray<float>))}},
    {"ConstantBufferBindingsWithoutArray",
     [] {
         CBInstanceList bindings;
         auto hollow = Hollow(bindings, 2);
         return WalkAlone(&bindings);
     },
     {Once("Tarn::Devices::CBInstanceList", sizeof(CBInstanceList))}},
    {"FragmentInstanceWithBindingsWithoutArray",
     [] {
         OITInstance instance;
         auto hollow = Hollow(instance.mConstantBuffers, 4);
         return WalkAlone(&instance);
     },
     {Once("Tarn::Devices::OITInstance", sizeof(OITInstance))}},
    {"MultiMeshWithSubGeometriesWithoutArray",
     [] {
         MultiMesh mesh;
         auto hollow = Hollow(mesh.mSubGeoms, 2);
         return WalkAlone(&mesh);
     },
     {Once("Tarn::Devices::MultiMesh", sizeof(MultiMesh))}},
    {"LineBufferWithPolylinesWithoutArray",
     [] {
         EditableLineBuffer buffer;
         auto hollow = Hollow(buffer.mPolylines, 5);
         return WalkAlone(&buffer);
     },
     {Once("Tarn::Graphics::EditableLineBuffer", sizeof(EditableLineBuffer))}},
    {"ConsolidationItemWithSourcesWithoutArray",
     [] {
         ConsolidationItem item;
         auto hollow = Hollow(item.mSources, 1);
         return WalkAlone(&item);
     },
     {Once("Tarn::Graphics::ConsolidationItem", sizeof(ConsolidationItem))}},
    {"BucketMapOfEightWithoutBuckets",
     [] {
         ConsolidationBuckets map(8);
         Setting<BucketMap::ValueList*> hollow(map.mBuckets, nullptr);
         return WalkAlone(&map);
     },
     {Once("Tarn::Graphics::ConsolidationBuckets", sizeof(ConsolidationBuckets))}},
    {"ConsolidatedWorldWithBothMapsWithoutBuckets",
     [] {
         ConsolidatedWorld world;
         Setting<BucketMap::ValueList*> first(world.mBuckets.mBuckets, nullptr), second(world.mLodBuckets.mBuckets, nullptr);
         return WalkAlone(&world);
     },
     {Once("Tarn::Graphics::ConsolidatedWorld", sizeof(ConsolidatedWorld))}},

    // ---- Negative sizes: a block of 0 bytes, still one instance at its address
    {"BufferWhoseClientSizeIsMinusOne",
     [] {
         IBuffer buffer;
         buffer.mClientData = gBlock;
         buffer.mClientBytes = -1;
         return WalkAlone(&buffer);
     },
     {Once("Tarn::Devices::IBuffer", sizeof(IBuffer)), Once("unsigned char*", 0)}},
    {"IndexBufferOfMinusOneBytesBesideAHundred",
     [] {
         IndexBufferGL buffer;
         buffer.mHandle = gBlock;
         buffer.mByteSize = -1;
         buffer.mClientData = gBlock + 8;
         buffer.mClientBytes = 100;
         return WalkAlone(&buffer);
     },
     {Once("Tarn::Devices::IndexBufferGL", sizeof(IndexBufferGL)), Once("unsigned char*", 100), Once("OGL IndexBuffer", 0)}},
    {"VertexBufferOfMinusThreeWords",
     [] {
         VertexBufferDx9 buffer;
         IDirect3DVertexBuffer9 handle;
         buffer.mHandle = &handle;
         buffer.mDwords = -3;
         return WalkAlone(&buffer);
     },
     {Once("Tarn::Devices::VertexBufferDx9", sizeof(VertexBufferDx9)), Once("IDirect3DVertexBuffer9", 0)}},
    {"TargetWhoseDeviceSizeIsNegative",
     [] {
         TargetDx10 target;
         ID3D10Texture2D handle;
         target.mHandle = &handle;
         target.mDeviceBytes = -4096;
         return WalkAlone(&target);
     },
     {Once("Tarn::Devices::TargetDx10", sizeof(TargetDx10)), Once("ID3D10Texture2D", 0)}},
    {"ConstantBufferWhoseSizeIsNegative",
     [] {
         AConstantBuffer buffer;
         buffer.mData = reinterpret_cast<Tarn::vec4<float>*>(gBlock);
         buffer.mDeviceBytes = -16;
         return WalkAlone(&buffer);
     },
     {Once("Tarn::Devices::AConstantBuffer", sizeof(AConstantBuffer)), Once("Tarn::vec4<float>*", 0)}},
    {"ChannelOfNegativeLength",
     [] {
         ChannelDesc channel;
         channel.mBuffer = reinterpret_cast<char*>(gBlock);
         channel.mLength = -4;
         return WalkAlone(&channel);
     },
     {Once("Tarn::Graphics::ChannelDesc", sizeof(ChannelDesc)), Once("char*", 0)}},
    {"ListOfNegativeCapacity",
     [] {
         ListOfInts ints;
         Setting<int*> array(ints.mData, reinterpret_cast<int*>(gBlock));
         Setting<int> capacity(ints.mCapacity, -2);
         return WalkAlone(&ints);
     },
     {Once("Tarn::Objects::ListOfInts", sizeof(ListOfInts)), Once("int*", 0)}},

    // ---- Negative counts of what lives in the object's own allocation: its sizeof, nothing less
    {"AtlasOfMinusOneEntries",
     [] {
         AAtlas atlas;
         atlas.mEntries = -1;
         return WalkAlone(&atlas);
     },
     {Once("Tarn::Devices::AAtlas", sizeof(AAtlas))}},
    {"EffectOfMinusTwoPasses",
     [] {
         SolidEffect effect;
         effect.mPasses = -2;
         return WalkAlone(&effect);
     },
     {Once("Tarn::Devices::SolidEffect", sizeof(SolidEffect))}},
    {"BindingOfMinusFiveEntries",
     [] {
         MeshBinding binding;
         binding.mCount = -5;
         return WalkAlone(&binding);
     },
     {Once("Tarn::Devices::MeshBinding", sizeof(MeshBinding))}},
    {"FxEffectWhoseTechniqueCountIsNegative",
     [] {
         FXEffectDx9 effect;
         AVertexFormat* layouts[1] = {};
         effect.mLayouts = layouts;
         auto hollow = Hollow(effect.mTechniques, -1);
         return WalkAlone(&effect);
     },
     {Once("Tarn::Devices::FXEffectDx9", sizeof(FXEffectDx9)), Once("Tarn::Devices::AVertexFormat**", 0)}},
};

void PrintTo(const Malformed& param, std::ostream* out) { *out << param.mName; }

class MalformedObjects : public ::testing::TestWithParam<Malformed> {};

TEST_P(MalformedObjects, AreBookedAsWhatTheyCanHold) {
    const std::string report = GetParam().mWalk();
    const std::multiset<std::string> rows(GetParam().mRows.begin(), GetParam().mRows.end());
    EXPECT_EQ(Rows(report), rows) << report;
    size_t bytes = 0;
    for (const std::string& row : rows) bytes += std::stoull(row.substr(row.find('\t') + 1));
    EXPECT_EQ(report.substr(0, report.find("\r\n") + 2), Total(bytes, int(rows.size()), int(rows.size())));
}

INSTANTIATE_TEST_SUITE_P(Objects, MalformedObjects, ::testing::ValuesIn(kMalformed),
                         [](const auto& info) { return std::string(info.param.mName); });

// A clip-plane set whose device answers a negative plane count.
class NegativePlanes : public AVirtualDevice {
public:
    const DeviceCapabilities* Capabilities() const override { return &mCapabilities; }
    DeviceCapabilities mCapabilities{-6};
};

TEST(MalformedObjects, PlaneSetOfANegativePlaneCountBooksItsArrayAtNoBytes) {
    NegativePlanes device;
    Sys::VirtualDevices().SetCount(0);
    Sys::VirtualDevices().Add(&device);
    XPlaneSet<float> planes(2);
    const std::string report = WalkAlone(&planes);
    Sys::VirtualDevices().SetCount(0);
    EXPECT_EQ(report, Total(sizeof(planes), 2, 2) + Reports::Row("Tarn::Objects::XPlaneSet<float>", sizeof(planes), 1, 1) +
                          Once("Tarn::Objects::XPlane<float>*", 0));
}

} // namespace
