// What one group of the demo scene built, shared by the files that build its layers.
#pragma once

#include "engine/graphics/Graphics.h"
#include "examples/DemoScene.h"

namespace Tarn::Demo {

struct DemoScene::Group {
    using RefCountedList = Objects::_ArrayList<Objects::ARefCounted*, Objects::RefCountedLifetime<Objects::ARefCounted*>>;

    // Reached from a render node's attribute list: everything of the group that nothing else points at.
    RefCountedList* mObjects = nullptr;

    // The object model
    Objects::Image<double>* mImageD = nullptr;
    Objects::Image<float>* mImageF = nullptr;
    Objects::PointArray<float>* mPoints = nullptr;
    Objects::Polyline<double>* mOutline = nullptr;
    Objects::Circle<float>* mCircle = nullptr;
    Objects::APrimitiveContext* mContext = nullptr;
    Objects::APrimitiveIterator* mIterator = nullptr;
    Objects::XPlaneSet<float>* mPlanes = nullptr;
    Objects::SharedMatrix* mMatrix = nullptr;
    Objects::ALocale* mLocale = nullptr;
    Objects::ALocaleStrategy* mStrategy = nullptr;
    Objects::KString* mLabel = nullptr;

    // The device layer
    Devices::RenderItem* mItem = nullptr;
    Devices::EffectInstance* mEffect = nullptr;
    Devices::GraphicScheme* mScheme = nullptr;
    Devices::AVertexFormat* mFormat = nullptr;
    Devices::BasicLightProperties* mLight = nullptr;
    Graphics::StyleGraph* mStyle = nullptr;
    Graphics::StyleFragment* mStyleFragment = nullptr;

    // The render graph
    Graphics::BSPCell* mCell = nullptr;
    Graphics::GeometryNode* mGeometry = nullptr;
    Graphics::OccurrenceNode* mOccurrence = nullptr;
    Graphics::LODConsolidationNode* mLODNode = nullptr;
    Graphics::FilterNode* mFilter = nullptr;
    Graphics::BaseBucketKey* mKey = nullptr;
    Graphics::ConsolidationNotifier* mNotifier = nullptr;
    Graphics::ImageNode2<float>* mImageNode = nullptr;
    Text::PlainTextNode* mText = nullptr;
};

} // namespace Tarn::Demo
