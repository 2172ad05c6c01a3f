// A fixture for walker tests: a recorder, the probe log cleared, and the two ways into a walk.
#pragma once

#include "Probe.h"

#include "utilities/walk/IWalkObject.h"
#include "utilities/walk/Walking.h"

#include <gtest/gtest.h>

#include <string>

namespace Tarn::Testing {

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
    // The same, each with a recorder of its own.
    template <class T> static std::string WalkAlone(T* object) {
        Utilities::RecordMemory recorder;
        Utilities::WalkObjectImpl<T>::Instance().Walk(object, &recorder);
        return std::string(recorder.GetResults());
    }
    template <class X> static std::string ReachAlone(X* object) {
        Utilities::RecordMemory recorder;
        Utilities::WalkPointer(object, &recorder);
        return std::string(recorder.GetResults());
    }

    Utilities::RecordMemory mRecorder;
};

} // namespace Tarn::Testing
