// The engine model's containers: growth, dropped items, hashing, bucket order and flat enumeration.
#include "engine/objects/Containers.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using namespace Tarn::Objects;

using IntList = _ArrayList<int, NoLifetime<int>>;

// A list whose array can be made to refuse growth.
class StingyList : public IntList {
public:
    bool Resize(int capacity) override { return mAllowGrowth && IntList::Resize(capacity); }
    bool mAllowGrowth = true;
};

TEST(ListBase, GrowsToTwiceTheCountPlusTwo) {
    IntList list;
    std::vector<int> capacities;
    for (int i = 0; i < 15; ++i) {
        list.Add(i);
        capacities.push_back(list.Capacity());
    }
    EXPECT_EQ(capacities, (std::vector<int>{2, 2, 6, 6, 6, 6, 14, 14, 14, 14, 14, 14, 14, 14, 30}));
    for (int i = 0; i < 15; ++i) EXPECT_EQ(list[i], i);
    // The free slots hold zeros, not what the allocator left there.
    for (int i = 15; i < 30; ++i) EXPECT_EQ(list.mData[i], 0) << i;
}

TEST(ListBase, DropsTheItemWhenItCannotGrow) {
    StingyList list;
    list.Add(1);
    list.Add(2);
    list.mAllowGrowth = false;
    EXPECT_FALSE(list.Add(3));
    EXPECT_EQ(list.Count(), 2);
    EXPECT_EQ(list.Capacity(), 2);
    list.mAllowGrowth = true;
    EXPECT_TRUE(list.Add(4));
    EXPECT_EQ(list[2], 4);
}

TEST(ListBase, AddingAnElementOfTheListToItselfWhileGrowingStoresItsValue) {
    _ArrayList<std::string, NoLifetime<std::string>> names;
    names.Add("a name too long to be stored inside the string object itself");
    names.Add("another");
    ASSERT_EQ(names.Count(), names.Capacity());
    names.Add(names[0]);  // the array that holds the item is replaced while the item is added
    ASSERT_EQ(names.Count(), 3);
    EXPECT_EQ(names[2], names[0]);
}

TEST(ListBase, RemoveAtMovesLaterElementsForward) {
    IntList list;
    for (int value : {10, 20, 30, 40}) list.Add(value);
    list.RemoveAt(1);
    ASSERT_EQ(list.Count(), 3);
    EXPECT_EQ(list[0], 10);
    EXPECT_EQ(list[1], 30);
    EXPECT_EQ(list[2], 40);
    EXPECT_EQ(list.Capacity(), 6);
}

TEST(ListBase, CopiesElementsAndCapacity) {
    _ArrayList<std::string, NoLifetime<std::string>> list;
    for (const char* text : {"a", "bb", "ccc"}) list.Add(text);
    auto copy = list;
    list[0] = "changed";
    ASSERT_EQ(copy.Count(), 3);
    EXPECT_EQ(copy.Capacity(), list.Capacity());
    EXPECT_EQ(copy[0], "a");
    EXPECT_EQ(copy[2], "ccc");
}

TEST(FixedList, NeverGrowsPastItsCapacity) {
    _FixedList<int, NoLifetime<int>> list(2);
    EXPECT_TRUE(list.Add(1));
    EXPECT_TRUE(list.Add(2));
    EXPECT_FALSE(list.Add(3));
    EXPECT_EQ(list.Count(), 2);
    EXPECT_EQ(list.Capacity(), 2);
}

TEST(StringHasher, HashesAsRotateAddOnePerCharacter) {
    EXPECT_EQ(_StringHasher<char>::Hash(nullptr), 0u);
    EXPECT_EQ(_StringHasher<char>::Hash(""), 1u);
    EXPECT_EQ(_StringHasher<char>::Hash("B"), 99u);          // rotl(1, 5) + 66 + 1
    EXPECT_EQ(_StringHasher<char>::Hash("BC"), 99u * 32 + 68);
    // Characters are signed: 0xFF adds -1 + 1.
    EXPECT_EQ(_StringHasher<char>::Hash("\xff"), 32u);
    // Long texts wrap: the top five bits come round to the bottom.
    EXPECT_EQ(_StringHasher<char>::Hash("Tarn::Objects::ARefCounted"), 15296198110416641887ull);
}

TEST(StringHasher, EqualTextsAreOneKey) {
    char first[] = "same";
    char second[] = "same";
    EXPECT_TRUE(_StringHasher<char>::Equal(first, second));
    EXPECT_TRUE(_StringHasher<char>::Equal(nullptr, nullptr));
    EXPECT_FALSE(_StringHasher<char>::Equal(first, nullptr));
    EXPECT_FALSE(_StringHasher<char>::Equal("same", "samey"));
}

using NameMap = _HashMap<int, const char*, _StringHasher<char>>;

TEST(HashMap, KeepsInsertionOrderWithinABucketAndEnumeratesByBucket) {
    NameMap map(41);
    // "B" and "Aw" share bucket 17, "C" is in bucket 18, "D" in 19.
    for (const char* name : {"C", "Aw", "D", "B"}) map.FindOrAdd(name, 0);
    std::vector<std::string> flat;
    for (int i = 0; i < map.Count(); ++i) flat.push_back(map.GetAt(i).mKey);
    EXPECT_EQ(flat, (std::vector<std::string>{"Aw", "B", "C", "D"}));
    std::vector<std::string> backward;
    map.ForEachBackward([&](auto& entry) { backward.push_back(entry.mKey); });
    EXPECT_EQ(backward, (std::vector<std::string>{"D", "C", "B", "Aw"}));
}

TEST(HashMap, FindsByTextAndAddsOnce) {
    NameMap map(7);
    char key[] = "key";
    *map.FindOrAdd("key", 1) += 10;
    EXPECT_EQ(*map.FindOrAdd(key, 99), 11);
    EXPECT_EQ(map.Count(), 1);
    EXPECT_EQ(map.FindValue("other"), nullptr);
}

TEST(HashSet, BucketIsTheAddressModuloTheBucketCount) {
    _HashSet<const void*, _Hasher<const void*>> set(204800);
    const auto* address = reinterpret_cast<const void*>(uintptr_t(204800) * 3 + 16);
    EXPECT_EQ(set.BucketOf(address), 16u);
    EXPECT_TRUE(set.Insert(address));
    EXPECT_FALSE(set.Insert(address));
    EXPECT_EQ(set.Count(), 1);
}

} // namespace
