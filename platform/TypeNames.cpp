#include "platform/TypeNames.h"

#include <cstdint>
#include <cstdlib>
#include <cxxabi.h>

namespace Tarn::Platform {

namespace {

// Demangled names by type_info address. A walk asks for the dynamic name of every object it reaches, so the
// common case is one multiplication and one probe. The table and its names are kept until the process ends.
class NameTable {
public:
    const char* Find(const std::type_info& type) {
        for (size_t i = Slot(&type);; i = (i + 1) & (mCapacity - 1)) {
            Entry& entry = mEntries[i];
            if (entry.type == &type) return entry.name;
            if (!entry.type) return Insert(entry, type);
        }
    }

private:
    struct Entry {
        const std::type_info* type;
        const char* name;
    };

    size_t Slot(const std::type_info* type) const {
        return (reinterpret_cast<uintptr_t>(type) * 0x9E3779B97F4A7C15ull) >> (64 - mBits);
    }

    const char* Insert(Entry& entry, const std::type_info& type) {
        int status = 0;
        char* name = abi::__cxa_demangle(type.name(), nullptr, nullptr, &status);
        entry = {&type, status == 0 && name ? name : type.name()};
        if (++mCount * 2 > mCapacity) Grow();
        return entry.name;
    }

    void Grow() {
        Entry* old = mEntries;
        const size_t oldCapacity = mCapacity;
        ++mBits;
        mCapacity *= 2;
        mEntries = static_cast<Entry*>(std::calloc(mCapacity, sizeof(Entry)));
        for (size_t i = 0; i < oldCapacity; ++i) {
            if (!old[i].type) continue;
            size_t j = Slot(old[i].type);
            while (mEntries[j].type) j = (j + 1) & (mCapacity - 1);
            mEntries[j] = old[i];
        }
        std::free(old);
    }

    unsigned mBits = 9;
    size_t mCapacity = size_t(1) << 9;
    size_t mCount = 0;
    Entry* mEntries = static_cast<Entry*>(std::calloc(mCapacity, sizeof(Entry)));
};

} // namespace

const char* ReadableName(const std::type_info& type) noexcept {
    static NameTable* table = new NameTable;
    return table->Find(type);
}

} // namespace Tarn::Platform
