// The graph a walk keeps: the same report, one node per booked address, an edge per visit from the object being
// walked; and who retains what in a small world made to order.
#include "examples/DemoScene.h"

#include "engine/devices/Devices.h"
#include "engine/graphics/Graphics.h"
#include "utilities/analysis/Dominators.h"
#include "utilities/analysis/Retention.h"
#include "utilities/memory/MemoryReport.h"
#include "utilities/memory/MemorySnapshot.h"
#include "utilities/walk/IWalkObject.h"
#include "utilities/walk/Walking.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <stdexcept>
#include <string>

namespace {

using namespace Tarn::Utilities;
using Tarn::Demo::DemoScene;

uint32_t NodeAt(const MemorySnapshot& snapshot, const void* address) {
    for (uint32_t node = 1; node < snapshot.NodeCount(); ++node)
        if (snapshot.mAddresses[node] == reinterpret_cast<uintptr_t>(address)) return node;
    ADD_FAILURE() << "no node at " << address;
    return 0;
}

class KeptGraph : public ::testing::TestWithParam<int> {};

TEST_P(KeptGraph, LeavesTheReportAsItWasAndHoldsEveryBookingOnceAndEveryVisit) {
    DemoScene scene(GetParam());
    RecordMemory plain, keeping;
    keeping.KeepGraph();
    scene.Measure(plain);
    scene.Measure(keeping);
    const std::string report(keeping.GetResults());
    ASSERT_EQ(report, std::string(plain.GetResults()));

    // Nodes are the report's instances, edges its references, their bytes its total.
    const std::optional<MemoryReport> table = [&] {
        MemoryReport::Error error;
        return MemoryReport::Parse(report, error);
    }();
    ASSERT_TRUE(table);
    const MemoryGraph& graph = *keeping.Graph();
    const std::vector<MemoryGraph::Booking> bookings = graph.FirstBookings();
    EXPECT_EQ(bookings.size(), table->mTotal.mInstances);
    EXPECT_EQ(graph.NodeCount(), table->mTotal.mInstances + 1);
    EXPECT_EQ(graph.EdgeCount(), table->mTotal.mReferences);
    uint64_t bytes = 0;
    for (const MemoryGraph::Booking& booking : bookings) bytes += booking.mBytes;
    EXPECT_EQ(bytes, table->mTotal.mBytes);
    EXPECT_EQ(graph.Current().mNode, MemoryGraph::kRoot);  // every walk gave back the object it walked

    // One walk from the manager: the root holds one edge, and reaches everything.
    const MemorySnapshot snapshot = MemorySnapshot::Of(keeping);
    EXPECT_EQ(snapshot.mDegrees[0], 1u);
    const Dominators dominators(GraphOf(snapshot));
    EXPECT_EQ(dominators.ReachableCount(), snapshot.NodeCount());
    EXPECT_EQ(dominators.Retained(0), table->mTotal.mBytes);
    EXPECT_EQ(dominators.Retained(1), table->mTotal.mBytes);
}

INSTANTIATE_TEST_SUITE_P(DemoWorlds, KeptGraph, ::testing::Values(1, 300, 3000));

TEST(KeptGraph, IsAskedForBeforeTheWalk) {
    RecordMemory recorder;
    int object = 0;
    recorder.MarkVisited(&object);
    EXPECT_THROW(recorder.KeepGraph(), std::logic_error);
    EXPECT_THROW(MemorySnapshot::Of(recorder), std::logic_error);
}

// A world of two cells whose render nodes share one effect instance: freeing either cell frees its own node and
// the node's array, not the effect, which the world alone retains.
class TwoCellsSharingAnEffect : public ::testing::Test {
protected:
    void SetUp() override {
        for (int i = 0; i < 2; ++i) {
            mWorld.mCells[i] = &mCells[i];
            mCells[i].mNodes.Add(&mNodes[i]);
            mNodes[i].mSourceEffect = &mEffect;
        }
        mRecorder.KeepGraph();
        WalkObjectImpl<Tarn::Graphics::ConsolidatedWorld>::Instance().Walk(&mWorld, &mRecorder);
        mSnapshot = MemorySnapshot::Of(mRecorder);
    }

