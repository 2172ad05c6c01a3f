// How text nodes and their runs (Tarn::Text) are walked.
#pragma once

#include "engine/text/Text.h"
#include "utilities/walk/WalkerDefinitions.h"
#include "utilities/walkers/GraphicsWalks.h"

namespace Tarn::Utilities {

using TextNodes = TypeFamily<Text::ATextNode, Text::PlainTextNode>;
template <class N> std::enable_if_t<TextNodes::Has<N>> WalkMembers(N& node, Walking& walk) {
    walk.Base<ARenderNode>(node);
    walk.Embedded(node.mLevels);
    walk.Pointer(node.mItem);
}

inline void WalkMembers(Text::LodRenderableTextRun& run, Walking& walk) { walk.Embedded(run.mRuns); }
inline void WalkMembers(Text::RenderableTextRun& run, Walking& walk) { walk.Embedded(run.mItems); }

} // namespace Tarn::Utilities
