// Render-graph and text walkers: which walker the registry picks for a node, cell or item, the attribute lists by
// their flags, level-of-detail bins, occurrence paths, change packets and their queue, object managers, channels,
// consolidated worlds with their bucket maps, and BSP cells.
#include "WalkerTest.h"

#include "engine/graphics/Graphics.h"
#include "platform/TypeNames.h"
#include "utilities/walk/ClassHierarchy.h"
#include "utilities/walk/IWalkObject.h"
#include "utilities/walk/Walking.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <deque>
#include <set>
#include <string>
#include <type_traits>
#include <utility>
#include <vector>

namespace {

using namespace Tarn::Graphics;
using namespace Tarn::Objects;
using namespace Tarn::Testing;
using namespace Tarn::Testing::Reports;
using Tarn::Devices::GraphicScheme;
using Tarn::Platform::ReadableNameOf;
using Tarn::Utilities::ClassHierarchy;
using Tarn::Utilities::RecordMemory;
using Tarn::Utilities::WalkObjectImpl;
using Tarn::Utilities::WalkPointer;

using RefCountedList = _ArrayList<ARefCounted*, RefCountedLifetime<ARefCounted*>>;

// The rows of heap blocks: their names are pointer types.
std::multiset<std::string> BlockRows(const std::string& report) {
    std::multiset<std::string> blocks;
    for (const std::string& row : Rows(report))
        if (row[row.find('\t') - 1] == '*') blocks.insert(row);
    return blocks;
}

class GraphicsWalkers : public WalkerTest {
protected:
    // Hangs a probe with `id` on the attachment chain of `object`.
    template <class A> A& Tag(A& object, int id) {
        object.Attach(&mTags.emplace_back(id).mLink);
        return object;
    }

