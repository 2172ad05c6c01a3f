// Drawing of debug shapes into a frame: the draw context of one frame and the process-wide draw manager.
#pragma once

#include "engine/objects/Attachable.h"
#include "engine/objects/Primitives.h"

#pragma GCC visibility push(default)

namespace Tarn::Devices {

// What one frame draws into. A renderer derives its own context; the draw manager knows the concrete kind.
class ADrawContext {
public:
    virtual ~ADrawContext() = default;
};

// Draws debug shapes on behalf of tools. The engine installs one in Sys::mDrawManager.
class DrawManager {
public:
    virtual ~DrawManager() = default;

    // The twelve edges of `box`, transformed by `transform` when it is not null (null: the box is in world
    // space), filled when `solid` is true. `colour` is red, green, blue, alpha.
    virtual void DrawBox(ADrawContext& context, const Objects::Box3& box, const Objects::SharedMatrix* transform,
                         bool solid, const float colour[4]) = 0;
};

} // namespace Tarn::Devices

#pragma GCC visibility pop
