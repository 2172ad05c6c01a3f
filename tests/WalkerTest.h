// Fixtures for walker tests: a recorder, the probe log cleared, and the two ways into a walk; and a table of the
// visits of walkers, checked against probes.
#pragma once

#include "Probe.h"

#include "platform/TypeNames.h"
#include "utilities/walk/IWalkObject.h"
#include "utilities/walk/Walking.h"

#include <gtest/gtest.h>

#include <deque>
#include <functional>
#include <memory>
#include <numeric>
#include <ostream>
#include <set>
#include <string>
#include <utility>
#include <vector>

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

// The row of one object of T reached once, booked at sizeof(T) plus `extra` bytes of its own allocation.
template <class T> std::string One(size_t extra = 0) {
    return Reports::Row(Platform::ReadableNameOf<T>(), sizeof(T) + extra, 1, 1);
}

// Probes numbered from 1 in the order they are made: a test makes them in the order a walker must visit them.
class Probes {
public:
    // A probe in the place of a B.
    template <class B> ProbeAs<B>* As() {
        auto probe = std::make_shared<ProbeAs<B>>();
        probe->mId = ++mMade;
        mOwned.push_back(probe);
        return probe.get();
    }
    // A probe on the attachment chain of `object`, walked with the object's attachable part.
    template <class A> A& Tag(A& object) {
        object.Attach(&mTags.emplace_back(++mMade).mLink);
        return object;
    }
    // `count` probes in the place of X added to `list`, made from the last element to the first, as lists are walked.
    template <class X, class L> void Fill(L& list, int count) {
        std::vector<X*> elements(static_cast<size_t>(count));
        for (int i = count - 1; i >= 0; --i) elements[size_t(i)] = As<X>();
        for (X* element : elements) list.Add(element);
    }
    int Made() const { return mMade; }

private:
    int mMade = 0;
    std::vector<std::shared_ptr<void>> mOwned;
    std::deque<ProbeAttachment> mTags;
};

// What one walker visits and books. `mWalk` builds an object whose members are probes made in the order of the
// walker's steps, walks it, and answers the report. `mRows` are all the report's rows but the probes' and their
// attachments'. Each of `mBetween` names a type, or gives a whole row, first booked after probe k - 1 was walked and
// before probe k was (k one past the last probe: after it).
struct Visits {
    const char* mName;
    std::function<std::string(Probes&)> mWalk;
    std::vector<std::string> mRows;
    std::vector<std::pair<int, std::string>> mBetween = {};
};

inline void PrintTo(const Visits& visits, std::ostream* out) { *out << visits.mName; }

class WalkerVisits : public ::testing::TestWithParam<Visits> {
protected:
    void ExpectVisits() {
        const Visits& visits = GetParam();
        ProbeLog().clear();
        Probes probes;
        const std::string report = visits.mWalk(probes);
        std::vector<int> order(size_t(probes.Made()));
        std::iota(order.begin(), order.end(), 1);
        ASSERT_EQ(ProbeOrder(), order);
        std::multiset<std::string> rows;
        for (const std::string& row : Reports::Rows(report))
            if (row.rfind("Tarn::Testing::", 0) != 0 && row.rfind("Tarn::Objects::Attachment\t", 0) != 0) rows.insert(row);
        EXPECT_EQ(rows, std::multiset<std::string>(visits.mRows.begin(), visits.mRows.end())) << report;
        for (const auto& [probe, booked] : visits.mBetween) {
            const std::string before = probe > 1 ? ProbeLog()[size_t(probe) - 2].mReportSoFar : "";
            const std::string after = probe <= probes.Made() ? ProbeLog()[size_t(probe) - 1].mReportSoFar : report;
            auto holds = [&booked = booked](const std::string& so) {
                return booked.find('\t') == std::string::npos ? Reports::Booked(so, booked) : Reports::Has(so, booked);
            };
            EXPECT_FALSE(holds(before)) << booked << " before probe " << probe - 1;
            EXPECT_TRUE(holds(after)) << booked << " not before probe " << probe;
        }
    }
};

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
