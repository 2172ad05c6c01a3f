// The demo scene's render graph and its worlds: each group's render nodes of every family in a leaf cell of
// its own, BSP cells above the leaves, a consolidated world and a level-of-detail world over them, and the
// object manager a host holds, with a change queued for every group.
#include "examples/DemoGroup.h"

#include <algorithm>
#include <cmath>
#include <functional>
#include <initializer_list>

namespace Tarn::Demo {

using namespace Tarn::Objects;
using namespace Tarn::Graphics;

namespace {

Box3 Union(const Box3& a, const Box3& b) {
    Box3 box;
    for (int axis = 0; axis < 3; ++axis) {
        box.mMin[axis] = std::min(a.mMin[axis], b.mMin[axis]);
        box.mMax[axis] = std::max(a.mMax[axis], b.mMax[axis]);
    }
    return box;
}

double Volume(const Box3& box) {
    double volume = 1;
    for (int axis = 0; axis < 3; ++axis) volume *= box.mMax[axis] - box.mMin[axis];
    return volume;
}

// A group's square on the ground, 10 wide, the groups in a square of `side` by `side`.
Box3 GroupBox(int index, int side) {
    const double x = 10.0 * (index % side), y = 10.0 * (index / side);
    return {{x, y, 0}, {x + 10, y + 10, 4}};
}

// Slot `slot` of a group's 5 x 5 raster.
Box3 NodeBox(const Box3& group, int slot) {
    const double x = group.mMin[0] + 2.0 * (slot % 5) + 0.25, y = group.mMin[1] + 2.0 * (slot / 5) + 0.25;
    return {{x, y, 0}, {x + 1.5, y + 1.5, 0.5 + 0.25 * (slot % 5)}};
}

} // namespace

void DemoScene::BuildRenderGraph(int index, Group& group) {
    auto* cell = Make<BSPCell>();
    const int side = static_cast<int>(std::ceil(std::sqrt(static_cast<double>(mGroups))));
    cell->mBox = GroupBox(index, side);
    group.mCell = cell;
    int slot = 0;
    auto place = [&](ARenderNode* node, bool inCell = true) {
        node->mBox = NodeBox(cell->mBox, slot++);
        node->mWorldMatrix = group.mMatrix;
        node->mLocale = group.mLocale;
        node->mEffect = group.mEffect;
        if (inCell) cell->mNodes.Add(node);
    };
    auto pointers = [this](std::initializer_list<ARefCounted*> items, int capacity) {
        auto** array = reinterpret_cast<ARefCounted**>(MakeBlock(size_t(capacity) * sizeof(ARefCounted*)));
        std::copy(items.begin(), items.end(), array);
        return array;
    };
    auto attributes = [this](uint16_t flags, void* items, int count, int capacity) {
        auto* list = Make<AttributeCache>();
        list->mFlags = flags;
        list->mItems = items;
        list->mCount = count;
        list->mCapacity = capacity;
        return list;
    };

    // ---- Geometry: the group's render item, and stylized lines drawn from an editable buffer
    auto* geometry = Make<GeometryNode>();
    place(geometry);
    geometry->mItem = group.mItem;
    geometry->mAttributes = attributes(kAttributeSingle, static_cast<ARefCounted*>(group.mPlanes), 1, 1);
    geometry->Attach(Make<Attachment>(static_cast<IDelete*>(group.mStrategy)));
    geometry->Attach(Make<Attachment>(static_cast<IDelete*>(group.mLight)));
    geometry->Attach(Make<Attachment>(7));
    group.mGeometry = geometry;

    auto* lines = Make<EditableLineBuffer>();
    for (int channel = 0; channel < 2; ++channel) {
        auto* desc = Make<ChannelDesc>();
        desc->mLength = 12 * (4 + index % 4);
        desc->mBuffer = reinterpret_cast<char*>(MakeBlock(size_t(desc->mLength)));
        lines->mChannels.Add(desc);
    }
    lines->mWidths.Add(1.5f);
    lines->mFormat = group.mFormat;
    PolylineDesc polyline;
    polyline.mSegments.Add({0, 4});
    lines->mPolylines.Add(polyline);
    auto* styledD = Make<StylizedLineItem<double>>();
    styledD->mBuffer = lines;
    styledD->mEffect = group.mEffect;
    auto* styledF = Make<StylizedLineItem<float>>();
    styledF->mBuffer = lines;
    styledF->mMatrix = group.mMatrix;

    auto* precise = Make<GeometryNodeDouble>();
    place(precise);
    precise->mItem = styledD;
    auto* candidate = Make<CandidateItemNode>();
    place(candidate);
    candidate->mItem = styledF;
    candidate->mNode = geometry;
    auto** styles = reinterpret_cast<AttributeStyleList**>(MakeBlock(2 * sizeof(AttributeStyleList*)));
    for (int i = 0; i < 2; ++i) {
        styles[i] = Make<AttributeStyleList>();
        styles[i]->mItems = static_cast<ARefCounted*>(i ? static_cast<Devices::AFragment*>(group.mStyle) : group.mStyleFragment);
        styles[i]->mCount = 1;
    }
    candidate->mAttributes = attributes(kAttributeStyles, styles, 2, 2);

    // ---- Primitive nodes of both precisions over the group's primitives
    auto primitive = [&](APrimitiveNode* node, APrimitive* shape) {
        place(node);
        node->mPrimitive = shape;
        node->mSource = group.mCircle;
        node->mContext = group.mContext;
        node->mSourceEffect = group.mEffect;
        node->mLocalMatrix = group.mMatrix;
        node->mIterator = group.mIterator;
        node->mVertexFormat = group.mFormat;
        return node;
    };
    auto* polylineNode = primitive(Make<PolylineNode<float>>(), group.mOutline);
    polylineNode->mAttributes = attributes(kAttributeArray, pointers({group.mImageD, group.mPoints, group.mMatrix}, 4), 3, 4);
    primitive(Make<PolylineNode<double>>(), group.mOutline);
    primitive(Make<CircleNode<double>>(), group.mCircle);
    auto* arcNode = primitive(Make<CircleArcNode<float>>(), group.mCircle);
    auto* pointNode = primitive(Make<PointNode<float>>(), group.mCircle->mRelated);
    primitive(Make<PointArrayNode<double>>(), group.mPoints);
    if (index == 0) {
        // The remaining line and point kinds, once.
        primitive(Make<CircleNode<float>>(), group.mCircle);
        primitive(Make<CircleArcNode<double>>(), group.mCircle);
        primitive(Make<PointNode<double>>(), group.mPoints);
        primitive(Make<PointArrayNode<float>>(), group.mPoints);
    }

    // ---- Images
    auto* imageD = Make<ImageNode2<double>>();
    place(imageD);
    imageD->mImage = group.mImageD;
    imageD->mImageEffect = group.mEffect;
    imageD->mAttributes = attributes(kAttributeSharedArray, pointers({group.mImageF}, 1), 1, 1);
    auto* imageF = Make<ImageNode2<float>>();
    place(imageF, false);  // drawn over the scene: it lives in the transparent cell
    imageF->mImage = group.mImageF;
    group.mImageNode = imageF;

    // ---- Text, in the overlay cell
    auto* text = Make<Text::PlainTextNode>();
    place(text, false);
    text->mText = KString(L"Label");
    auto* run = Make<Text::RenderableTextRun>();
    run->mItems.Add(group.mItem);
    auto* level = Make<Text::LodRenderableTextRun>();
    level->mRuns.Add(run);
    text->mLevels.Add(level);
    text->mItem = group.mItem;
    // Everything of the group that no other object points at hangs off the text's attribute list.
    auto** lists = reinterpret_cast<Group::RefCountedList**>(MakeBlock(2 * sizeof(Group::RefCountedList*)));
    lists[0] = group.mObjects;
    text->mAttributes = attributes(kAttributeListArray, lists, 1, 2);
    group.mText = text;

    // ---- Occurrences: the geometry placed along a path of four groups
    Occurrence* path = nullptr;
    for (int depth = 0; depth < 4; ++depth) {
        auto* occurrence = Make<Occurrence>();
        occurrence->mParent = path;
        occurrence->mData = depth == 0 ? static_cast<ARefCounted*>(group.mMatrix) : nullptr;
        path = occurrence;
    }
    auto* occurrenceNode = Make<OccurrenceNode>();
    place(occurrenceNode);
    occurrenceNode->mPath = path;
    occurrenceNode->mClientState = Make<ClientTraversalState>();
    occurrenceNode->mNode = geometry;
    occurrenceNode->mParentMatrix = group.mMatrix;
    occurrenceNode->mPathLocale = group.mLocale;
    group.mOccurrence = occurrenceNode;

    // ---- Consolidation: a key, its bucket, a batch made from the geometry, bins by level of detail
    auto* filter = Make<FilterNode>();
    place(filter);
    filter->mCell = cell;
    group.mFilter = filter;
    auto* key = Make<BaseBucketKey>();
    key->mEffect = group.mEffect;
    key->mScheme = group.mScheme;
    key->mFormat = group.mFormat;
    key->mLocale = group.mLocale;
    group.mKey = key;
    auto* bucket = Make<ConsolidationBucket>();
    bucket->mFilter = filter;
    auto* batch = Make<ConsolidationItem>();
    batch->mMatrix = group.mMatrix;
    batch->mGeometry = group.mItem->mGeometry;
    batch->mSources.Add({occurrenceNode, geometry, group.mItem});
    batch->mSources.Add({nullptr, precise, styledD});
    batch->mBucket = bucket;
    auto* consolidation = Make<ConsolidationNode>();
    place(consolidation);
    consolidation->mItem = batch;
    consolidation->mKey = key;

    auto* lod = Make<LODConsolidationNode>();
    place(lod);
    for (int level = 0; level < 3; ++level) {
        auto* bin = Make<ConsolidationBin>();
        bin->mNodes.Add(level ? static_cast<ARenderNode*>(polylineNode) : geometry);
        bin->mKey = key;
        bin->mStates = Make<TraversalStateList>();
        if (level == 2) bin->mPending.Add(consolidation);
        lod->mBins[level].Add(bin);
    }
    lod->mNodes.Add(precise);
    group.mLODNode = lod;

    // ---- Groups: one over a world of a single node, one over a render list
    auto* single = Make<SingleNodeWorld>();
    single->mNode = imageD;
    auto* groupNode = Make<GroupNode>();
    place(groupNode);
    groupNode->mWorld = single;
    auto* list = Make<ARenderList>();
    list->mItems.Add(pointNode);
    list->mNoCullingItems.Add(arcNode);
    list->mCell = cell;
    auto* baseGroup = Make<BaseGroupNode>();
    place(baseGroup);
    baseGroup->mWorld = list;

    // ---- Who depends on the group: its scheme, and the level-of-detail world through its occurrence
    auto* notifiers = Make<NotifierList>();
    auto* dependency = Make<DependencyNotifier>();
    dependency->mSource = group.mScheme;
    auto* notifier = Make<ConsolidationNotifier>();
    notifier->mOccurrence = occurrenceNode;
    notifiers->mNotifiers.Add(dependency);
    notifiers->mNotifiers.Add(notifier);
    consolidation->Attach(Make<Attachment>(static_cast<IDelete*>(notifiers)));
    group.mNotifier = notifier;
}

void DemoScene::BuildWorld(std::vector<Group>& groups) {
    std::vector<BSPCell*> leaves;
    for (Group& group : groups) leaves.push_back(group.mCell);
    // A balanced tree of cells above the leaves; each cell's probability is its share of its parent's volume.
    std::function<BSPCell*(size_t, size_t)> split = [&](size_t begin, size_t end) -> BSPCell* {
        if (end - begin == 1) return leaves[begin];
        auto* cell = Make<BSPCell>();
        const size_t middle = begin + (end - begin) / 2;
        BSPCell* front = split(begin, middle);
        BSPCell* back = split(middle, end);
        cell->mFront = front;
        cell->mBack = back;
        cell->mBox = Union(front->mBox, back->mBox);
        const double whole = Volume(cell->mBox);
        for (BSPCell* child : {front, back}) child->mProbability = float(whole > 0 ? Volume(child->mBox) / whole : 1);
        return cell;
    };

    mWorld = Make<ConsolidatedWorld>();
    BSPCell* opaque = split(0, leaves.size());
    auto* transparent = Make<BSPCell>();
    auto* overlay = Make<BSPCell>();
    transparent->mBox = overlay->mBox = opaque->mBox;
    for (Group& group : groups) {
        transparent->mNodes.Add(group.mImageNode);
        overlay->mNodes.Add(group.mText);
        mWorld->mNodes.mNodes.Add(group.mGeometry);
        mWorld->mBuckets.Add({group.mKey, Make<ConsolidationBucket>()});
    }
    mWorld->mCells[0] = opaque;
    mWorld->mCells[1] = transparent;
    mWorld->mCells[2] = overlay;
    for (int i = 0; i < 3; ++i) {
        mWorld->mFilters[i] = Make<FilterNode>();
        mWorld->mFilters[i]->mCell = mWorld->mCells[i];
    }
    mWorld->mKey = groups[0].mKey;
    mWorld->mLodBuckets.Add({groups[0].mKey, Make<ConsolidationBucket>()});
    mWorld->mSingle = Make<SingleNodeWorld>();
    mWorld->mSingle->mNode = groups[0].mGeometry;
    mWorld->Attach(Make<Attachment>(static_cast<ARefCounted*>(groups[0].mMatrix)));

    // The level-of-detail world: a cell of its consolidation nodes, the nodes' list, its own filters.
    auto* lodWorld = Make<LODConsolidatedWorld>();
    auto* lodCell = Make<LODConsolidationCell>();
    lodCell->mBox = opaque->mBox;
    lodCell->mConsolidation = groups[0].mLODNode;
    for (Group& group : groups) {
        lodCell->mNodes.Add(group.mLODNode);
        lodWorld->mNodes.mNodes.Add(group.mLODNode);
        group.mNotifier->mWorld = lodWorld;
    }
    lodWorld->mCell = opaque;
    lodWorld->mFilter = mWorld->mFilters[0];
    lodWorld->mLODCell = lodCell;
    lodWorld->mLODFilter = Make<FilterNode>();
    lodWorld->mLODFilter->mCell = lodCell;
    lodWorld->mSingle = mWorld->mSingle;

    // The host's root: the manager of the world, with one change of every kind queued per group.
    mManager = Make<PersistentObjectManager>();
    mManager->mWorld = mWorld;
    mManager->mPackets = Make<ListOfChangePacket>();
    for (Group& group : groups) {
        auto* packet = Make<ChangePacket>();
        packet->mNode = group.mGeometry;
        packet->mMatrix = Make<SharedMatrix>();
        packet->mDoubleMatrix = Make<Tarn::mat4<double>>();
        packet->mStrategy = group.mStrategy;
        packet->mStyleGraph = group.mStyle;
        packet->mFragment = group.mStyleFragment;
        packet->mClipPlanes = group.mPlanes;
        packet->mScheme = group.mScheme;
        packet->mBillboard = Make<Billboard>();
        packet->mDrawOrder = group.mOccurrence;
        mManager->mPackets->push(AutoPtr<IChangePacket>(packet));
    }
}

} // namespace Tarn::Demo
