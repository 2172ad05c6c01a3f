// What reaches what: a table's rows, and the text that follows registrations up to every pointer that reaches a class.
#include "utilities/walk/RegistrationTable.h"
#include "utilities/walkers/Walks.h"

#include <gtest/gtest.h>

namespace {

using namespace Tarn::Utilities;

struct Root {
    virtual ~Root() = default;
};
struct Left : Root {};
struct Right : Root {};
struct Leaf : Left, Right {};
struct Plain {};  // no run-time type information: registers nothing

TEST(RegistrationTable, RowsFollowTheTableAndSkipStaticTypesWithoutTypeInformation) {
    using Table = Registrations<SubClasses<Root, Left, Right>, SubClasses<Plain, Plain>, SubClasses<Left, Leaf>>;
    std::vector<std::pair<std::string, std::string>> rows;
    for (const Registration& row : RegistrationRows<const Table>()) rows.emplace_back(row.mStaticType, row.mSubClass);
    EXPECT_EQ(rows, (std::vector<std::pair<std::string, std::string>>{
                        {"(anonymous namespace)::Root", "(anonymous namespace)::Left"},
                        {"(anonymous namespace)::Root", "(anonymous namespace)::Right"},
                        {"(anonymous namespace)::Left", "(anonymous namespace)::Leaf"}}));
}

TEST(RegistrationTable, EveryClassListsWhatIsBelowItAndEveryPointerThatReachesIt) {
    // Root <- Left, Right; Left <- Leaf; Right <- Leaf; Other <- Root: Leaf is reached along two ways, once each.
    const std::string text = ReachText({{"Root", "Left"}, {"Root", "Right"}, {"Left", "Leaf"}, {"Right", "Leaf"}, {"Other", "Root"}});
    EXPECT_EQ(text.substr(text.find("\nLeaf") + 1),
              "Leaf\n    registered under it: nothing\n    found through: Leaf*, Left*, Right*, Root*, Other*\n"
              "Left\n    registered under it: Leaf\n    found through: Left*, Root*, Other*\n"
              "Other\n    registered under it: Root\n    found through: Other*\n"
              "Right\n    registered under it: Leaf\n    found through: Right*, Root*, Other*\n"
              "Root\n    registered under it: Left, Right\n    found through: Root*, Other*\n");
}

TEST(RegistrationTable, TheLibrarysTableLeadsFromTheEnginesRoots) {
    const std::string text = ReachText(LibraryRegistrationRows());
    EXPECT_NE(text.find("\nTarn::Objects::Image<float>\n    registered under it: nothing\n    found through: "
                        "Tarn::Objects::Image<float>*, Tarn::Objects::ARefCounted*, Tarn::Objects::IBaseInterface*\n"),
              std::string::npos)
        << text;
}

} // namespace
