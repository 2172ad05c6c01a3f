// The walker registry: deepest registered class, adjusted pointers, the per-type cache and the shared class data.
#include "Probe.h"

#include "utilities/walk/ClassHierarchy.h"
#include "utilities/walk/Walking.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <utility>
#include <vector>

namespace Tarn::Utilities {

// Opens the private offer of shared class data to the tests.
struct ClassDataUtilitiesPeer {
    static void* Offer(void*& slot, const char* rawName, void* newData) {
        return ClassDataUtilities::InternalGetClassData(slot, rawName, newData);
    }
};

} // namespace Tarn::Utilities

namespace {

using namespace Tarn::Testing;
using namespace Tarn::Utilities;

template <class X> IWalkObject* Resolve(X* object, void*& adjusted) {
    return ClassHierarchy<WalkObjectImpl<X>>::GetClassData(object, adjusted);
}

TEST(ClassHierarchy, ResolvesTheDeepestRegisteredClassAlongAChain) {
    Leaf leaf;
    void* adjusted = nullptr;
    EXPECT_EQ(Resolve<Base>(&leaf, adjusted), &WalkObjectImpl<Leaf>::Instance());
    EXPECT_EQ(adjusted, static_cast<void*>(&leaf));
}

TEST(ClassHierarchy, AdjustsThePointerToASubclassWithTheBaseAtAnOffset) {
    Mixed mixed;
    Base* base = &mixed;
    ASSERT_NE(static_cast<void*>(base), static_cast<void*>(&mixed));
    void* adjusted = nullptr;
    EXPECT_EQ(Resolve<Base>(base, adjusted), &WalkObjectImpl<Mixed>::Instance());
    EXPECT_EQ(adjusted, static_cast<void*>(&mixed));

    // The second object of the type is answered from the cache with the same offset.
    Mixed another;
    EXPECT_EQ(Resolve<Base>(static_cast<Base*>(&another), adjusted), &WalkObjectImpl<Mixed>::Instance());
    EXPECT_EQ(adjusted, static_cast<void*>(&another));
}

TEST(ClassHierarchy, CacheAnswersASecondObjectWithoutSearching) {
    Leaf first, second;
    void* adjusted = nullptr;
    Resolve<Middle>(&first, adjusted);
    const int calls = ResolverCalls();
    EXPECT_EQ(Resolve<Middle>(&second, adjusted), &WalkObjectImpl<Leaf>::Instance());
    EXPECT_EQ(adjusted, static_cast<void*>(&second));
    EXPECT_EQ(ResolverCalls(), calls);
}

TEST(ClassHierarchy, UnregisteredSubclassIsWalkedAsTheDeepestRegisteredAncestor) {
    Unlisted unlisted;
    void* adjusted = nullptr;
    EXPECT_EQ(Resolve<Base>(&unlisted, adjusted), &WalkObjectImpl<Middle>::Instance());
    EXPECT_EQ(adjusted, static_cast<void*>(static_cast<Middle*>(&unlisted)));
}

TEST(ClassHierarchy, HierarchyWithoutRegistrationsAnswersItsOwnWalker) {
    LonelyChild child;
    void* adjusted = nullptr;
    EXPECT_EQ(ClassHierarchy<WalkObjectImpl<Lonely>>::FindSubClassData(&child, adjusted), nullptr);
    EXPECT_EQ(adjusted, nullptr);
    EXPECT_EQ(Resolve<Lonely>(&child, adjusted), &WalkObjectImpl<Lonely>::Instance());
    EXPECT_EQ(adjusted, static_cast<void*>(&child));
    const auto* map = ClassHierarchy<WalkObjectImpl<Lonely>>::Cache().mMap;
    ASSERT_NE(map, nullptr);
    EXPECT_NE(const_cast<ClassDataCache<IWalkObject>::Map*>(map)->FindValue(typeid(LonelyChild).name()), nullptr);
}

TEST(ClassHierarchy, NonPolymorphicStaticTypeIsKeyedByItsOwnName) {
    Plain first, second;
    void* adjusted = nullptr;
    EXPECT_EQ(Resolve<Plain>(&first, adjusted), &WalkObjectImpl<Plain>::Instance());
    EXPECT_EQ(Resolve<Plain>(&second, adjusted), &WalkObjectImpl<Plain>::Instance());
    EXPECT_EQ(adjusted, static_cast<void*>(&second));
    auto* map = ClassHierarchy<WalkObjectImpl<Plain>>::Cache().mMap;
    ASSERT_NE(map, nullptr);
    EXPECT_EQ(map->Count(), 1);
    EXPECT_NE(map->FindValue(typeid(Plain).name()), nullptr);
}

TEST(ClassHierarchy, EqualPrioritiesKeepTheListInOrderAndAreSearchedFromTheLast) {
    // NorthSlope was registered before SouthSlope, both at priority 0: a Saddle, which is both, is found as the later.
    Saddle saddle;
    void* adjusted = nullptr;
    EXPECT_EQ(Resolve<Slope>(&saddle, adjusted), &WalkObjectImpl<SouthSlope>::Instance());
    EXPECT_EQ(adjusted, static_cast<void*>(static_cast<SouthSlope*>(&saddle)));
    // The search has run, and the list is still in the order of registration: equal priorities need no sort.
    const auto& list = ClassHierarchy<WalkObjectImpl<Slope>>::List();
    ASSERT_EQ(list.mEntries.Count(), 2);
    EXPECT_EQ(*list.mEntries[0].mSubClass, typeid(NorthSlope));
    EXPECT_EQ(*list.mEntries[1].mSubClass, typeid(SouthSlope));
    EXPECT_TRUE(list.mSorted);
}

TEST(ClassHierarchy, LibraryHierarchiesAreSharedWithThisModule) {
    // The probe is registered here under APrimitive, a hierarchy the library fills: both see one list, so a
    // probe reached through the library's ARefCounted hierarchy resolves to the probe's walker.
    Probe probe;
    void* adjusted = nullptr;
    EXPECT_EQ(Resolve<Tarn::Objects::ARefCounted>(&probe, adjusted), &WalkObjectImpl<Probe>::Instance());
    EXPECT_EQ(adjusted, static_cast<void*>(&probe));
}

TEST(ClassHierarchy, ARegistrationMadeAfterAWalkReplacesTheCachedAnswer) {
    Meadow meadow;
    void* adjusted = nullptr;
    EXPECT_EQ(Resolve<Landscape>(&meadow, adjusted), &WalkObjectImpl<Landscape>::Instance());  // cached
    const Registrations<SubClasses<Landscape, Meadow>> late;
    EXPECT_EQ(late.Made(), 1);
    EXPECT_EQ(Resolve<Landscape>(&meadow, adjusted), &WalkObjectImpl<Meadow>::Instance());
    EXPECT_EQ(adjusted, static_cast<void*>(&meadow));

    // The same subclass registered again, as a second module would: the first registration stays, alone.
    const Registrations<SubClasses<Landscape, Meadow>> again;
    EXPECT_EQ(again.Made(), 0);
    EXPECT_EQ(ClassHierarchy<WalkObjectImpl<Landscape>>::List().mEntries.Count(), 1);
}

TEST(ClassDataUtilities, FirstOfferWinsAndLaterOnesAreHandedBack) {
    int first = 1, second = 2;
    void* slot = nullptr;
    EXPECT_EQ(ClassDataUtilitiesPeer::Offer(slot, "test.shared.object", &first), nullptr);
    EXPECT_EQ(slot, &first);
    void* otherSlot = nullptr;
    EXPECT_EQ(ClassDataUtilitiesPeer::Offer(otherSlot, "test.shared.object", &second), &second);
    EXPECT_EQ(otherSlot, &first);
}

TEST(WalkPointer, BooksUnderTheDynamicNameAndTheResolvedWalkersName) {
    RecordMemory recorder;
    Unlisted unlisted;
    Leaf leaf;
    WalkPointer(static_cast<Base*>(&unlisted), &recorder);
    WalkPointer(static_cast<Base*>(&leaf), &recorder);
    WalkPointer(static_cast<Base*>(nullptr), &recorder);
    EXPECT_EQ(std::string(recorder.GetResults()),
              "Total\t" + std::to_string(sizeof(Middle) + sizeof(Leaf)) + "\t2\t2\r\n"
              "Tarn::Testing::Leaf\t" + std::to_string(sizeof(Leaf)) + "\t1\t1\r\n"
              "Tarn::Testing::Unlisted\t" + std::to_string(sizeof(Middle)) + "\t1\t1\tTarn::Testing::Middle\t1\r\n");
}

// Unregistered subclasses that Middle's walker books, more of them than its walker remembers.
template <int N> class Kind : public Middle {
    char mPayload[N] = {};
};

template <int... N> std::vector<Middle*> KindsOf(std::integer_sequence<int, N...>) { return {new Kind<N + 1>...}; }

TEST(WalkPointer, AWalkerMeetingManyDynamicTypesInTurnBooksEachUnderItsOwnName) {
    RecordMemory recorder;
    std::vector<std::unique_ptr<Middle>> objects;
    for (int round = 0; round < 3; ++round)
        for (Middle* object : KindsOf(std::make_integer_sequence<int, 12>())) objects.emplace_back(object);
    for (auto& object : objects) WalkPointer(static_cast<Base*>(object.get()), &recorder);
    for (auto& object : objects) WalkPointer(static_cast<Base*>(object.get()), &recorder);
    const std::string report(recorder.GetResults());
    // Each object books Middle's size once, and a reference at each of its two visits.
    for (int n : {1, 7, 12}) {
        const std::string row = "(anonymous namespace)::Kind<" + std::to_string(n) + ">\t" +
                                std::to_string(3 * sizeof(Middle)) + "\t3\t6\tTarn::Testing::Middle\t3\r\n";
        EXPECT_NE(report.find(row), std::string::npos) << row << report;
    }
    EXPECT_EQ(report.substr(0, report.find('\r')), "Total\t" + std::to_string(36 * sizeof(Middle)) + "\t36\t72");
}

} // namespace
