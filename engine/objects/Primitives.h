// Geometric primitives, images, clip-plane sets, locales and the other small reference-counted objects.
#pragma once

#include "engine/Math.h"
#include "engine/objects/Containers.h"
#include "engine/objects/Interfaces.h"
#include "engine/objects/Lists.h"

#pragma GCC visibility push(default)

namespace Tarn::Objects {

class SharedMatrix : public ARefCounted, public IClone {
public:
    mat4<double> mMatrix;
};

class APageableData : public ARefCounted {};
class ImageAttribute : public ARefCounted {};

class APrimitive : public ARefCounted, public AUniqueName {
public:
    APrimitive* mRelated = nullptr;  // walked, never interpreted
};

template <class T> class Point : public APrimitive {
public:
    vec3<T> mPosition;
};

template <class T> class Curve : public APrimitive {};

template <class T> class Polyline : public Curve<T> {
public:
    ListOfPoints3D<T> mVertices;
};

template <class T> class CircleArc : public Curve<T> {
public:
    vec3<T> mCenter;
    T mRadius{}, mStart{}, mEnd{};
};

template <class T> class Circle : public Curve<T> {
public:
    vec3<T> mCenter;
    T mRadius{};
};

template <class T> class Surface : public APrimitive {};

template <class T> class BoundedPlane : public Surface<T> {
public:
    vec4<T> mPlane;
};

// Its points are a base: the array list of Point<T> values.
template <class T> class PointArray : public APrimitive, public _ArrayList<Point<T>, NoLifetime<Point<T>>> {};

class APrimitiveContext : public ARefCounted, public IClone {
public:
    virtual APrimitive* CurrentPrimitive() const { return mCurrent; }
    APrimitive* mCurrent = nullptr;
};

class APrimitiveIterator : public ARefCounted {};

class SinglePrimitiveIterator : public APrimitiveIterator {
public:
    APrimitive* mPrimitive = nullptr;
};

template <class T> class Image : public ARefCounted {
public:
    Curve<T>* CurveModel() const { return mCurve; }
    Surface<T>* SurfaceModel() const { return mSurface; }
    ImageAttribute* ImageAttr() const { return mAttribute; }

    Curve<T>* mCurve = nullptr;
    Surface<T>* mSurface = nullptr;
    ImageAttribute* mAttribute = nullptr;
};

template <class T> struct XPlane {
    vec3<T> mNormal;
    T mDistance{};
};

// A set of clip planes. Its device array holds as many planes as the first virtual device supports.
template <class T> class XPlaneSet : public ARefCounted {
public:
    XPlaneSet() = default;
    explicit XPlaneSet(int planeCount) : mPlanes(new XPlane<T>[planeCount]()) {}
    XPlaneSet(const XPlaneSet&) = delete;
    XPlaneSet& operator=(const XPlaneSet&) = delete;
    ~XPlaneSet() override { delete[] mPlanes; }

    XPlane<T>* DevicePlanes() const { return mPlanes; }

private:
    XPlane<T>* mPlanes = nullptr;
};

class ALocaleStrategy : public IBaseInterface, public IDelete, public IClone {};

class ALocale : public IBaseInterface {
public:
    ALocaleStrategy* mStrategy = nullptr;
};

// Record-name types of parameter values.
struct _Box2 {
    vec2<float> mMin, mMax;
};
struct SBox3 {
    vec4<double> mMin, mMax;
};

} // namespace Tarn::Objects

#pragma GCC visibility pop
