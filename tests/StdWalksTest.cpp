// Walks of the standard library against the allocator: every value is built while operator new is counted
// (examples/host/Allocations.cpp), then walked as the member of a host object; the report must book exactly the
// blocks the allocator handed out, at the sizes it was asked for.
#include "Allocations.h"
#include "Probe.h"

#include "engine/devices/Devices.h"
#include "engine/graphics/Graphics.h"
#include "utilities/walk/IWalkObject.h"
#include "utilities/walkers/HostWalkers.h"

#include <gtest/gtest.h>

#include <functional>
#include <set>
#include <string>

namespace Tarn::Testing {

// A host object holding one value of T, walked as a host walks its members.
template <class T> struct Held {
    T mValue;
};
template <class T> void WalkMembers(Held<T>& held, Utilities::Walking& walk) { walk.Embedded(held.mValue); }

// An effect instance's values over a set of four parameters: booked as the instance's walk books them.
struct Values {
    std::unique_ptr<Devices::ParameterValues> mValues;
};
inline Devices::AParameterSet& FourParameters() {
    static Devices::AParameter parameters[4];
    static Devices::AParameterSet set;
    if (set.ParameterCount() == 0)
        for (Devices::AParameter& parameter : parameters) set.mParameters.Add(&parameter);
    return set;
}
void WalkMembers(Values& values, Utilities::Walking& walk) {
    Utilities::IWalkObject::WalkParameterValues(values.mValues.get(), &FourParameters(), walk.Recorder());
}

// A chain of objects that make_shared made, each owning the next.
struct Link {
    std::shared_ptr<Link> mNext;
};
void WalkMembers(Link& link, Utilities::Walking& walk) { walk.Embedded(link.mNext); }

} // namespace Tarn::Testing

