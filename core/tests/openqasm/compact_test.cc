// Name, SmallVec and HeapVec: the compact value types of the program tree.
// They switch storage at a boundary (15 bytes inline for Name, N elements
// inline for SmallVec, no block for an empty HeapVec), so every operation is
// checked on both sides of it.
#include "support/compact.h"

#include <gtest/gtest.h>

#include <limits>
#include <optional>
#include <string>
#include <vector>

#include "openqasm/program.h"

namespace corvane {
namespace {

TEST(NameTest, KeepsTextOfEveryLengthThroughCopiesAndMoves) {
  const std::string texts[] = {
      "",
      "q",
      "cint_0",
      std::string(14, 'a'),
      std::string(15, 'b'),  // the longest inline name
      std::string(16, 'c'),  // the shortest heap name
      std::string(1000, 'd'),
      std::string("nul\0inside", 10),
  };
  for (const std::string& text : texts) {
    SCOPED_TRACE(text.size());
    Name name(text);
    EXPECT_EQ(name.view(), text);
    EXPECT_EQ(name.size(), text.size());
    EXPECT_EQ(name.empty(), text.empty());
    EXPECT_EQ(name.str(), text);

    Name copy(name);
    EXPECT_EQ(copy, name);
    EXPECT_NE(copy.view().data(), name.view().data());  // a copy owns its own text

    Name moved(std::move(copy));
    EXPECT_EQ(moved.view(), text);
    EXPECT_TRUE(copy.empty());  // NOLINT: a moved-from Name is empty

    Name assigned("something else entirely, long enough for the heap");
    assigned = name;
    EXPECT_EQ(assigned.view(), text);
    assigned = std::move(moved);
    EXPECT_EQ(assigned.view(), text);
    assigned = assigned;  // NOLINT: self-assignment keeps the text
    EXPECT_EQ(assigned.view(), text);

    Name other("x");
    other.swap(assigned);
    EXPECT_EQ(other.view(), text);
    EXPECT_EQ(assigned.view(), "x");
  }
  EXPECT_EQ(Name("q"), Name(std::string("q")));
  EXPECT_FALSE(Name("q") == Name("c"));
  EXPECT_FALSE(Name(std::string(15, 'b')) == Name(std::string(16, 'b')));
  EXPECT_EQ(Name().view(), "");
}

struct Tracked {
  static inline int alive = 0;
  std::string text;
  explicit Tracked(std::string t) : text(std::move(t)) { ++alive; }
  Tracked(const Tracked& other) : text(other.text) { ++alive; }
  Tracked(Tracked&& other) noexcept : text(std::move(other.text)) { ++alive; }
  Tracked& operator=(const Tracked&) = default;
  Tracked& operator=(Tracked&&) = default;
  ~Tracked() { --alive; }
  friend bool operator==(const Tracked& a, const Tracked& b) { return a.text == b.text; }
};

template <typename Vec>
std::vector<std::string> texts_of(const Vec& items) {
  std::vector<std::string> out;
  for (const Tracked& item : items) out.push_back(item.text);
  return out;
}

// The same checks for SmallVec (inline, then on the heap) and HeapVec (no
// block, then one).
template <typename Vec>
void check_vector_behaviour() {
  for (std::size_t count = 0; count <= 7; ++count) {
    SCOPED_TRACE(count);
    {
      std::vector<std::string> expected;
      Vec items;
      for (std::size_t i = 0; i < count; ++i) {
        // Long texts, so a lost or doubled element shows as a leak or a crash.
        expected.push_back("element number " + std::to_string(i) + " with a long text");
        items.emplace_back(expected.back());
      }
      EXPECT_EQ(items.size(), count);
      EXPECT_EQ(items.empty(), count == 0);
      EXPECT_EQ(texts_of(items), expected);
      EXPECT_EQ(Tracked::alive, static_cast<int>(count));

      Vec copy(items);
      EXPECT_EQ(copy, items);
      EXPECT_EQ(Tracked::alive, static_cast<int>(2 * count));

      Vec moved(std::move(copy));
      EXPECT_EQ(texts_of(moved), expected);
      EXPECT_TRUE(copy.empty());  // NOLINT: moved-from is empty
      EXPECT_EQ(Tracked::alive, static_cast<int>(2 * count));

      Vec assigned{Tracked("old")};
      assigned = items;
      EXPECT_EQ(texts_of(assigned), expected);
      assigned = std::move(moved);
      EXPECT_EQ(texts_of(assigned), expected);
      assigned = assigned;  // NOLINT: self-assignment keeps the elements
      EXPECT_EQ(texts_of(assigned), expected);
      EXPECT_EQ(Tracked::alive, static_cast<int>(2 * count));

      if (count > 0) {
        // Appending an element of the vector itself, also when that grows it.
        items.push_back(items[0]);
        EXPECT_EQ(items.back().text, expected[0]);
        items.push_back(items.back());
        EXPECT_EQ(items.back().text, expected[0]);
        EXPECT_EQ(items.size(), count + 2);
      }
      items.clear();
      EXPECT_TRUE(items.empty());
      items.reserve(10);
      items.emplace_back("after clear");
      EXPECT_EQ(texts_of(items), std::vector<std::string>{"after clear"});
    }
    EXPECT_EQ(Tracked::alive, 0);
  }
}

TEST(SmallVecTest, BehavesLikeAVectorOnBothSidesOfTheInlineCapacity) {
  check_vector_behaviour<SmallVec<Tracked, 2>>();
}

TEST(HeapVecTest, BehavesLikeAVectorWithAndWithoutItsBlock) {
  check_vector_behaviour<HeapVec<Tracked>>();
  static_assert(sizeof(HeapVec<Tracked>) == sizeof(void*));
}

TEST(SmallVecTest, ComparesByContentsAndConvertsFromVectors) {
  const SmallVec<int, 2> a{1, 2, 3};
  const SmallVec<int, 2> b(std::vector<int>{1, 2, 3});
  const SmallVec<int, 2> c{1, 2};
  const SmallVec<int, 0> none;
  EXPECT_EQ(a, b);
  EXPECT_FALSE(a == c);
  EXPECT_TRUE(none.empty());
  EXPECT_EQ(none, (SmallVec<int, 0>{}));
  EXPECT_EQ((SmallVec<int, 0>{7}), (SmallVec<int, 0>(std::vector<int>{7})));
  EXPECT_EQ((HeapVec<int>{1, 2, 3}), (HeapVec<int>(std::vector<int>{1, 2, 3})));
  EXPECT_FALSE((HeapVec<int>{1, 2, 3}) == (HeapVec<int>{1, 2}));
  EXPECT_EQ(HeapVec<int>{}, (HeapVec<int>(std::vector<int>{})));
}

TEST(OptionalIndexTest, HoldsEveryIndexOrNone) {
  for (const std::int64_t value :
       {std::int64_t{0}, std::int64_t{1}, std::int64_t{-1},
        std::numeric_limits<std::int64_t>::max(), std::numeric_limits<std::int64_t>::min() + 1}) {
    const OptionalIndex index(value);
    EXPECT_TRUE(index.has_value()) << value;
    EXPECT_EQ(*index, value);
    EXPECT_EQ(index, OptionalIndex(std::optional<std::int64_t>(value)));
    EXPECT_FALSE(index == OptionalIndex());
  }
  EXPECT_FALSE(OptionalIndex().has_value());
  EXPECT_FALSE(OptionalIndex(std::nullopt).has_value());
  EXPECT_FALSE(OptionalIndex(std::optional<std::int64_t>()).has_value());
  EXPECT_EQ(OptionalIndex(), OptionalIndex(std::nullopt));
}

}  // namespace
}  // namespace corvane
