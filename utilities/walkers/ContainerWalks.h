// How containers and strings are walked, for every element type.
//
//   WalkList(list, walk)    pointers: the array, then the elements from the last to the first through the
//                           registry; values with a walk of their own (HasOwnWalk<E>, those that hold pointers):
//                           each element walked in place, from the last to the first, then the array; other values:
//                           the array only. A value type is walked in place as soon as its walk is written: no list
//                           can forget it.
//   hash tables             each bucket's list from the last bucket to the first, then the bucket array
//   change-packet queue     its representation and pages as blocks, then the elements in queue order
//   KString, KStringA       the heap block of a long text; a short text lives inside the string
//
// A container never books itself: whoever reached it did, or it is embedded in an object that did.
#pragma once

#include "engine/devices/Devices.h"
#include "engine/graphics/Graphics.h"
#include "engine/objects/Containers.h"
#include "engine/objects/Lists.h"
#include "engine/objects/Primitives.h"
#include "engine/objects/Strings.h"
#include "utilities/walk/WalkerDefinitions.h"

#include <tbb/concurrent_queue.h>

#include <cstddef>
#include <cstdint>
#include <type_traits>
#include <utility>

namespace Tarn::Utilities {

// A count or size that the engine answers as a signed number, as a number of things: a negative answer counts as
// none, so that it can neither wrap to an enormous size nor shrink what else is booked with it. Every count and size
// a walker reads passes through here; a non-negative answer is widened as it is.
template <class N> constexpr size_t NonNegative(N answer) { return answer > 0 ? size_t(answer) : 0; }

// An array of pointers with its count and capacity: the array, then the elements from the last to the first. The
// elements a few places ahead are asked for early, so that their memory arrives while the walk is busy here.
template <class X> void WalkPointerArray(X** items, int count, int capacity, Walking& walk) {
    walk.Block(items, NonNegative(capacity) * sizeof(X*));
    if (!items) return;
    constexpr int kAhead = 8;
    for (int i = count - 1; i >= count - kAhead && i >= 0; --i) Prefetch(items[i], walk.Recorder());
    for (int i = count - 1; i >= 0; --i) {
        if (i >= kAhead) Prefetch(items[i - kAhead], walk.Recorder());
        WalkPrefetched(items[i], walk.Recorder());
    }
}

template <class E, class L>
void WalkList(Objects::_ListBase<E, L>& list, Walking& walk) {
    const size_t arrayBytes = NonNegative(list.mCapacity) * sizeof(E);
    if constexpr (std::is_pointer_v<E>) {
        WalkPointerArray(list.mData, list.mCount, list.mCapacity, walk);
    } else if constexpr (HasOwnWalk<E>) {
        for (int i = list.mData ? list.mCount - 1 : -1; i >= 0; --i) {  // no array: no elements, whatever the count
            size_t inside = sizeof(E);  // the element is part of the array, not an object of its own
            WalkObjectImpl<E>::WalkObject(&list.mData[i], walk.Recorder(), inside);
        }
        walk.Block(list.mData, arrayBytes);
    } else {
        walk.Block(list.mData, arrayBytes);
    }
}

template <class E, class L> void WalkMembers(Objects::_ListBase<E, L>& list, Walking& walk) { WalkList(list, walk); }
template <class E, class L> void WalkMembers(Objects::_ArrayList<E, L>& list, Walking& walk) { WalkList(list, walk); }
template <class E, class L> void WalkMembers(Objects::_UnorderedList<E, L>& list, Walking& walk) { WalkList(list, walk); }
template <class E, class L> void WalkMembers(Objects::_FixedList<E, L>& list, Walking& walk) { WalkList(list, walk); }

// Named lists: exactly the walk of the list they are.
using NamedLists = TypeFamily<
    Objects::ListOfInts, Objects::ListOfPoints3D<float>, Objects::ListOfPoints3D<double>,
    Objects::SegmentIndexDescList, Objects::ListOfPUStrings,
    Devices::InParameterList, Devices::ListOfRenderables, Devices::CBInstanceList, Devices::ConstantBufferSet,
    Devices::LightSet, Devices::FragmentList, Devices::ImplementationList, Devices::KeywordList,
    Devices::SourceImplementation::SourceList, Devices::SourceImplementation::DeclarationList,
    Graphics::ListOfNodes, Graphics::UnorderedListOfNodes, Graphics::ListOfItems, Graphics::ConsolidationBins,
    Graphics::ListOfConsolidationBins, Graphics::ListOfNotifiers, Graphics::ConsolidationSources,
    Graphics::BucketMap::ValueList>;

template <class L> std::enable_if_t<NamedLists::Has<L>> WalkMembers(L& list, Walking& walk) { WalkList(list, walk); }

// Containers held as a member rather than a base.
inline void WalkMembers(Graphics::NotifierList& list, Walking& walk) { walk.Embedded(list.mNotifiers); }
inline void WalkMembers(Graphics::RenderNodeList& list, Walking& walk) { walk.Embedded(list.RenderNodes()); }

template <class KV, class K, class H>
void WalkHashTable(Objects::_HashTable<KV, K, H>& table, Walking& walk) {
    if (table.mBuckets)
        for (uint32_t b = table.mBucketCount; b-- > 0;) WalkList(table.mBuckets[b], walk);
    walk.Block(table.mBuckets, size_t(table.mBucketCount) * sizeof(*table.mBuckets));
}

template <class KV, class K, class H>
void WalkMembers(Objects::_HashTable<KV, K, H>& table, Walking& walk) { WalkHashTable(table, walk); }
template <class V, class K, class H>
void WalkMembers(Objects::_HashMap<V, K, H>& map, Walking& walk) { WalkHashTable(map, walk); }

using NamedHashMaps = TypeFamily<Graphics::ConsolidationBuckets, Graphics::ConsolidationLodBuckets>;
template <class M> std::enable_if_t<NamedHashMaps::Has<M>> WalkMembers(M& map, Walking& walk) { WalkHashTable(map, walk); }

// Values that hold pointers, walked in place inside their lists.
inline void WalkMembers(Graphics::ConsolidationSource& source, Walking& walk) {
    walk.Pointer(source.Occurrence());
    walk.Pointer(source.mNode);
    walk.Pointer(source.mItem);
}
inline void WalkMembers(Graphics::PolylineDesc& polyline, Walking& walk) { walk.Embedded(polyline.mSegments); }

// A key-value entry: its key, then its value.
template <class V, class K>
void WalkMembers(Objects::_KeyValue<V, K>& entry, Walking& walk) {
    walk.Pointer(entry.mKey);
    walk.Pointer(entry.mValue);
}

// The representation a queue's iterator is made from: a protected member of the iterator's base, named through a
// class derived from the iterator, as the language allows for protected members.
template <class Queue> struct QueueRepresentation : decltype(std::declval<Queue&>().unsafe_begin()) {
    using Iterator = decltype(std::declval<Queue&>().unsafe_begin());
    static auto* Of(Queue& queue) {
        const Iterator begin = queue.unsafe_begin();
        return begin.*(&QueueRepresentation::my_queue_rep);
    }
};

// What the queue allocated: its representation (the counters and a micro-queue per lane), and the pages of
// elements that each lane links from its head page on, each at the address and size its allocator was asked for;
// then the elements in queue order. A lane's page link that is not a page (null, or the mark of a lane broken by
// an exception) ends it.
template <class E, class A>
void WalkMembers(tbb::concurrent_queue<Objects::AutoPtr<E>, A>& queue, Walking& walk) {
    auto* representation = QueueRepresentation<tbb::concurrent_queue<Objects::AutoPtr<E>, A>>::Of(queue);
    walk.Block(representation, sizeof(*representation));
    for (auto& lane : representation->array)
        for (auto* page = lane.get_head_page(); reinterpret_cast<uintptr_t>(page) > 1; page = page->next)
            walk.Block(page, sizeof(*page));
    for (auto element = queue.unsafe_begin(); element != queue.unsafe_end(); ++element) walk.Pointer(element->Get());
}
inline void WalkMembers(Graphics::ListOfChangePacket& queue, Walking& walk) {
    walk.Base<Graphics::ChangePacketQueue>(queue);
}

// Whether a string's characters lie inside the string object itself.
template <class S, class C> bool Inside(const S& string, const C* chars) {
    const auto* begin = reinterpret_cast<const char*>(&string);
    const auto* at = reinterpret_cast<const char*>(chars);
    return begin <= at && at < begin + sizeof(S);
}

// The characters and the terminator, at the platform's wide-character size.
inline void WalkMembers(const Objects::KString& string, Walking& walk) {
    if (!Inside(string, string.ToChars()))
        walk.Block(string.ToChars(), (NonNegative(string.GetLen()) + 1) * sizeof(wchar_t));
}
inline void WalkMembers(Objects::KString& string, Walking& walk) { WalkMembers(std::as_const(string), walk); }

inline void WalkMembers(Objects::KStringA& string, Walking& walk) {
    if (!Inside(string, string.GetBuffer())) walk.Block(string.GetBuffer(), NonNegative(string.GetLen()) + 1);
}

// Interned strings belong to the string table.
inline void WalkMembers(Objects::UString&, Walking&) {}
inline void WalkMembers(Objects::UStringA&, Walking&) {}

} // namespace Tarn::Utilities
