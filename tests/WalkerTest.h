// A fixture for walker tests: a recorder, the probe log cleared, and the two ways into a walk.
#pragma once

#include "Probe.h"

#include "utilities/walk/IWalkObject.h"
#include "utilities/walk/Walking.h"

#include <gtest/gtest.h>

#include <string>

namespace Tarn::Testing {

// The report of `object` walked by T's own walker, or reached through the registry from static type X, each into a
// recorder of its own.
template <class T> std::string WalkAlone(T* object) {
    Utilities::RecordMemory recorder;
    Utilities::WalkObjectImpl<T>::Instance().Walk(object, &recorder);
    return std::string(recorder.GetResults());
}
template <class X> std::string ReachAlone(X* object) {
    Utilities::RecordMemory recorder;
    Utilities::WalkPointer(object, &recorder);
    return std::string(recorder.GetResults());
}

class WalkerTest : public ::testing::Test {
protected:
    void SetUp() override { ProbeLog().clear(); }

    // By T's own walker, into the fixture's recorder; the report so far.
    template <class T> std::string Walk(T* object) {
        Utilities::WalkObjectImpl<T>::Instance().Walk(object, &mRecorder);
        return std::string(mRecorder.GetResults());
    }
    // Through the registry from static type X, into the fixture's recorder.
    template <class X> std::string Reach(X* object) {
        Utilities::WalkPointer(object, &mRecorder);
        return std::string(mRecorder.GetResults());
    }
    Utilities::RecordMemory mRecorder;
};

} // namespace Tarn::Testing
