// The graphics layer's fragments: line styles as fragment graphs, scripted fragments and region composition.
#pragma once

#include "engine/devices/Fragments.h"

#pragma GCC visibility push(default)

namespace Tarn::Graphics {

class StyleGraph : public Devices::FragmentGraph {};

class StyleFragment : public Devices::AProcFragment {
public:
    Objects::_ListBase<Objects::UString*, Objects::NoLifetime<Objects::UString*>> mStyleNames;
};

// Runs the scripts of scripted fragments.
class ScriptInterpreter {
public:
    virtual ~ScriptInterpreter() = default;
};

class ScriptFragment : public Devices::AProcFragment {
public:
    ScriptInterpreter* mInterpreter = nullptr;  // the engine's, not owned
    int mEntryPoint = 0;
};

class ComposeRegionFragment : public Devices::AProcFragment {
public:
    int mRegion[4] = {};
};

} // namespace Tarn::Graphics

#pragma GCC visibility pop
