#include "utilities/analysis/ObjectGraph.h"

#include "utilities/memory/MemorySnapshot.h"

namespace Tarn::Utilities {

ObjectGraph GraphOf(const MemorySnapshot& snapshot) {
    return {snapshot.NodeCount(), snapshot.mDegrees.data(), snapshot.mTargets.data(), snapshot.EdgeCount(),
            snapshot.mBytes.data()};
}

} // namespace Tarn::Utilities
