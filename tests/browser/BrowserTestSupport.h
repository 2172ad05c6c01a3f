// What the scene browser tests share: the small fixed world they look at and a draw manager that records.
#pragma once

#include "engine/devices/Draw.h"
#include "engine/devices/Sys.h"
#include "engine/graphics/WorldBuilder.h"
#include "engine/objects/Strings.h"

#include <vector>

namespace Tarn::Testing {

// One cell holding two render nodes: the first hidden and not consolidated (flags 17), the second neither.
struct OneCellWorld {
    Graphics::WorldBuilder mWorld;
    Graphics::SimpleCell* mCell = mWorld.AddCell(nullptr, {{0, 0, 0}, {10, 10, 10}});
    Graphics::SimpleRenderNode* mFirst = mWorld.AddRenderNode(mCell, {{0, 0, 0}, {1, 2, 3}}, 17);
    Graphics::SimpleRenderNode* mSecond = mWorld.AddRenderNode(mCell, {{4, 4, 4}, {6, 5, 5}}, 0);
};

// Installed as the engine's draw manager for its lifetime; keeps every DrawBox call.
class RecordingDrawManager : public Devices::DrawManager {
public:
    struct Call {
        Devices::ADrawContext* mContext;
        Objects::Box3 mBox;
        const Objects::SharedMatrix* mTransform;
        bool mSolid;
        float mColour[4];
    };

    RecordingDrawManager() : mPrevious(Devices::Sys::mDrawManager) { Devices::Sys::mDrawManager = this; }
    ~RecordingDrawManager() override { Devices::Sys::mDrawManager = mPrevious; }

    void DrawBox(Devices::ADrawContext& context, const Objects::Box3& box, const Objects::SharedMatrix* transform,
                 bool solid, const float colour[4]) override {
        mCalls.push_back({&context, box, transform, solid, {colour[0], colour[1], colour[2], colour[3]}});
    }

    std::vector<Call> mCalls;

private:
    Devices::DrawManager* mPrevious;
};

inline bool SameBox(const Objects::Box3& a, const Objects::Box3& b) {
    for (int axis = 0; axis < 3; ++axis)
        if (a.mMin[axis] != b.mMin[axis] || a.mMax[axis] != b.mMax[axis]) return false;
    return true;
}

} // namespace Tarn::Testing