namespace {

using namespace Tarn::Testing;
using Tarn::Objects::ARefCounted;
using Tarn::Objects::SharedMatrix;
using Tarn::Utilities::MemoryGraph;
using Tarn::Utilities::RecordMemory;
using Tarn::Utilities::WalkObjectImpl;

std::string Walk(RecordMemory& recorder, void* object, Tarn::Utilities::IWalkObject& walker) {
    walker.Walk(object, &recorder);
    return std::string(recorder.GetResults());
}
template <class T> std::string WalkAlone(T& object) {
    RecordMemory recorder;
    return Walk(recorder, &object, WalkObjectImpl<T>::Instance());
}

// One value built by `fill` into a held T while the allocator is counted, and the report of its walk.
struct Measured {
    Host::Allocated mAllocated;
    size_t mHolder;  // the host object's own bytes, booked beside what its value owns
    std::string mReport;
};

template <class T> Measured Measure(const std::function<void(T&)>& fill) {
    std::optional<Held<T>> held;
    Host::StartCounting();
    held.emplace();
    fill(held->mValue);
    const Host::Allocated allocated = Host::StopCounting();
    RecordMemory recorder;
    return {allocated, sizeof(Held<T>), Walk(recorder, &*held, WalkObjectImpl<Held<T>>::Instance())};
}

struct Case {
    const char* mName;
    size_t mBlocks;     // what the allocator must hand out, so that a case cannot pass by allocating nothing
    std::string mRow;   // a row the report must hold, whole: name, bytes, instances, references; or ""
    std::function<Measured()> mMeasure;
};

template <class T> Case Of(const char* name, size_t blocks, std::string row, std::function<void(T&)> fill) {
    return {name, blocks, std::move(row), [fill] { return Measure<T>(fill); }};
}

const std::string kLong(100, 'x');  // beyond any string's own buffer
const std::string kMatrix = "Tarn::Objects::SharedMatrix";
const std::string kString = "std::__cxx11::basic_string<char, std::char_traits<char>, std::allocator<char> >";
constexpr size_t kLongBytes = 101;  // a string made from kLong has capacity 100
constexpr auto kLock = std::__default_lock_policy;

std::string Row(const std::string& name, size_t bytes, int instances = 1) { return Reports::Row(name, bytes, instances, instances); }

std::vector<Case> Cases() {
    using namespace Tarn::Devices;
    using Strings = std::vector<std::string>;
    using Matrices = std::vector<std::unique_ptr<SharedMatrix>>;
    FourParameters();  // made before anything is counted
    return {
        Of<std::string>("short string", 0, "", [](auto& s) { s = "short"; }),
        Of<std::string>("long string", 1, Row("char*", kLongBytes), [](auto& s) { s = kLong; }),
        Of<std::string>("reserved string", 1, Row("char*", 301), [](auto& s) { s.reserve(300), s = "abc"; }),
        Of<std::wstring>("long wide string", 1, Row("wchar_t*", 21 * sizeof(wchar_t)), [](auto& s) { s.assign(20, L'w'); }),
        Of<std::vector<int>>("vector at capacity", 1, Row("int*", 40), [](auto& v) { v.reserve(10), v.assign(3, 7); }),
        Of<Strings>("vector of strings in place", 3, "", [](auto& v) { v.reserve(4), v = {kLong, "short", kLong}; }),
        Of<Matrices>("vector of owners through the registry", 3, Row(kMatrix, 2 * sizeof(SharedMatrix), 2),
                     [](auto& v) { v.reserve(2), v.push_back(std::make_unique<SharedMatrix>()), v.push_back(std::make_unique<SharedMatrix>()); }),
        Of<std::vector<bool>>("vector of bits", 1, Row("unsigned long*", 16), [](auto& v) { v.assign(100, true); }),
        Of<std::deque<int>>("empty deque", 2, Row("int**", 64), [](auto&) {}),
        Of<std::deque<std::string>>("deque of strings", 4 + 40 + 1, Row(kString + "*", 4 * 512, 4),
                                    [](auto& d) { d.assign(40, kLong); }),
        Of<std::list<std::string>>("list", 3 + 1, Row("std::_List_node<" + kString + " >", 3 * 48, 3),
                                   [](auto& l) { l = {"a", kLong, "c"}; }),
        Of<std::forward_list<int>>("forward list", 4, Row("std::_Fwd_list_node<int>", 4 * 16, 4), [](auto& l) { l = {1, 2, 3, 4}; }),
        Of<std::map<int, std::string>>("map", 3 + 2, Row("std::_Rb_tree_node<std::pair<int const, " + kString + " > >", 3 * 72, 3),
                                       [](auto& m) { m = {{1, kLong}, {2, "b"}, {3, kLong}}; }),
        Of<std::multimap<int, int>>("multimap", 2, "", [](auto& m) { m = {{1, 1}, {1, 2}}; }),
        Of<std::set<std::string>>("set of strings", 3 + 1, "", [](auto& s) { s = {"a", kLong, "c"}; }),
        Of<std::multiset<int*>>("multiset of plain pointers", 2, "", [](auto& s) { s = {nullptr, nullptr}; }),
        Of<std::unordered_map<int, std::string>>("unordered map", 1 + 20 + 20, "",
                                                 [](auto& m) { for (int i = 0; i < 20; ++i) m[i] = kLong; }),
        Of<std::unordered_map<int, int>>("unordered map of one bucket", 0, "", [](auto&) {}),
        Of<std::unordered_multimap<std::string, int>>("unordered multimap with cached hashes", 1 + 3 + 2, "",
                                                      [](auto& m) { m = {{kLong, 1}, {kLong + "y", 2}, {"z", 3}}; }),
        Of<std::unordered_set<std::unique_ptr<SharedMatrix>>>("unordered set of owners", 1 + 2 + 2, "",
                                                             [](auto& s) { s.insert(std::make_unique<SharedMatrix>()), s.insert(std::make_unique<SharedMatrix>()); }),
        Of<std::array<std::string, 3>>("array", 2, "", [](auto& a) { a = {kLong, "b", kLong}; }),
        Of<std::string[2]>("C array", 1, "", [](auto& a) { a[1] = kLong; }),
        Of<std::optional<std::string>>("optional", 1, "", [](auto& o) { o = kLong; }),
        Of<std::pair<std::string, std::unique_ptr<SharedMatrix>>>("pair", 2, "",
                                                                 [](auto& p) { p = {kLong, std::make_unique<SharedMatrix>()}; }),
        Of<std::tuple<int, std::string, std::vector<int>>>("tuple", 2, "", [](auto& t) { t = {1, kLong, {1, 2}}; }),
        Of<std::variant<int, std::string>>("variant", 1, "", [](auto& v) { v = kLong; }),
        Of<std::stack<std::string>>("stack over a deque", 2 + 1, "", [](auto& s) { s.push(kLong); }),
        Of<std::priority_queue<int>>("priority queue over a vector", 1, "", [](auto& q) { q.push(3), q.push(1); }),
        Of<std::unique_ptr<ARefCounted>>("unique_ptr through the registry", 1, Row(kMatrix, sizeof(SharedMatrix)),
                                         [](auto& p) { p = std::make_unique<SharedMatrix>(); }),
        Of<std::unique_ptr<int>>("unique_ptr of a value", 1, Row("int", sizeof(int)), [](auto& p) { p = std::make_unique<int>(4); }),
        Of<std::shared_ptr<SharedMatrix>>("shared_ptr and its control block", 2,
                                          Row("std::_Sp_counted_ptr<Tarn::Objects::SharedMatrix*, (__gnu_cxx::_Lock_policy)2>", 24),
                                          [](auto& p) { p.reset(new SharedMatrix); }),
        Of<std::shared_ptr<SharedMatrix>>("make_shared in one allocation", 1,
                                          Row(kMatrix, sizeof(std::_Sp_counted_ptr_inplace<SharedMatrix, std::allocator<void>, kLock>)),
                                          [](auto& p) { p = std::make_shared<SharedMatrix>(); }),
        Of<std::shared_ptr<const SharedMatrix>>("allocate_shared of a const object", 1, "",
                                                [](auto& p) { p = std::allocate_shared<const SharedMatrix>(std::allocator<SharedMatrix>()); }),
        Of<std::shared_ptr<std::string>>("make_shared of an owner", 2, "", [](auto& p) { p = std::make_shared<std::string>(kLong); }),
        Of<std::shared_ptr<SharedMatrix>>("shared_ptr from unique_ptr", 2, "",
                                          [](auto& p) { p = std::make_unique<SharedMatrix>(); }),
        Of<std::map<std::string, std::vector<std::shared_ptr<SharedMatrix>>>>(
            "nested", 2 + 1 + 1 + 2, "", [](auto& m) { m[kLong] = {std::make_shared<SharedMatrix>(), std::make_shared<SharedMatrix>()}, m["b"]; }),
        // Engine objects whose walkers grow their size by tables in their own allocation: one block each, booked
        // whole; a hash table's bucket array is exactly its buckets.
        Of<std::unique_ptr<AAtlas>>("atlas and its entries in one piece", 1, Row("Tarn::Devices::AAtlas", sizeof(AAtlas) + 5 * 80),
                                    [](auto& p) { p.reset(AAtlas::Create(5)); }),
        Of<std::unique_ptr<ARenderEffect>>("effect and its pass table in one piece", 1,
                                           Row("Tarn::Devices::VertexColorEffect", sizeof(VertexColorEffect) + 3 * 4),
                                           [](auto& p) { p.reset(ARenderEffect::Create<VertexColorEffect>(3)); }),
        // Names are interned, the string table's: none is given here, so that only the effect's blocks are seen.
        Of<std::unique_ptr<ARenderEffect>>("effect file, its technique and pass tables in one piece, and its name list", 2,
                                           Row("Tarn::Devices::FXEffectDx10", sizeof(FXEffectDx10) + 3 * 8 + 2 * 4),
                                           [](auto& p) { p.reset(AFXEffect::Create<FXEffectDx10>(2, {nullptr, nullptr, nullptr})); }),
        Of<Values>("parameter values, their slots and flags in one piece", 1, Row("Tarn::Devices::ParameterValues", 48 + 9 * 4),
                   [](auto& v) { v.mValues.reset(ParameterValues::Create(4)); }),
        Of<Tarn::Graphics::ConsolidationBuckets>("hash map: bucket array and an entry array", 2, "",
                                                 [](auto& m) { m.Add({nullptr, nullptr}); }),
    };
}

// Every case books what the allocator handed out, block for block, beside the host object itself.
TEST(StdWalks, BookWhatTheAllocatorHandedOut) {
    for (const Case& c : Cases()) {
        SCOPED_TRACE(c.mName);
        const Measured measured = c.mMeasure();
        EXPECT_EQ(measured.mAllocated.mBlocks, c.mBlocks);
        const int records = int(1 + measured.mAllocated.mBlocks);
        EXPECT_EQ(measured.mReport.substr(0, measured.mReport.find('\n') + 1),
                  Reports::Total(measured.mHolder + measured.mAllocated.mBytes, records, records))
            << measured.mReport;
        if (!c.mRow.empty()) {
            EXPECT_NE(measured.mReport.find("\n" + c.mRow), std::string::npos) << measured.mReport;
        }
    }
}

class SharedOwners : public ::testing::Test {
protected:
    // Three host objects share one object; all three are walked into one recorder.
    std::string WalkThree(const std::shared_ptr<SharedMatrix>& shared) {
        Held<std::shared_ptr<SharedMatrix>> owners[3] = {{shared}, {shared}, {shared}};
        for (auto& owner : owners) WalkObjectImpl<Held<std::shared_ptr<SharedMatrix>>>::Instance().Walk(&owner, &mRecorder);
        return std::string(mRecorder.GetResults());
    }
    RecordMemory mRecorder;
};

TEST_F(SharedOwners, ObjectAndControlBlockAreBookedOnce) {
    const std::string report = WalkThree(std::shared_ptr<SharedMatrix>(new SharedMatrix));
    EXPECT_TRUE(Reports::Has(report, Reports::Row(kMatrix, sizeof(SharedMatrix), 1, 3))) << report;
    EXPECT_TRUE(Reports::Has(report, Reports::Row("std::_Sp_counted_ptr<Tarn::Objects::SharedMatrix*, (__gnu_cxx::_Lock_policy)2>", 24, 1, 3)))
        << report;
}

TEST_F(SharedOwners, MakeSharedIsOneAllocationBookedOnce) {
    const std::string report = WalkThree(std::make_shared<SharedMatrix>());
    const size_t allocation = sizeof(std::_Sp_counted_ptr_inplace<SharedMatrix, std::allocator<void>, kLock>);
    EXPECT_TRUE(Reports::Has(report, Reports::Row(kMatrix, allocation, 1, 3))) << report;
    EXPECT_EQ(Reports::Rows(report).size(), 2u) << report;  // the owners' row and the object's
}

// A kept graph holds the object that lives in its control block as one node, reached from each of its owners.
TEST_F(SharedOwners, MakeSharedIsOneNodeOfTheKeptGraph) {
    mRecorder.KeepGraph();
    const auto shared = std::make_shared<SharedMatrix>();
    WalkThree(shared);
    const MemoryGraph& graph = *mRecorder.Graph();
    ASSERT_EQ(graph.NodeCount(), 5u);  // the root, three owners, the object
    std::set<uint32_t> owners;
    for (size_t e = 0; e < graph.EdgeCount(); ++e)
        if (graph.Address(graph.EdgeAt(e).mTo) == shared.get()) owners.insert(graph.EdgeAt(e).mFrom);
    EXPECT_EQ(owners.size(), 3u);
    EXPECT_EQ(owners.count(MemoryGraph::kRoot), 0u);
}

// An object of a derived class made in place is booked by its walker at its size, the counts before it under the
// control block's name: two rows for the one allocation, whichever base the owner points at.
TEST(StdWalks, DerivedObjectMadeInPlace) {
    using Block = std::_Sp_counted_ptr_inplace<SharedMatrix, std::allocator<void>, kLock>;
    const std::string counts =
        Row("std::_Sp_counted_ptr_inplace<Tarn::Objects::SharedMatrix, std::allocator<void>, (__gnu_cxx::_Lock_policy)2>",
            sizeof(Block) - sizeof(SharedMatrix));
    Held<std::shared_ptr<ARefCounted>> counted{std::make_shared<SharedMatrix>()};
    Held<std::shared_ptr<Tarn::Objects::IClone>> cloned{std::make_shared<SharedMatrix>()};  // a base further in
    for (const std::string& report : {WalkAlone(counted), WalkAlone(cloned)}) {
        EXPECT_TRUE(Reports::Has(report, Row(kMatrix, sizeof(SharedMatrix)))) << report;
        EXPECT_TRUE(Reports::Has(report, counts)) << report;
    }
}

// Views book nothing of what they see: a weak_ptr's object belongs to its owners, a function's target is out of sight.
TEST(StdWalks, ViewsBookNothing) {
    auto shared = std::make_shared<SharedMatrix>();
    Held<std::weak_ptr<SharedMatrix>> weak{shared};
    Held<std::function<size_t()>> function{[big = std::array<size_t, 16>{}] { return big.size(); }};
    RecordMemory recorder;
    Walk(recorder, &weak, WalkObjectImpl<decltype(weak)>::Instance());
    EXPECT_EQ(Walk(recorder, &function, WalkObjectImpl<decltype(function)>::Instance()),
              Reports::Total(sizeof(weak) + sizeof(function), 2, 2) + Row("Tarn::Testing::Held<std::function<unsigned long ()> >", sizeof(function)) +
                  Row("Tarn::Testing::Held<std::weak_ptr<Tarn::Objects::SharedMatrix> >", sizeof(weak)));
}

// A member declared const is walked by its type's walk.
TEST(StdWalks, ConstMembersAreWalked) {
    const Held<const std::string> held{kLong};
    RecordMemory recorder;
    const std::string report = Walk(recorder, const_cast<Held<const std::string>*>(&held), WalkObjectImpl<Held<const std::string>>::Instance());
    EXPECT_TRUE(Reports::Has(report, Row("char*", kLongBytes))) << report;
}

// A chain of make_shared objects deeper than the stack is walked on fresh stack segments, each object once.
TEST(StdWalks, DeepChainOfSharedObjects) {
    constexpr int kDepth = 200000;
    Link head;
    for (int i = 0; i < kDepth; ++i) head.mNext = std::make_shared<Link>(Link{std::move(head.mNext)});
    RecordMemory recorder;
    const std::string report = Walk(recorder, &head, WalkObjectImpl<Link>::Instance());
    const size_t allocation = sizeof(std::_Sp_counted_ptr_inplace<Link, std::allocator<void>, kLock>);
    EXPECT_TRUE(Reports::Has(report, Row("Tarn::Testing::Link", sizeof(Link) + kDepth * allocation, kDepth + 1))) << report;
    while (head.mNext) head.mNext = std::move(head.mNext->mNext);  // freed one by one, not by a deep recursion
}

} // namespace
