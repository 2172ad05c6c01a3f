// What reaches what: a registration table as rows, and the text that tells a host where to register its classes.
//
//   RegistrationRows<Table>()      one row per subclass a table registers: (static type, subclass), in its order
//   LibraryRegistrationRows()      the rows of the library's own table
//   ReachText(rows)                for each class, the classes registered under it and the pointers through which
//                                  the registry reaches it (tarn_report registrations prints the library's)
//
// A class registered under X is found from a pointer of static type X, and from every pointer whose type X is
// registered under, and so on up: those are the pointers through which a host class registered under X is found.
#pragma once

#include "platform/Export.h"
#include "platform/TypeNames.h"
#include "utilities/walk/ClassHierarchy.h"

#include <string>
#include <type_traits>
#include <vector>

namespace Tarn::Utilities {

struct Registration {
    const char* mStaticType;  // readable names, as reports show them
    const char* mSubClass;
};

template <class Line> struct LineRows;
template <class X, class... S> struct LineRows<SubClasses<X, S...>> {
    // A static type without run-time type information registers nothing (SubClasses).
    static void Add(std::vector<Registration>& rows) {
        if constexpr (std::is_polymorphic_v<X>)
            (rows.push_back({Platform::ReadableNameOf<X>(), Platform::ReadableNameOf<S>()}), ...);
    }
};

template <class Table> struct TableRows;
template <class... Lines> struct TableRows<Registrations<Lines...>> {
    static std::vector<Registration> Rows() {
        std::vector<Registration> rows;
        (LineRows<Lines>::Add(rows), ...);
        return rows;
    }
};

template <class Table> std::vector<Registration> RegistrationRows() { return TableRows<std::remove_cv_t<Table>>::Rows(); }

TARN_API std::vector<Registration> LibraryRegistrationRows();

TARN_API std::string ReachText(const std::vector<Registration>& rows);

} // namespace Tarn::Utilities
