// Parameter values by type code: what a value of each code is, and which accessor of ParameterValues reads it.
#include "utilities/walkers/Walks.h"

#include <array>

namespace Tarn::Utilities {

namespace {

using Devices::AParameter;
using Devices::ParameterValues;

// How the values of one type code are booked: a block of elements under a name, or one object walked through
// the registry. `mRead` is the accessor that WalkParameterValues uses; codes without one are booked only when a
// parameter hands its value to RecordValue itself.
struct ValueKind {
    const char* (*mName)() noexcept = nullptr;
    size_t mElementBytes = 0;
    void (*mWalk)(void* value, RecordMemory* recorder) = nullptr;
    void* (*mRead)(const ParameterValues& values, int index) = nullptr;
};

template <class E> using Accessor = E* (ParameterValues::*)(int) const;

template <class E, Accessor<E> Read> void* ReadValue(const ParameterValues& values, int index) {
    return (values.*Read)(index);
}

// The kinds with an accessor are separate overloads: a member-function pointer compared with null is not a constant
// expression under the undefined-behaviour sanitizer.
template <class E> constexpr ValueKind Block() { return {&Platform::ReadableNameOf<E*>, sizeof(E)}; }
template <class E, Accessor<E> Read> constexpr ValueKind Block() {
    ValueKind kind = Block<E>();
    kind.mRead = &ReadValue<E, Read>;
    return kind;
}

template <class X> constexpr ValueKind Walked() {
    ValueKind kind;
    kind.mWalk = [](void* value, RecordMemory* recorder) { WalkPointer(static_cast<X*>(value), recorder); };
    return kind;
}
template <class X, Accessor<X> Read> constexpr ValueKind Walked() {
    ValueKind kind = Walked<X>();
    kind.mRead = &ReadValue<X, Read>;
    return kind;
}

constexpr int kLastCode = 43;

// Every code not set here (0, 1, 18, 31, 34 to 39) books nothing.
std::array<ValueKind, kLastCode + 1> MakeKinds() {
    using PV = ParameterValues;
    std::array<ValueKind, kLastCode + 1> kinds{};
    kinds[2] = kinds[22] = Block<bool, &PV::AsBoolArray>();
    kinds[3] = kinds[21] = Block<int, &PV::AsIntArray>();
    kinds[4] = Block<long long>();  // 64-bit integers
    kinds[5] = Block<float, &PV::AsFloatArray>();
    kinds[6] = Block<vec2<float>, &PV::AsFloat2Array>();
    kinds[7] = kinds[11] = Block<vec3<float>, &PV::AsFloat3Array>();
    kinds[8] = kinds[12] = Block<vec4<float>, &PV::AsFloat4Array>();
    kinds[9] = kinds[10] = Block<mat4<float>, &PV::AsMatrixArray>();
    kinds[13] = kinds[14] = kinds[15] = kinds[16] = Walked<Devices::TextureInstance, &PV::AsTexture>();
    kinds[17] = Walked<Devices::ASamplerState, &PV::AsSampler>();
    kinds[19] = Walked<Objects::ARefCounted>();
    kinds[20] = kinds[23] = Walked<Objects::KString>();
    kinds[24] = Block<Objects::_Box2>();
    kinds[25] = Walked<Devices::IRenderCamera>();
    kinds[26] = Walked<Devices::GraphicScheme>();
    kinds[27] = Walked<Objects::IWorld>();
    kinds[28] = Walked<Devices::StateSetter>();
    kinds[29] = Walked<Devices::ExtendedStateSetter>();
    kinds[30] = Walked<Devices::EffectInstance>();
    kinds[32] = Walked<Devices::ATarget>();
    kinds[33] = Walked<Objects::_ArrayList<Objects::UString*, Objects::NoLifetime<Objects::UString*>>>();
    kinds[40] = Block<Objects::SBox3>();
    kinds[41] = Block<vec2<int>, &PV::AsInt2Array>();
    kinds[42] = Block<vec3<int>, &PV::AsInt3Array>();
    kinds[43] = Block<vec4<int>, &PV::AsInt4Array>();
    return kinds;
}

// Element sizes the reports have always used.
static_assert(sizeof(long long) == 8 && sizeof(vec2<float>) == 8 && sizeof(vec3<float>) == 12 &&
              sizeof(vec4<float>) == 16 && sizeof(mat4<float>) == 64 && sizeof(Objects::_Box2) == 16 &&
              sizeof(Objects::SBox3) == 64 && sizeof(vec2<int>) == 8 && sizeof(vec3<int>) == 12 &&
              sizeof(vec4<int>) == 16);

const ValueKind* KindOf(int code) {
    static const std::array<ValueKind, kLastCode + 1> kinds = MakeKinds();
    return code >= 2 && code <= kLastCode ? &kinds[size_t(code)] : nullptr;
}

int AtLeastOne(int count) { return count < 1 ? 1 : count; }

void Book(const ValueKind& kind, void* value, int count, RecordMemory* recorder) {
    if (kind.mName) RecordBlock(recorder, value, kind.mName(), size_t(count) * kind.mElementBytes);
    else if (kind.mWalk && value) kind.mWalk(value, recorder);
}

} // namespace

// A count below zero would book a negative size; like zero, it is taken as one element.
void IWalkObject::RecordValue(void* value, AParameter::EType type, int count, RecordMemory* recorder) {
    if (const ValueKind* kind = KindOf(type)) Book(*kind, value, AtLeastOne(count), recorder);
}

void IWalkObject::WalkParameterValues(ParameterValues* values, Devices::AParameterSet* set, RecordMemory* recorder) {
    if (!values) return;
    const int count = set ? int(NonNegative(set->ParameterCount())) : 0;
    const size_t bytes = 48 + 9 * size_t(count);
    // Booked before its values, which hang from it in a kept graph.
    const BookedObject booked(recorder, values, Platform::ReadableName(typeid(*values)),
                              Platform::ReadableNameOf<ParameterValues>(), bytes);
    for (int i = count - 1; i >= 0; --i) {
        if (!values->HasValue(i)) continue;
        // The set is asked once for the type and once more for the array size.
        AParameter* parameter = (*set)[i];
        if (!parameter) continue;
        const ValueKind* kind = KindOf(parameter->Type());
        parameter = (*set)[i];
        if (!parameter) continue;
        const int elements = AtLeastOne(parameter->ArraySize());
        if (kind && kind->mRead) Book(*kind, kind->mRead(*values, i), elements, recorder);
    }
}

} // namespace Tarn::Utilities
