// What a host includes to measure its own classes: the walking steps, the library's walks of every engine type and
// of the standard library, and the registration of the host's classes under the engine types through which they
// are reached.
//
//   // A host class, derived from an engine class, with members of its own.
//   class Terrain : public Tarn::Objects::Image<float> { ... };
//
//   // Its walk, in the host's namespace and inline, as it lives in a header: the engine base first, then what it
//   // owns, every member that owns memory.
//   inline void WalkMembers(Terrain& terrain, Tarn::Utilities::Walking& walk) {
//       walk.Base<Tarn::Objects::Image<float>>(terrain);
//       walk.Embedded(terrain.mName);          // an engine string, a std::string, a std::vector, a std::map, ...
//       walk.Pointer(terrain.mPlacement);      // walked as the deepest registered class of its object
//       walk.Block(terrain.mHeights, "Terrain heights", terrain.mCount * sizeof(float));  // a block of the host's
//   }
//
//   // In one source file: found from any pointer through which the library reaches an Image<float>, from
//   // ARefCounted up (tarn_report registrations lists what reaches what).
//   const Tarn::Utilities::Registrations<Tarn::Utilities::SubClasses<Tarn::Objects::Image<float>, Terrain>> kTerrain;
//
// A module loaded later (a plug-in) registers the same way; walks after its registration use its walkers, and the
// module stays loaded for the life of the process. A class that another module registered under the same engine
// type first keeps that registration.
#pragma once

#include "utilities/walk/ClassHierarchy.h"
#include "utilities/walk/WalkerDefinitions.h"
#include "utilities/walk/Walking.h"
#include "utilities/walkers/Walks.h"
