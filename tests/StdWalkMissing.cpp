// Walks that must not compile: an owning type of namespace std without a walk, reached by walk.Embedded directly,
// as an element, behind an owner, or with an allocator the walks do not know. Built with MISSING set to one case;
// the test expects the build to fail naming the type.
#include "utilities/walkers/StdWalks.h"

#include <any>
#include <thread>

namespace Host {

template <class E> struct Tracked : std::allocator<E> {
    template <class U> struct rebind {
        using other = Tracked<U>;
    };
};

struct Missing {
#if MISSING == 1
    std::thread mValue;
#elif MISSING == 2
    std::vector<std::any> mValue;
#elif MISSING == 3
    std::unique_ptr<int[]> mValue;
#elif MISSING == 4
    std::vector<int, Tracked<int>> mValue;
#else
    std::vector<std::string> mValue;  // walked: this one compiles
#endif
};

inline void WalkMembers(Missing& missing, Tarn::Utilities::Walking& walk) { walk.Embedded(missing.mValue); }

} // namespace Host

template class Tarn::Utilities::WalkObjectImpl<Host::Missing>;