    std::deque<ProbeAttachment> mTags;
};

// ---- Which walker the registry finds

// A render-node kind of the engine's that the library has no walker for.
class UnlistedRenderNode : public ARenderNode {
public:
    double mExtra[5] = {};
};

template <class O, class S, class W> struct Reached {
    using Object = O;  // the object's dynamic type
    using Static = S;  // the pointer through which it is reached
    using Walker = W;  // the class whose walker measures it
};

template <class C> class GraphicsWalkerResolution : public ::testing::Test {};
using Chains = ::testing::Types<
    Reached<PolylineNode<float>, ARenderNode, PolylineNode<float>>,
    Reached<PolylineNode<float>, ARefCounted, PolylineNode<float>>,
    Reached<GeometryNodeDouble, ISpatialNode, GeometryNodeDouble>,
    Reached<UnlistedRenderNode, ARenderNode, ARenderNode>,
    Reached<ConsolidationItem, ConsolidationItem, ConsolidationItem>,
    Reached<Tarn::Text::PlainTextNode, ARenderNode, Tarn::Text::PlainTextNode>,
    Reached<LODConsolidationCell, ISpatialCell, LODConsolidationCell>>;
TYPED_TEST_SUITE(GraphicsWalkerResolution, Chains);

TYPED_TEST(GraphicsWalkerResolution, ObjectIsWalkedByItsDeepestRegisteredClassWithThePointerAdjustedToIt) {
    using Object = typename TypeParam::Object;
    using Walker = typename TypeParam::Walker;
    Object object;
    typename TypeParam::Static* reached = &object;
    void* adjusted = nullptr;
    EXPECT_EQ(ClassHierarchy<WalkObjectImpl<typename TypeParam::Static>>::GetClassData(reached, adjusted),
              &WalkObjectImpl<Walker>::Instance());
    EXPECT_EQ(adjusted, static_cast<void*>(static_cast<Walker*>(&object)));

    RecordMemory recorder;
    WalkPointer(reached, &recorder);
    std::string row = ReadableNameOf<Object>() + ("\t" + std::to_string(sizeof(Walker))) + "\t1\t1";
    if (!std::is_same_v<Object, Walker>) row += "\t" + std::string(ReadableNameOf<Walker>()) + "\t1";
    EXPECT_EQ(std::string(recorder.GetResults()), Total(sizeof(Walker), 1, 1) + row + "\r\n");
}

// ---- Attribute lists, reached through a render node

enum Items { kOneProbe, kProbeArray, kListArray, kStyleArray };
struct AttributeCase {
    uint16_t mFlags;
    int mCount, mCapacity;
    Items mItems;
    std::vector<int> mOrder;           // probe ids, as walked
    std::vector<std::string> mBlocks;  // the first is the items array, booked before any item
};

TEST_F(GraphicsWalkers, AttributeListWalksWhatItsFlagsSayItsItemsMemberHolds) {
    Probe probes[8];
    for (int i = 0; i < 8; ++i) probes[i].mId = i;
    ARefCounted* array[5] = {&probes[0], &probes[1], &probes[2]};
    RefCountedList first, second;
    for (int i : {0, 1}) first.Add(&probes[i]);
    for (int i : {3, 4}) second.Add(&probes[i]);
    RefCountedList* lists[3] = {&first, &second};
    AttributeStyleList arrayStyle{array, 3, 5, kAttributeArray};
    AttributeStyleList singleStyle{static_cast<ARefCounted*>(&probes[7]), 1, 0, kAttributeSingle};
    AttributeStyleList* styles[2] = {&arrayStyle, &singleStyle};
    void* const items[] = {static_cast<ARefCounted*>(&probes[7]), array, lists, styles};  // by Items

    const std::string pointers = Row("Tarn::Objects::ARefCounted**", 40, 1, 1);
    const std::string listArray = Row("Tarn::Objects::_ArrayList<Tarn::Objects::ARefCounted*, "
                                      "Tarn::Objects::RefCountedLifetime<Tarn::Objects::ARefCounted*> >**", 24, 1, 1);
    const std::string styleArray = Row("Tarn::Graphics::AttributeStyleList**", 16, 1, 1);
    const AttributeCase cases[] = {
        {0x0, 1, 0, kOneProbe, {7}, {}},
        {0x0, 0, 0, kOneProbe, {}, {}},
        {0x2, 3, 5, kProbeArray, {2, 1, 0}, {pointers}},
        {0x4, 3, 5, kProbeArray, {2, 1, 0}, {pointers}},
        {0x6, 2, 3, kListArray, {4, 3, 1, 0}, {listArray, Row("Tarn::Objects::ARefCounted**", 32, 2, 2)}},
        {0x10, 2, 2, kStyleArray, {7, 2, 1, 0}, {styleArray, pointers}},
        {0x16, 2, 2, kStyleArray, {7, 2, 1, 0}, {styleArray, pointers}},  // the style bit outranks the others
    };
    for (const AttributeCase& c : cases) {
        SCOPED_TRACE("flags " + std::to_string(c.mFlags) + ", count " + std::to_string(c.mCount));
        ProbeLog().clear();
        AttributeCache cache{items[c.mItems], c.mCount, c.mCapacity, c.mFlags};
        ARenderNode node;
        node.mAttributes = &cache;
        RecordMemory recorder;
        WalkObjectImpl<ARenderNode>::Instance().Walk(&node, &recorder);
        const std::string report(recorder.GetResults());
        EXPECT_EQ(ProbeOrder(), c.mOrder);
        EXPECT_EQ(BlockRows(report), std::multiset<std::string>(c.mBlocks.begin(), c.mBlocks.end()));
        EXPECT_TRUE(c.mBlocks.empty() || Has(ProbeLog().at(0).mReportSoFar, c.mBlocks[0]));
    }
}

// ---- Level-of-detail consolidation

TEST_F(GraphicsWalkers, LodConsolidationNodeWithoutBinsStillBooksItsSixteenBinListsAsOneBlock) {
    LODConsolidationNode node;
    EXPECT_EQ(Reach(static_cast<ARenderNode*>(&node)),
              Total(sizeof(node) + 16 * sizeof(ConsolidationBins), 2, 2) +
                  Row("Tarn::Graphics::LODConsolidationNode", sizeof(node), 1, 1) +
                  Row("Tarn::Graphics::ConsolidationBins*", 16 * sizeof(ConsolidationBins), 1, 1));
}

TEST_F(GraphicsWalkers, LodConsolidationNodeWalksItsBinsFromTheFinestLevelThenBooksTheBinListsThenItsNodes) {
    LODConsolidationNode node;
    ConsolidationBin coarse, fine;
    ARenderNode coarseNode, fineNode, ownNode;
    coarse.mNodes.Add(&Tag(coarseNode, 3));
    fine.mNodes.Add(&Tag(fineNode, 12));
    node.mBins[3].Add(&coarse);
    node.mBins[12].Add(&fine);
    node.mNodes.Add(&Tag(ownNode, 16));
    const std::string report = Walk(&node);
    ASSERT_EQ(ProbeOrder(), (std::vector<int>{12, 3, 16}));
    EXPECT_TRUE(Has(ProbeLog()[0].mReportSoFar, Row("Tarn::Graphics::ConsolidationBin**", 16, 1, 1)));
    EXPECT_TRUE(Has(ProbeLog()[1].mReportSoFar, Row("Tarn::Graphics::ConsolidationBin**", 32, 2, 2)));
    EXPECT_FALSE(Booked(ProbeLog()[1].mReportSoFar, "Tarn::Graphics::ConsolidationBins*"));
    EXPECT_TRUE(Has(ProbeLog()[2].mReportSoFar,
                    Row("Tarn::Graphics::ConsolidationBins*", 16 * sizeof(ConsolidationBins), 1, 1)));
    EXPECT_TRUE(Has(report, Row("Tarn::Graphics::ConsolidationBin", 2 * sizeof(ConsolidationBin), 2, 2)));
}

// ---- Occurrences

TEST_F(GraphicsWalkers, OccurrenceReachedFromTheLeafWalksTheRootsDataFirstAndBooksEachAncestorOnce) {
    Occurrence path[4];
    Probe data[4];
    for (int i = 0; i < 4; ++i) {
        data[i].mId = i;
        path[i].mData = &data[i];
        if (i > 0) path[i].mParent = &path[i - 1];
    }
    const std::string report = Reach(static_cast<ARefCounted*>(&path[3]));
    ASSERT_EQ(ProbeOrder(), (std::vector<int>{0, 1, 2, 3}));
    EXPECT_FALSE(Booked(ProbeLog()[0].mReportSoFar, "Tarn::Graphics::Occurrence"));
    for (int i = 1; i < 4; ++i)  // the ancestors above the occurrence whose data is being walked
        EXPECT_TRUE(Has(ProbeLog()[i].mReportSoFar, Row("Tarn::Graphics::Occurrence", i * sizeof(Occurrence), i, i)));
    EXPECT_EQ(report.substr(0, report.find("\r\n") + 2), Total(4 * (sizeof(Occurrence) + sizeof(Probe)), 8, 8));
    EXPECT_EQ(Rows(report), (std::multiset<std::string>{Row("Tarn::Graphics::Occurrence", 4 * sizeof(Occurrence), 4, 4),
                                                         Row("Tarn::Testing::Probe", 4 * sizeof(Probe), 4, 4)}));
}

// ---- Change packets, their queue and the object managers

TEST_F(GraphicsWalkers, ChangePacketWithNothingToApplyBooksOnlyItself) {
    ChangePacket packet;
    EXPECT_EQ(Reach(static_cast<IChangePacket*>(&packet)),
              Total(sizeof(packet), 1, 1) + Row("Tarn::Graphics::ChangePacket", sizeof(packet), 1, 1));
}

TEST_F(GraphicsWalkers, ChangePacketWalksItsTenMembersInOrder) {
    ChangePacket packet;
    ARenderNode node, drawOrder;
    SharedMatrix matrix;
    Tarn::mat4<double> doubleMatrix;
    ALocaleStrategy strategy;
    StyleGraph styleGraph;
    StyleFragment fragment;
    XPlaneSet<float> planes;
    GraphicScheme scheme;
    Billboard billboard;
    packet.mNode = &Tag(node, 1);
    packet.mMatrix = &matrix;
    packet.mDoubleMatrix = &doubleMatrix;
    packet.mStrategy = &strategy;
    packet.mStyleGraph = &styleGraph;
    Tag(styleGraph.mInputs, 5);
    packet.mFragment = &fragment;
    Tag(fragment.mInputs, 6);
    packet.mClipPlanes = &planes;
    packet.mScheme = &Tag(scheme, 8);
    packet.mBillboard = &billboard;
    packet.mDrawOrder = &Tag(drawOrder, 10);
    Walk(&packet);
    ASSERT_EQ(ProbeOrder(), (std::vector<int>{1, 5, 6, 8, 10}));
    // The members without a probe of their own, in walk order, and how many of them each probe saw booked.
    const char* const silent[] = {"Tarn::Objects::SharedMatrix", "Tarn::mat4<double>", "Tarn::Objects::ALocaleStrategy",
                                  "Tarn::Objects::XPlaneSet<float>", "Tarn::Graphics::Billboard"};
    const size_t seen[] = {0, 3, 3, 4, 5};
    for (size_t p = 0; p < 5; ++p)
        for (size_t s = 0; s < 5; ++s)
            EXPECT_EQ(Booked(ProbeLog()[p].mReportSoFar, silent[s]), s < seen[p]) << "probe " << p << ", " << silent[s];
}

// The manager's world, then the queued packets in queue order; the queue is booked after its packets, its pages
// (five packets: one in each of five lanes) as blocks of their own.
template <class M> class GraphicsObjectManagers : public GraphicsWalkers {};
using Managers = ::testing::Types<StandardObjectManager, PersistentObjectManager>;
TYPED_TEST_SUITE(GraphicsObjectManagers, Managers);

TYPED_TEST(GraphicsObjectManagers, ReachedAsAnObjectManagerWalksItsWorldThenItsPacketsInQueueOrder) {
    TypeParam manager;
    SingleNodeWorld world;
    ListOfChangePacket queue;
    ChangePacket packets[5];
    ARenderNode nodes[5];
    manager.mWorld = &this->Tag(world, 0);
    for (int i = 0; i < 5; ++i) {
        packets[i].mNode = &this->Tag(nodes[i], 1 + i);
        queue.push(&packets[i]);
    }
    manager.mPackets = &queue;
    const std::string report = this->Reach(static_cast<IObjectManager*>(&manager));
    ASSERT_EQ(ProbeOrder(), (std::vector<int>{0, 1, 2, 3, 4, 5}));
    EXPECT_FALSE(Booked(ProbeLog().back().mReportSoFar, "Tarn::Graphics::ListOfChangePacket"));
    EXPECT_TRUE(Has(report, Row(ReadableNameOf<TypeParam>(), sizeof(TypeParam), 1, 1)));
    EXPECT_TRUE(Has(report, Row("Tarn::Graphics::SingleNodeWorld", sizeof(world), 1, 1)));
    EXPECT_TRUE(Has(report, Row("Tarn::Graphics::ListOfChangePacket", sizeof(queue), 1, 1)));
    using Representation = tbb::detail::d2::concurrent_queue_rep<ChangePacketQueue::value_type, ChangePacketQueue::allocator_type>;
    EXPECT_TRUE(Has(report, Row(ReadableNameOf<Representation*>(), sizeof(Representation), 1, 1)));
    EXPECT_TRUE(Has(report, Row(ReadableNameOf<Representation::padded_page*>(), 5 * sizeof(Representation::padded_page), 5, 5)));
    EXPECT_TRUE(Has(report, Row("Tarn::Graphics::ChangePacket", 5 * sizeof(ChangePacket), 5, 5)));
}

// ---- Channels of stylized lines

TEST_F(GraphicsWalkers, ChannelBooksExactlyItsLengthAsChars) {
    char bytes[16] = {};
    for (int32_t length : {10, 0}) {
        SCOPED_TRACE(length);
        ChannelDesc channel;
        channel.mBuffer = bytes;
        channel.mLength = length;
        EXPECT_EQ(WalkAlone(&channel), Total(sizeof(channel) + size_t(length), 2, 2) +
                                           Row("Tarn::Graphics::ChannelDesc", sizeof(channel), 1, 1) +
                                           Row("char*", size_t(length), 1, 1));
    }
}

// ---- Worlds, bucket maps and cells

TEST_F(GraphicsWalkers, ConsolidatedWorldWalksCellsFiltersKeyNodesBothBucketMapsThenItsSingleNodeWorld) {
    ConsolidatedWorld world;
    Tag(world, 0);
    BSPCell cells[3];
    FilterNode filters[3], bucketFilters[2];
    for (int i = 0; i < 3; ++i) {
        world.mCells[i] = &Tag(cells[i], 1 + i);
        world.mFilters[i] = &Tag(filters[i], 4 + i);
    }
    BaseBucketKey key, bucketKeys[2];
    world.mKey = &key;
    ARenderNode nodes[2];
    world.mNodes.RenderNodes().Add(&Tag(nodes[0], 8));
    world.mNodes.RenderNodes().Add(&Tag(nodes[1], 7));
    ConsolidationBucket buckets[2];
    for (int i = 0; i < 2; ++i) buckets[i].mFilter = &Tag(bucketFilters[i], 9 + i);
    world.mBuckets.FindOrAdd(&bucketKeys[0], &buckets[0]);
    world.mLodBuckets.FindOrAdd(&bucketKeys[1], &buckets[1]);
    SingleNodeWorld single;
    world.mSingle = &Tag(single, 11);
    const std::string report = Walk(&world);
    ASSERT_EQ(ProbeOrder(), (std::vector<int>{0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11}));
    EXPECT_FALSE(Booked(ProbeLog()[6].mReportSoFar, "Tarn::Graphics::BaseBucketKey"));
    EXPECT_TRUE(Has(ProbeLog()[7].mReportSoFar, Row("Tarn::Graphics::BaseBucketKey", sizeof(key), 1, 1)));
    EXPECT_TRUE(Has(report, Row(ReadableNameOf<BucketMap::ValueList*>(), 2 * 16 * sizeof(BucketMap::ValueList), 2, 2)));
}

TEST_F(GraphicsWalkers, BucketMapWalksABucketsEntriesFromTheLastKeyFirstThenItsEntryArrayThenTheBucketArray) {
    ConsolidationBuckets map(8);
    GraphicScheme schemes[2];
    BaseBucketKey keys[2];
    FilterNode filters[2];
    ConsolidationBucket buckets[2];
    for (int i = 0; i < 2; ++i) {  // the last entry is walked first: its key's probe is 0
        keys[i].mScheme = &Tag(schemes[i], 2 - 2 * i);
        buckets[i].mFilter = &Tag(filters[i], 3 - 2 * i);
        map.FindOrAdd(&keys[i], &buckets[i]);
    }
    ASSERT_EQ(map.BucketOf(&keys[0]), map.BucketOf(&keys[1]));
    const std::string report = Walk(&map);
    ASSERT_EQ(ProbeOrder(), (std::vector<int>{0, 1, 2, 3}));
    EXPECT_TRUE(BlockRows(ProbeLog().back().mReportSoFar).empty());
    EXPECT_EQ(BlockRows(report),
              (std::multiset<std::string>{
                  Row("Tarn::Objects::_KeyValue<Tarn::Graphics::ConsolidationBucket*, Tarn::Graphics::BaseBucketKey*>*",
                      2 * sizeof(map.mBuckets[0][0]), 1, 1),
                  Row(ReadableNameOf<BucketMap::ValueList*>(), 8 * sizeof(BucketMap::ValueList), 1, 1)}));
    EXPECT_TRUE(Has(report, Row("Tarn::Graphics::ConsolidationBucket", 2 * sizeof(ConsolidationBucket), 2, 2)));
}

TEST_F(GraphicsWalkers, BspCellWalksItsChainItsNodesFromTheLastThenItsFrontThenItsBack) {
    BSPCell cell, front;
    LODConsolidationCell back;
    LODConsolidationNode consolidation;
    ARenderNode nodes[2];
    Tag(cell, 0);
    cell.mNodes.Add(&Tag(nodes[0], 2));
    cell.mNodes.Add(&Tag(nodes[1], 1));
    cell.mFront = &Tag(front, 3);
    cell.mBack = &Tag(back, 4);
    back.mConsolidation = &Tag(consolidation, 5);
    const std::string report = Walk(&cell);
    EXPECT_EQ(ProbeOrder(), (std::vector<int>{0, 1, 2, 3, 4, 5}));
    EXPECT_TRUE(Has(report, Row("Tarn::Graphics::BSPCell", 2 * sizeof(BSPCell), 2, 2)));
    EXPECT_TRUE(Has(report, Row("Tarn::Graphics::LODConsolidationCell", sizeof(back), 1, 1)));
    EXPECT_TRUE(Has(report, Row("Tarn::Graphics::ARenderNode**", 16, 1, 1)));
}

// ---- What each walker visits, in order, and exactly what it books

using Tarn::Devices::AVertexFormat;
using Tarn::Devices::EffectInstance;
using Tarn::Devices::IRenderGeom;
using Tarn::Devices::IRenderItem;

// Line nodes: the primitive node's part (its attachable part first), the line node's effect and world matrix, then
// the primitive.
template <class N> Visits LineNodeOf(const char* name) {
    return {name,
            [](Probes& p) {
                N node;
                p.Tag(node);
                node.mSource = p.As<APrimitive>();
                node.mEffect = p.As<EffectInstance>();
                node.mWorldMatrix = p.As<SharedMatrix>();
                node.mPrimitive = p.As<APrimitive>();
                return WalkAlone(&node);
            },
            {One<N>()}};
}

// Point nodes: the primitive node's part, then primitive, effect and world matrix.
template <class N> Visits PointNodeOf(const char* name) {
    return {name,
            [](Probes& p) {
                N node;
                p.Tag(node);
                node.mSource = p.As<APrimitive>();
                node.mPrimitive = p.As<APrimitive>();
                node.mEffect = p.As<EffectInstance>();
                node.mWorldMatrix = p.As<SharedMatrix>();
                return WalkAlone(&node);
            },
            {One<N>()}};
}

template <class T> Visits ImageNodeOf(const char* name) {
    return {name,
            [](Probes& p) {
                ImageNode2<T> node;
                p.Tag(node);
                node.mImageEffect = p.As<EffectInstance>();
                node.mWorldMatrix = p.As<SharedMatrix>();
                node.mImage = p.As<Image<T>>();
                return WalkAlone(&node);
            },
            {One<ImageNode2<T>>()}};
}

template <class N> Visits GeometryNodeOf(const char* name) {
    return {name,
            [](Probes& p) {
                N node;
                p.Tag(node);
                node.mItem = p.As<IRenderItem>();
                return WalkAlone(&node);
            },
            {One<N>()}};
}

// The render item's five accessors first, then the line buffer. A plain text is not the node's to book.
template <class T> Visits StylizedLineOf(const char* name) {
    return {name,
            [](Probes& p) {
                StylizedLineItem<T> item;
                item.mMatrix = p.As<SharedMatrix>();
                item.mConsolidation = p.As<ConsolidationItem>();
                item.mBuffer = p.As<EditableLineBuffer>();
                return WalkAlone(&item);
            },
            {One<StylizedLineItem<T>>()}};
}

template <class N> Visits TextNodeOf(const char* name) {
    return {name,
            [](Probes& p) {
                N node;
                p.Tag(node);
                p.Fill<Tarn::Text::LodRenderableTextRun>(node.mLevels, 1);
                node.mItem = p.As<IRenderItem>();
                if constexpr (std::is_same_v<N, Tarn::Text::PlainTextNode>) node.mText = L"a text too long to be inside";
                return WalkAlone(&node);
            },
            {One<N>(), Row("Tarn::Text::LodRenderableTextRun**", 16, 1, 1)},
            {{2, "Tarn::Text::LodRenderableTextRun**"}}};
}

const Visits kGraphicsVisits[] = {
    {"PrimitiveNodeItsRenderNodePartThenItsSevenMembers",
     [](Probes& p) {
         APrimitiveNode node;
         p.Tag(node);
         AttributeCache attributes{static_cast<ARefCounted*>(p.As<ARefCounted>()), 1, 0, kAttributeSingle};
         node.mAttributes = &attributes;
         node.mLocale = p.As<ALocale>();
         node.mSource = p.As<APrimitive>();
         node.mContext = p.As<APrimitiveContext>();
         node.mSourceEffect = p.As<EffectInstance>();
         node.mLocalMatrix = p.As<SharedMatrix>();
         node.mIterator = p.As<APrimitiveIterator>();
         node.mHighlightEffect = p.As<EffectInstance>();
         node.mVertexFormat = p.As<AVertexFormat>();
         return WalkAlone(&node);
     },
     {One<APrimitiveNode>(), One<AttributeCache>()}},
    LineNodeOf<PolylineNode<float>>("PolylineNodeFloat"),
    LineNodeOf<PolylineNode<double>>("PolylineNodeDouble"),
    LineNodeOf<CircleArcNode<float>>("CircleArcNodeFloat"),
    LineNodeOf<CircleArcNode<double>>("CircleArcNodeDouble"),
    LineNodeOf<CircleNode<float>>("CircleNodeFloat"),
    LineNodeOf<CircleNode<double>>("CircleNodeDouble"),
    PointNodeOf<PointNode<float>>("PointNodeFloat"),
    PointNodeOf<PointNode<double>>("PointNodeDouble"),
    PointNodeOf<PointArrayNode<float>>("PointArrayNodeFloat"),
    PointNodeOf<PointArrayNode<double>>("PointArrayNodeDouble"),
    ImageNodeOf<float>("ImageNodeFloat"),
    ImageNodeOf<double>("ImageNodeDouble"),
    GeometryNodeOf<GeometryNode>("GeometryNode"),
    GeometryNodeOf<GeometryNodeDouble>("GeometryNodeDouble"),
    {"CandidateItemNode",
     [](Probes& p) {
         CandidateItemNode node;
         p.Tag(node);
         node.mItem = p.As<IRenderItem>();
         node.mNode = p.As<ARenderNode>();
         return WalkAlone(&node);
     },
     {One<CandidateItemNode>()}},
    {"ConsolidationNode",
     [](Probes& p) {
         ConsolidationNode node;
         p.Tag(node);
         node.mItem = p.As<ConsolidationItem>();
         node.mKey = p.As<BaseBucketKey>();
         return WalkAlone(&node);
     },
     {One<ConsolidationNode>()}},
    {"OccurrenceNode",
     [](Probes& p) {
         OccurrenceNode node;
         p.Tag(node);
         node.mParentMatrix = p.As<SharedMatrix>();
         node.mPathLocale = p.As<ALocale>();
         node.mNode = p.As<ARenderNode>();
         node.mClientState = p.As<ClientTraversalState>();
         node.mPath = p.As<Occurrence>();
         return WalkAlone(&node);
     },
     {One<OccurrenceNode>()}},
    {"RenderListItemsThenNoCullingItemsThenCell",
     [](Probes& p) {
         ARenderList list;
         p.Tag(list);
         p.Fill<ARenderNode>(list.Items(), 2);
         p.Fill<ARenderNode>(list.NoCullingItems(), 1);
         list.mCell = p.As<ISpatialCell>();
         return WalkAlone(&list);
     },
     {One<ARenderList>(), Row("Tarn::Graphics::ARenderNode**", 2 * 16, 2, 2)},
     {{2, "Tarn::Graphics::ARenderNode**"}}},
    {"LodConsolidatedWorld",
     [](Probes& p) {
         LODConsolidatedWorld world;
         p.Tag(world);
         world.mCell = p.As<BSPCell>();
         world.mFilter = p.As<FilterNode>();
         p.Fill<ARenderNode>(world.mNodes.RenderNodes(), 1);
         world.mLODCell = p.As<LODConsolidationCell>();
         world.mLODFilter = p.As<FilterNode>();
         world.mSingle = p.As<SingleNodeWorld>();
         return WalkAlone(&world);
     },
     {One<LODConsolidatedWorld>(), Row("Tarn::Graphics::ARenderNode**", 16, 1, 1)},
     {{4, "Tarn::Graphics::ARenderNode**"}}},
    {"ConsolidationBinNodesKeyStatesThenPendingNodes",
     [](Probes& p) {
         ConsolidationBin bin;
         p.Fill<ARenderNode>(bin.mNodes, 1);
         bin.mKey = p.As<BaseBucketKey>();
         bin.mStates = p.As<TraversalStateList>();
         p.Fill<ARenderNode>(bin.mPending, 1);
         return WalkAlone(&bin);
     },
     {One<ConsolidationBin>(), Row("Tarn::Graphics::ARenderNode**", 2 * 16, 2, 2)},
     {{1, "Tarn::Graphics::ARenderNode**"}}},
    {"ConsolidationItemRenderItemPartSourcesThenBucket",
     [](Probes& p) {
         ConsolidationItem item;
         item.mMatrix = p.As<SharedMatrix>();
         item.mGeometry = p.As<IRenderGeom>();
         item.mEffect = p.As<EffectInstance>();
         item.mClipPlanes = p.As<XPlaneSet<float>>();
         item.mConsolidation = p.As<ConsolidationItem>();
         ConsolidationSource source;
         source.mOccurrence = p.As<OccurrenceNode>();
         source.mNode = p.As<ARenderNode>();
         source.mItem = p.As<IRenderItem>();
         item.mSources.Add(source);
         item.mBucket = p.As<ConsolidationBucket>();
         return WalkAlone(&item);
     },
     {One<ConsolidationItem>(), Row("Tarn::Graphics::ConsolidationSource*", 2 * sizeof(ConsolidationSource), 1, 1)},
     {{9, "Tarn::Graphics::ConsolidationSource*"}}},
    {"DependencyNotifier",
     [](Probes& p) {
         DependencyNotifier notifier;
         notifier.mSource = p.As<ARefCounted>();
         return WalkAlone(&notifier);
     },
     {One<DependencyNotifier>()}},
    {"ConsolidationNotifierSourceOccurrenceThenWorld",
     [](Probes& p) {
         ConsolidationNotifier notifier;
         notifier.mSource = p.As<ARefCounted>();
         notifier.mOccurrence = p.As<OccurrenceNode>();
         notifier.mWorld = p.As<LODConsolidatedWorld>();
         return WalkAlone(&notifier);
     },
     {One<ConsolidationNotifier>()}},
    StylizedLineOf<float>("StylizedLineItemFloat"),
    StylizedLineOf<double>("StylizedLineItemDouble"),
    {"LineBufferChannelsWidthsFormatThenPolylines",
     [](Probes& p) {
         EditableLineBuffer buffer;
         char bytes[10] = {};
         ChannelDesc channel;
         channel.mBuffer = bytes;
         channel.mLength = 10;
         buffer.mChannels.Add(&channel);
         buffer.mWidths.Resize(4);
         buffer.mFormat = p.As<AVertexFormat>();
         PolylineDesc polyline;
         polyline.mSegments.Resize(3);
         buffer.mPolylines.Add(polyline);
         return WalkAlone(&buffer);
     },
     {One<EditableLineBuffer>(), One<ChannelDesc>(), Row("char*", 10, 1, 1),
      Row("Tarn::Graphics::ChannelDesc**", 16, 1, 1), Row("float*", 16, 1, 1),
      Row("Tarn::Objects::SegmentIndexDesc*", 3 * sizeof(SegmentIndexDesc), 1, 1),
      Row("Tarn::Graphics::PolylineDesc*", 2 * sizeof(PolylineDesc), 1, 1)},
     {{1, "Tarn::Graphics::ChannelDesc**"}, {1, "char*"}, {1, "float*"}, {2, "Tarn::Objects::SegmentIndexDesc*"},
      {2, "Tarn::Graphics::PolylineDesc*"}}},
    TextNodeOf<Tarn::Text::ATextNode>("TextNode"),
    TextNodeOf<Tarn::Text::PlainTextNode>("PlainTextNode"),
    {"LodTextRunItsRunsFromTheLast",
     [](Probes& p) {
         Tarn::Text::LodRenderableTextRun run;
         p.Fill<Tarn::Text::RenderableTextRun>(run.mRuns, 2);
         return WalkAlone(&run);
     },
     {One<Tarn::Text::LodRenderableTextRun>(), Row("Tarn::Text::RenderableTextRun**", 16, 1, 1)},
     {{1, "Tarn::Text::RenderableTextRun**"}}},
    {"TextRunItsItemsFromTheLast",
     [](Probes& p) {
         Tarn::Text::RenderableTextRun run;
         p.Fill<IRenderItem>(run.mItems, 2);
         return WalkAlone(&run);
     },
     {One<Tarn::Text::RenderableTextRun>(), Row("Tarn::Devices::IRenderItem**", 16, 1, 1)},
     {{1, "Tarn::Devices::IRenderItem**"}}},
};

class GraphicsWalkerVisits : public WalkerVisits {};
TEST_P(GraphicsWalkerVisits, MembersInOrderAndExactBytes) { ExpectVisits(); }
INSTANTIATE_TEST_SUITE_P(Graphics, GraphicsWalkerVisits, ::testing::ValuesIn(kGraphicsVisits),
                         [](const auto& info) { return std::string(info.param.mName); });

} // namespace
