// The SSA value table against a std::map model: bindings, rebinding, misses,
// and growth across many rehashes, with and without a reservation.
#include "values/value_table.h"

#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

namespace corvane {
namespace {

TEST(ValueTableTest, AgreesWithAMapThroughGrowthAndRebinding) {
  // Names of every length around the 8-byte words the hash reads, names that
  // differ only in their last byte, and the empty name.
  std::vector<std::string> names = {
      "", "a", "b", "ab", "12345678", "123456789", "1234567890123456"};
  for (int i = 0; i < 5000; ++i) names.push_back("m" + std::to_string(i));
  for (int i = 0; i < 300; ++i)
    names.push_back(std::string(static_cast<std::size_t>(i % 40), 'x') + char('a' + i % 26));
  for (const std::size_t reserved : {std::size_t{0}, std::size_t{7}, names.size()}) {
    SCOPED_TRACE(reserved);
    ValueTable table;
    std::map<std::string, std::int64_t> model;
    table.reserve(reserved);
    EXPECT_EQ(table.find("m0"), table.end());
    for (std::size_t round = 0; round < 2; ++round) {  // the second round rebinds every name
      for (std::size_t i = 0; i < names.size(); ++i) {
        const auto value = static_cast<std::int64_t>(i * 10 + round);
        table.insert_or_assign(names[i], Expr(IntLit{value}));
        model[names[i]] = value;
      }
      ASSERT_EQ(table.size(), model.size());
      for (const auto& [name, value] : model) {
        const ValueTable::Entry* entry = table.find(name);
        ASSERT_NE(entry, table.end()) << name;
        EXPECT_EQ(entry->first, name);
        EXPECT_EQ(entry->second, Expr(IntLit{value})) << name;
        EXPECT_EQ(table.count(name), 1u);
      }
    }
    for (const char* missing : {"m5000", "mm0", "12345670", "x", "0"}) {
      EXPECT_EQ(table.find(missing), table.end()) << missing;
      EXPECT_EQ(table.count(missing), 0u) << missing;
    }
  }
}

TEST(ValueTableTest, KeysAreTheCallersViewsAndValuesMove) {
  const std::string text = "%r = call i1 @read(ptr null)";
  const std::string_view name = std::string_view(text).substr(1, 1);
  ValueTable table;
  table.insert_or_assign(name, make_index("c", 3));
  ValueTable moved = std::move(table);
  const ValueTable::Entry* entry = moved.find("r");
  ASSERT_NE(entry, moved.end());
  EXPECT_EQ(entry->first.data(), text.data() + 1);  // the caller's text, not a copy
  EXPECT_EQ(entry->second, make_index("c", 3));
  moved = {};
  EXPECT_TRUE(moved.empty());
  EXPECT_EQ(moved.find("r"), moved.end());
}

}  // namespace
}  // namespace corvane
