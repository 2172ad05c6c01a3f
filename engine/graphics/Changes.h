// Change packets and the object managers that queue them until the render graph applies them.
#pragma once

#include "engine/graphics/Fragments.h"
#include "engine/graphics/Worlds.h"

#pragma GCC visibility push(default)

namespace Tarn::Graphics {

class Billboard : public Objects::ARefCounted {
public:
    float mOrientation[4] = {};
};

class IChangePacket : public Objects::ARefCounted {};

// One change of one render node: each accessor answers what the change brings, or null.
class ChangePacket : public IChangePacket {
public:
    virtual ARenderNode* Node() const { return mNode; }
    Objects::SharedMatrix* NewMatrix() const { return mMatrix; }
    Tarn::mat4<double>* NewDoubleMatrix() const { return mDoubleMatrix; }
    StyleGraph* NewStyleGraph() const { return mStyleGraph; }
    StyleFragment* ChangedFragment() const { return mFragment; }
    Objects::XPlaneSet<float>* NewClipPlanes() const { return mClipPlanes; }
    Devices::GraphicScheme* NewLocalGraphicScheme() const { return mScheme; }
    Billboard* NewBillboard() const { return mBillboard; }
    ARenderNode* DrawOrderNode() const { return mDrawOrder; }

    ARenderNode* mNode = nullptr;
    Objects::SharedMatrix* mMatrix = nullptr;
    Tarn::mat4<double>* mDoubleMatrix = nullptr;
    Objects::ALocaleStrategy* mStrategy = nullptr;
    StyleGraph* mStyleGraph = nullptr;
    StyleFragment* mFragment = nullptr;
    Objects::XPlaneSet<float>* mClipPlanes = nullptr;
    Devices::GraphicScheme* mScheme = nullptr;
    Billboard* mBillboard = nullptr;
    ARenderNode* mDrawOrder = nullptr;
};

class IObjectManager {
public:
    virtual ~IObjectManager() = default;
};

class StandardObjectManager : public IObjectManager {
public:
    virtual Objects::IWorld* World() const { return mWorld; }

    Objects::IWorld* mWorld = nullptr;
    ListOfChangePacket* mPackets = nullptr;
};

class PersistentObjectManager : public StandardObjectManager {};

} // namespace Tarn::Graphics

#pragma GCC visibility pop