    Tarn::Graphics::ConsolidatedWorld mWorld;
    Tarn::Graphics::BSPCell mCells[2];
    Tarn::Graphics::PolylineNode<float> mNodes[2];
    Tarn::Devices::EffectInstance mEffect;
    RecordMemory mRecorder;
    MemorySnapshot mSnapshot;
};

TEST_F(TwoCellsSharingAnEffect, TheWorldRetainsTheEffectAndEachCellItsOwnNodeAndArray) {
    const Dominators dominators(GraphOf(mSnapshot));
    const uint32_t world = NodeAt(mSnapshot, &mWorld), effect = NodeAt(mSnapshot, &mEffect);
    EXPECT_EQ(dominators.Idom(world), 0u);
    EXPECT_EQ(dominators.Idom(effect), world);
    for (int i = 0; i < 2; ++i) {
        const uint32_t cell = NodeAt(mSnapshot, &mCells[i]), node = NodeAt(mSnapshot, &mNodes[i]);
        // The cell's list is embedded: its array is a block that hangs from the cell.
        const uint32_t array = NodeAt(mSnapshot, mCells[i].mNodes.mData);
        EXPECT_EQ(dominators.Idom(cell), world);
        EXPECT_EQ(dominators.Idom(node), cell);
        EXPECT_EQ(dominators.Idom(array), cell);
        EXPECT_EQ(mSnapshot.DynamicName(array), "Tarn::Graphics::ARenderNode**");
        EXPECT_EQ(dominators.Retained(cell), mSnapshot.mBytes[cell] + mSnapshot.mBytes[array] + dominators.Retained(node));
        EXPECT_EQ(dominators.Retained(node), mSnapshot.mBytes[node]);  // the effect is not its alone
        EXPECT_EQ(mSnapshot.mDegrees[node], 1u);  // the effect, reached from the node's walk
    }
    EXPECT_EQ(dominators.Retained(world), dominators.Retained(0));
    EXPECT_EQ(std::count(mSnapshot.mTargets.begin(), mSnapshot.mTargets.end(), effect), 2);
}

TEST_F(TwoCellsSharingAnEffect, AHostReadsWhatTheWorldRetainsWhatItHoldsAndWhoOwnsMost) {
    const Retention retention = Retained(mRecorder, 100);
    const Dominators dominators(GraphOf(mSnapshot));
    const uint32_t world = NodeAt(mSnapshot, &mWorld);
    EXPECT_EQ(retention.mRetained, dominators.Retained(world));
    // The cells and the effect, each retaining its own part: with the world's own bytes, the whole.
    uint64_t held = mSnapshot.mBytes[world];
    for (size_t i = 0; i < retention.mLargest.size(); ++i) {
        const RetainedObject& object = retention.mLargest[i];
        const uint32_t node = NodeAt(mSnapshot, reinterpret_cast<const void*>(object.mAddress));
        EXPECT_EQ(dominators.Idom(node), world);
        EXPECT_EQ(object.mRetained, dominators.Retained(node));
        EXPECT_EQ(object.mBytes, mSnapshot.mBytes[node]);
        EXPECT_EQ(object.mType, mSnapshot.DynamicName(node));
        if (i) {
            EXPECT_GE(retention.mLargest[i - 1].mRetained, object.mRetained);
        }
        held += object.mRetained;
    }
    EXPECT_EQ(held, retention.mRetained);
    EXPECT_EQ(Retained(mRecorder, 1).mLargest.size(), 1u);
    const std::vector<RetainedObject> owners = TopOwners(mRecorder, 2);
    ASSERT_EQ(owners.size(), 2u);
    EXPECT_EQ(owners[0].mType, "Tarn::Graphics::ConsolidatedWorld");
    EXPECT_EQ(owners[0].mRetained, retention.mRetained);
    EXPECT_EQ(owners[1].mRetained, retention.mLargest[0].mRetained);
}

} // namespace
