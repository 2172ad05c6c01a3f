// How the standard library is walked: each type books the blocks it really allocated, at the sizes libstdc++ asks
// operator new for, and walks what it holds.
//
//   std::basic_string          the heap buffer of a long text, capacity + 1 characters, as "char*" ("wchar_t*", ...);
//                              a short text lives inside the string and books nothing
//   std::vector                the buffer at its capacity, as "E*"; std::vector<bool> its words
//   std::deque                 each buffer, as "E*", and the map of buffer pointers, as "E**"
//   std::list, forward_list    one node per element, as std::_List_node<E>, std::_Fwd_list_node<E>
//   std::map, multimap, set, multiset        one node per element, as std::_Rb_tree_node<value>
//   std::unordered_map, ..._set, ..._multi*  one node per element, as std::__detail::_Hash_node<value, cached>, and
//                              the bucket array, as "std::__detail::_Hash_node_base**" (none while there is one bucket)
//   std::unique_ptr            the object through the registry, as a raw pointer is walked
//   std::shared_ptr            the object through the registry, once however many own it, and its control block
//                              under the control block's own type; an object made by make_shared (or allocate_shared
//                              with std::allocator) lives in its control block: the one allocation is booked once, as
//                              the object's type, at its real size
//   std::weak_ptr              nothing: the owners book the object
//   std::array, E[N], std::optional, pair, tuple, variant    what they hold, in place
//   std::stack, queue, priority_queue        the container they adapt
//   std::function              nothing: the type of its target, and so whether it lives on the heap, is out of sight
//
// What containers hold is walked the way engine lists walk it: a pointer to a class through the registry, a value
// with a walk of its own in place (from the last element to the first in a vector or deque); other values own
// nothing. Containers are walked with std::allocator only, whose allocations the sizes above are; with another
// allocator, or for an owning std type not listed (std::any, std::thread, streams, unique_ptr<T[]>), the build stops
// at walk.Embedded naming the type (WalkerDefinitions.h).
#pragma once

#include "utilities/walk/WalkerDefinitions.h"
#include "utilities/walkers/ContainerWalks.h"

#include <array>
#include <climits>
#include <cstring>
#include <deque>
#include <forward_list>
#include <functional>
#include <list>
#include <map>
#include <memory>
#include <optional>
#include <queue>
#include <set>
#include <stack>
#include <string>
#include <tuple>
#include <type_traits>
#include <unordered_map>
#include <unordered_set>
#include <utility>
#include <variant>
#include <vector>

