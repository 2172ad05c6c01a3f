// Text nodes and the runs of glyphs they draw, by level of detail.
#pragma once

#include "engine/graphics/RenderNode.h"

#pragma GCC visibility push(default)

namespace Tarn::Text {

class RenderableTextRun {
public:
    virtual ~RenderableTextRun() = default;
    Objects::_ArrayList<Devices::IRenderItem*, Objects::RefCountedLifetime<Devices::IRenderItem*>> mItems;
};

// The runs of one level of detail.
class LodRenderableTextRun {
public:
    virtual ~LodRenderableTextRun() = default;
    Objects::_ArrayList<RenderableTextRun*, Objects::NoLifetime<RenderableTextRun*>> mRuns;
};

class ATextNode : public Graphics::ARenderNode {
public:
    Objects::_ArrayList<LodRenderableTextRun*, Objects::NoLifetime<LodRenderableTextRun*>> mLevels;
    Devices::IRenderItem* mItem = nullptr;
};

class PlainTextNode : public ATextNode {
public:
    Objects::KString mText;
};

} // namespace Tarn::Text

#pragma GCC visibility pop
