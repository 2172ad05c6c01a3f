// One of two classes named Twin, each in an anonymous namespace of its own file: equal decorated names, two types.
#include "utilities/walkers/Walks.h"

namespace {

class Twin : public Tarn::Objects::APrimitive {
public:
    Tarn::Objects::ListOfPoints3D<float> mOutline;
};

void WalkMembers(Twin& twin, Tarn::Utilities::Walking& walk) { walk.Embedded(twin.mOutline); }

const Tarn::Utilities::Registrations<Tarn::Utilities::SubClasses<Tarn::Objects::APrimitive, Twin>> kTwin;

} // namespace

namespace Tarn::Testing {

// Walks this file's Twin through its engine base and answers sizeof(Twin).
size_t WalkTwinFirst(Utilities::RecordMemory& recorder) {
    static Twin* twin = new Twin;  // lives as long as the registry's answer for it
    twin->mOutline.Add({1, 2, 3});
    Utilities::WalkPointer(static_cast<Objects::APrimitive*>(twin), &recorder);
    return sizeof(Twin);
}

} // namespace Tarn::Testing