namespace Tarn::Utilities {

// ---- libstdc++'s layout, as the walks rely on it (GCC 12, the C++11 ABI). Another library, or another layout,
// stops the build here instead of booking wrong sizes. Node and control-block sizes are those of libstdc++'s own
// node types, which the walks name; what the walks read that libstdc++ keeps private is mirrored below.
#if !defined(__GLIBCXX__) || !_GLIBCXX_USE_CXX11_ABI
#error "the walks of the standard library know libstdc++ with the C++11 ABI only"
#endif

namespace StdLayout {

// A string keeps up to 15 bytes of text and the terminator inside itself; a longer one, capacity + 1 characters on
// the heap.
static_assert(sizeof(std::string) == 4 * sizeof(void*) && sizeof(std::wstring) == 4 * sizeof(void*));

// A shared_ptr is the object's pointer, then its control block's.
struct SharedPtr {
    const void* mObject;
    std::_Sp_counted_base<>* mControl;
};
static_assert(sizeof(std::shared_ptr<int>) == sizeof(SharedPtr) && sizeof(std::weak_ptr<int>) == sizeof(SharedPtr));
// The counts that head every control block: its virtual table and two counters.
static_assert(sizeof(std::_Sp_counted_base<>) == 2 * sizeof(void*));

// A hash table whose hash and equality are empty: these members and nothing else. The bucket array is the table's
// own single bucket while the bucket count is 1.
struct HashTable {
    std::__detail::_Hash_node_base** mBuckets;
    size_t mBucketCount;
    std::__detail::_Hash_node_base mBeforeBegin;
    size_t mElementCount;
    std::__detail::_Prime_rehash_policy mRehashPolicy;
    std::__detail::_Hash_node_base* mSingleBucket;
};
static_assert(sizeof(std::unordered_map<int, int>) == sizeof(HashTable) &&
              sizeof(std::unordered_set<int>) == sizeof(HashTable));

// A deque is its map of buffer pointers, the map's size, then iterators at its first and past its last element. It
// allocates buffers of 512 bytes (one element when an element is larger) and a map of at least 8 buffer pointers.
template <class E> struct Deque {
    E** mMap;
    size_t mMapSize;
};
static_assert(sizeof(std::deque<int>) == sizeof(Deque<int>) + 2 * sizeof(std::deque<int>::iterator));
static_assert(std::__deque_buf_size(sizeof(int)) * sizeof(int) == 512 && std::__deque_buf_size(1024) == 1);

// Nodes: a tree node is a colour and three links before the value; a list node two links, a forward-list node one.
static_assert(sizeof(std::_Rb_tree_node_base) == 4 * sizeof(void*));
static_assert(sizeof(std::_List_node<char>) == 3 * sizeof(void*) && sizeof(std::_Fwd_list_node<char>) == 2 * sizeof(void*));

// The words of an object of the standard library, read as the mirror W describes them.
template <class W, class T> W Read(const T& object) {
    static_assert(sizeof(W) <= sizeof(T));
    W words;
    std::memcpy(&words, reinterpret_cast<const unsigned char*>(&object), sizeof(W));
    return words;
}

// The control blocks a shared_ptr gets from the ways it is made, recognised by the block's dynamic type: those that
// hold the object in place (make_shared, allocate_shared with std::allocator), and those that point at it.
constexpr auto kLock = std::__default_lock_policy;
template <class T, class A> using InPlace = std::_Sp_counted_ptr_inplace<T, std::allocator<A>, kLock>;
template <class T> using Counted = std::_Sp_counted_ptr<T*, kLock>;  // shared_ptr<T>(new T)
template <class T> using FromUnique = std::_Sp_counted_deleter<T*, std::default_delete<T>, std::allocator<void>, kLock>;

// The size of a control block of one of the kinds Blocks, or 0.
template <class... Blocks> size_t SizeAmong(const std::type_info& block) {
    size_t size = 0;
    static_cast<void>(((block == typeid(Blocks) && (size = sizeof(Blocks))) || ...));
    return size;
}

} // namespace StdLayout

// ---- What containers hold

// A pointer to a class: walked through the registry.
template <class E> inline constexpr bool IsObjectPointer = std::is_pointer_v<E> && std::is_class_v<std::remove_pointer_t<E>>;

// Whether a held value of type E is walked at all: a pointer to a class, or a type with a walk of its own.
template <class E>
inline constexpr bool Walked = IsObjectPointer<std::remove_cv_t<E>> || HasOwnWalk<std::remove_cv_t<E>>;

// Whether the values of E that a container holds are walked in place: an owning type of namespace std without a walk
// stops the build here, as it does at walk.Embedded.
template <class E> constexpr bool WalkedInPlace() {
    if constexpr (!Walked<E>) ExpectOwnsNothing<E>();
    return Walked<E>;
}

// A pointer walked through the registry of its class without const: one registry per class.
template <class X> void WalkOwned(X* object, Walking& walk) { walk.Pointer(const_cast<std::remove_cv_t<X>*>(object)); }

// A value held in place (a member of a pair, an optional's value, an array's element), by its walk; a value without
// one owns nothing, which an owning type of namespace std cannot.
template <class E> void WalkHeld(E& value, Walking& walk) {
    using V = std::remove_cv_t<E>;
    if constexpr (IsObjectPointer<V>) WalkOwned(value, walk);
    else if constexpr (HasOwnWalk<V>) walk.Embedded(const_cast<V&>(value));
    else ExpectOwnsNothing<V>();
}

// A value inside a heap block (an element of a buffer or a node): walked in place, the block booking its bytes.
template <class E> void WalkElement(E& element, Walking& walk) {
    size_t inside = 0;
    Walking within(walk.Recorder(), inside);
    WalkHeld(element, within);
}

// ---- Strings and sequences

template <class C, class Traits>
void WalkMembers(std::basic_string<C, Traits, std::allocator<C>>& string, Walking& walk) {
    if (!Inside(string, string.data())) walk.Block(string.data(), (string.capacity() + 1) * sizeof(C));
}

template <class E> void WalkMembers(std::vector<E>& vector, Walking& walk) {
    if constexpr (IsObjectPointer<E>) {
        using X = std::remove_cv_t<std::remove_pointer_t<E>>;
        WalkPointerArray(const_cast<X**>(vector.data()), int(vector.size()), int(vector.capacity()), walk);
    } else {
        if constexpr (WalkedInPlace<E>())
            for (size_t i = vector.size(); i-- > 0;) WalkElement(vector[i], walk);
        walk.Block(vector.data(), vector.capacity() * sizeof(E));
    }
}

inline void WalkMembers(std::vector<bool>& bits, Walking& walk) { walk.Block(bits.begin()._M_p, bits.capacity() / CHAR_BIT); }

template <class E> void WalkMembers(std::deque<E>& deque, Walking& walk) {
    if constexpr (WalkedInPlace<E>())
        for (auto element = deque.rbegin(); element != deque.rend(); ++element) WalkElement(*element, walk);
    const auto layout = StdLayout::Read<StdLayout::Deque<E>>(deque);
    if (!layout.mMap) return;
    for (E** buffer = deque.begin()._M_node; buffer <= deque.end()._M_node; ++buffer)
        walk.Block(*buffer, std::__deque_buf_size(sizeof(E)) * sizeof(E));
    walk.Block(layout.mMap, layout.mMapSize * sizeof(E*));
}

// One node per element, found through the iterators' node pointers.
template <class Node, class Sequence> void WalkNodes(Sequence& sequence, Walking& walk) {
    for (auto element = sequence.begin(); element != sequence.end(); ++element) {
        if constexpr (WalkedInPlace<typename Sequence::value_type>()) WalkElement(*element, walk);
        walk.BlockAs<Node>(element._M_node, sizeof(Node));
    }
}

template <class E> void WalkMembers(std::list<E>& list, Walking& walk) { WalkNodes<std::_List_node<E>>(list, walk); }
template <class E> void WalkMembers(std::forward_list<E>& list, Walking& walk) {
    WalkNodes<std::_Fwd_list_node<E>>(list, walk);
}

template <class E, size_t N> std::enable_if_t<Walked<E>> WalkMembers(std::array<E, N>& array, Walking& walk) {
    for (E& element : array) WalkHeld(element, walk);
}
template <class E, size_t N> std::enable_if_t<Walked<E>> WalkMembers(E (&array)[N], Walking& walk) {
    for (E& element : array) WalkHeld(element, walk);
}

// ---- Trees and hash tables

template <class K, class V, class C> void WalkMembers(std::map<K, V, C>& map, Walking& walk) {
    WalkNodes<std::_Rb_tree_node<std::pair<const K, V>>>(map, walk);
}
template <class K, class V, class C> void WalkMembers(std::multimap<K, V, C>& map, Walking& walk) {
    WalkNodes<std::_Rb_tree_node<std::pair<const K, V>>>(map, walk);
}
template <class K, class C> void WalkMembers(std::set<K, C>& set, Walking& walk) { WalkNodes<std::_Rb_tree_node<K>>(set, walk); }
template <class K, class C> void WalkMembers(std::multiset<K, C>& set, Walking& walk) {
    WalkNodes<std::_Rb_tree_node<K>>(set, walk);
}

template <class Table> void WalkHashNodes(Table& table, Walking& walk) {
    static_assert(sizeof(Table) == sizeof(StdLayout::HashTable), "a hash table whose hash or equality holds state");
    using Node = std::remove_pointer_t<decltype(table.begin()._M_cur)>;
    for (auto element = table.begin(); element != table.end(); ++element) {
        if constexpr (WalkedInPlace<typename Table::value_type>()) WalkElement(*element, walk);
        walk.BlockAs<Node>(element._M_cur, sizeof(Node));
    }
    const auto layout = StdLayout::Read<StdLayout::HashTable>(table);
    if (layout.mBucketCount > 1) walk.Block(layout.mBuckets, layout.mBucketCount * sizeof(*layout.mBuckets));
}

template <class K, class V, class H, class P> void WalkMembers(std::unordered_map<K, V, H, P>& map, Walking& walk) {
    WalkHashNodes(map, walk);
}
template <class K, class V, class H, class P> void WalkMembers(std::unordered_multimap<K, V, H, P>& map, Walking& walk) {
    WalkHashNodes(map, walk);
}
template <class K, class H, class P> void WalkMembers(std::unordered_set<K, H, P>& set, Walking& walk) {
    WalkHashNodes(set, walk);
}
template <class K, class H, class P> void WalkMembers(std::unordered_multiset<K, H, P>& set, Walking& walk) {
    WalkHashNodes(set, walk);
}

// An adaptor's container is its protected member c: a class derived from the adaptor may name it.
template <class Adaptor> struct AdaptedContainer : Adaptor {
    static auto& Of(Adaptor& adaptor) { return adaptor.*(&AdaptedContainer::c); }
};
template <class E, class C> void WalkMembers(std::stack<E, C>& stack, Walking& walk) {
    walk.Embedded(AdaptedContainer<std::stack<E, C>>::Of(stack));
}
template <class E, class C> void WalkMembers(std::queue<E, C>& queue, Walking& walk) {
    walk.Embedded(AdaptedContainer<std::queue<E, C>>::Of(queue));
}
template <class E, class C, class Less> void WalkMembers(std::priority_queue<E, C, Less>& queue, Walking& walk) {
    walk.Embedded(AdaptedContainer<std::priority_queue<E, C, Less>>::Of(queue));
}

// ---- Owners

template <class T, class D>
std::enable_if_t<!std::is_array_v<T> && std::is_same_v<typename std::unique_ptr<T, D>::pointer, T*>>
WalkMembers(std::unique_ptr<T, D>& owner, Walking& walk) {
    WalkOwned(owner.get(), walk);
}

// An object that lives in its control block (make_shared): booked once, as its own type, at the size of the one
// allocation, after what it owns; a deep chain of them goes on on a fresh stack segment, as every walk does.
template <class T> void WalkInControlBlock(T* object, size_t allocation, RecordMemory* recorder) {
    if (__builtin_expect(StackSegments::Low(), false)) {
        struct Call {
            T* mObject;
            size_t mAllocation;
            RecordMemory* mRecorder;
        } call{object, allocation, recorder};
        StackSegments::Run([](void* context) {
            auto* deeper = static_cast<Call*>(context);
            WalkInControlBlock(deeper->mObject, deeper->mAllocation, deeper->mRecorder);
        }, &call);
        return;
    }
    WalkAndBook(object, BlockPair<T>(), allocation, recorder);
}

template <class T>
std::enable_if_t<!std::is_array_v<T> && !std::is_void_v<T>> WalkMembers(std::shared_ptr<T>& shared, Walking& walk) {
    using namespace StdLayout;
    using U = std::remove_cv_t<T>;
    std::_Sp_counted_base<>* block = Read<SharedPtr>(shared).mControl;
    if (!block) return;
    const std::type_info& kind = typeid(*block);
    if (const size_t together = SizeAmong<InPlace<T, void>, InPlace<U, void>, InPlace<T, U>, InPlace<U, U>>(kind))
        return WalkInControlBlock(const_cast<U*>(shared.get()), together, walk.Recorder());
    WalkOwned(shared.get(), walk);
    // The object of a derived class made in place starts right after the counts: they are what the block adds. A
    // block of a kind not known here (a deleter or an allocator of the caller's) is booked at the least it can be,
    // the counts and one pointer.
    const void* whole = shared.get();
    if constexpr (std::is_polymorphic_v<U>) whole = whole ? dynamic_cast<const void*>(shared.get()) : nullptr;
    const size_t counts = sizeof(std::_Sp_counted_base<>);
    const size_t known = SizeAmong<Counted<T>, Counted<U>, FromUnique<T>, FromUnique<U>>(kind);
    const bool inPlace = whole == reinterpret_cast<const char*>(block) + counts;
    walk.Block(block, Platform::ReadableName(kind), inPlace ? counts : known ? known : sizeof(Counted<U>));
}

template <class T> void WalkMembers(std::weak_ptr<T>&, Walking&) {}

template <class Signature> void WalkMembers(std::function<Signature>&, Walking&) {}

// ---- Values held in place

template <class E> std::enable_if_t<Walked<E>> WalkMembers(std::optional<E>& optional, Walking& walk) {
    if (optional) WalkHeld(*optional, walk);
}

template <class A, class B> std::enable_if_t<Walked<A> || Walked<B>> WalkMembers(std::pair<A, B>& pair, Walking& walk) {
    WalkHeld(pair.first, walk);
    WalkHeld(pair.second, walk);
}

template <class... E> std::enable_if_t<(Walked<E> || ...)> WalkMembers(std::tuple<E...>& tuple, Walking& walk) {
    std::apply([&walk](auto&... element) { (WalkHeld(element, walk), ...); }, tuple);
}

template <class... E> std::enable_if_t<(Walked<E> || ...)> WalkMembers(std::variant<E...>& variant, Walking& walk) {
    if (!variant.valueless_by_exception()) std::visit([&walk](auto& held) { WalkHeld(held, walk); }, variant);
}

} // namespace Tarn::Utilities
