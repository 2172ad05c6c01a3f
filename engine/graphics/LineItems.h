// Stylized lines: render items drawn from an editable buffer of polylines and per-vertex channels.
#pragma once

#include "engine/graphics/Lists.h"

#include <cstdint>

#pragma GCC visibility push(default)

namespace Tarn::Graphics {

// One channel of per-vertex data: its bytes, as many as the length says.
class ChannelDesc {
public:
    char* mBuffer = nullptr;
    int32_t mLength = 0;
};

struct PolylineDesc {
    Objects::SegmentIndexDescList mSegments;
};

class EditableLineBuffer : public Objects::ARefCounted, public Objects::IDelete, public Objects::IClone {
public:
    Objects::_ArrayList<ChannelDesc*, Objects::NoLifetime<ChannelDesc*>> mChannels;
    Objects::_ArrayList<float, Objects::NoLifetime<float>> mWidths;
    Devices::AVertexFormat* mFormat = nullptr;
    Objects::_ArrayList<PolylineDesc, Objects::NoLifetime<PolylineDesc>> mPolylines;
};

template <class T> class StylizedLineItem : public Devices::RenderItem {
public:
    EditableLineBuffer* GetEditableLineBuffer() const { return mBuffer; }
    EditableLineBuffer* mBuffer = nullptr;
};

} // namespace Tarn::Graphics

#pragma GCC visibility pop
