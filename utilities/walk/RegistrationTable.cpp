#include "utilities/walk/RegistrationTable.h"

#include <deque>
#include <map>
#include <set>

namespace Tarn::Utilities {

namespace {

// Names joined by ", ", or "nothing".
template <class Names> std::string List(const Names& names) {
    std::string list;
    for (const std::string& name : names) list += (list.empty() ? "" : ", ") + name;
    return list.empty() ? "nothing" : list;
}

} // namespace

std::string ReachText(const std::vector<Registration>& rows) {
    std::map<std::string, std::vector<std::string>> below, above;  // by class, in the table's order
    for (const Registration& row : rows) {
        below[row.mStaticType].push_back(row.mSubClass);
        below[row.mSubClass];
        above[row.mSubClass].push_back(row.mStaticType);
    }
    std::string text =
        "# What reaches what. For each class of the registry, in name order: the classes registered under it, and the\n"
        "# pointers through which the registry reaches it: pointers to itself, to the classes it is registered under,\n"
        "# to theirs, and so on. A host class registered under a class is found through exactly these pointers, when\n"
        "# the object is of the classes on the way (a class not listed is found through pointers to itself only).\n";
    for (const auto& [name, subclasses] : below) {
        // Breadth first from the class itself: the nearest static types first.
        std::vector<std::string> through{name + "*"};
        std::set<std::string> seen{name};
        for (std::deque<std::string> next{name}; !next.empty(); next.pop_front())
            for (const std::string& parent : above[next.front()])
                if (seen.insert(parent).second) {
                    through.push_back(parent + "*");
                    next.push_back(parent);
                }
        text += name + "\n    registered under it: " + List(subclasses) + "\n    found through: " + List(through) + "\n";
    }
    return text;
}

} // namespace Tarn::Utilities
