// A plug-in that registers no walker: a host's kind of image that the library can measure only as the engine class
// it derives from. Built twice, as two modules with classes of their own (TARN_PLUGIN names the namespace).
#include "engine/objects/Primitives.h"

namespace Tarn::Testing::TARN_PLUGIN {

class Boulder : public Objects::Image<float> {
public:
    double mMass[4] = {};
};

} // namespace Tarn::Testing::TARN_PLUGIN

extern "C" __attribute__((visibility("default"))) Tarn::Objects::Image<float>* MakeBoulder() {
    return new Tarn::Testing::TARN_PLUGIN::Boulder;
}

extern "C" __attribute__((visibility("default"))) void DestroyBoulder(Tarn::Objects::Image<float>* boulder) {
    delete boulder;
}
