// The render passes' fragments: procedural fragments that draw a pass with a margin around the frame.
#pragma once

#include "engine/devices/Fragments.h"

#pragma GCC visibility push(default)

namespace Tarn::Utilities {

// Each draws into a frame larger than the view by its margin, in pixels.
class NPR_DownSampleToBlackWhitePassMarginFragment : public Devices::AProcFragment {
public:
    int mMargin = 0;
    float mThreshold = 0.5f;
};
class NPR_FastBlurPostProcessPassMarginFragment : public Devices::AProcFragment {
public:
    int mMargin = 0;
    int mRadius = 2;
};
class VE_ClearFragmentMarginFragment : public Devices::AProcFragment {
public:
    int mMargin = 0;
    float mColour[4] = {};
};
class VE_Draw3DFragmentMarginFragment : public Devices::AProcFragment {
public:
    int mMargin = 0;
};
class NPR_LineMaskPassMarginFragment : public Devices::AProcFragment {
public:
    int mMargin = 0;
};
class NPR_FaceMaskPassMarginFragment : public Devices::AProcFragment {
public:
    int mMargin = 0;
};
class NPR_BicolorDilationPassMarginFragment : public Devices::AProcFragment {
public:
    int mMargin = 0;
    float mInner[4] = {}, mOuter[4] = {};
};
class NPR_SelectionCompositePassMarginFragment : public Devices::AProcFragment {
public:
    int mMargin = 0;
};
class NPR_DilationIdPassMarginFragment : public Devices::AProcFragment {
public:
    int mMargin = 0;
    int mSteps = 1;
};
class NPR_DepthIdPassMarginFragment : public Devices::AProcFragment {
public:
    int mMargin = 0;
};
class NPR_ObjectHaloPassMarginFragment : public Devices::AProcFragment {
public:
    int mMargin = 0;
    float mHalo[4] = {};
    double mFalloff = 1.0;
};

} // namespace Tarn::Utilities

#pragma GCC visibility pop
