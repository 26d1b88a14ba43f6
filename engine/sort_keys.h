// The keys a sort deals its lines into buckets by: sixteen bytes of the string a line is
// sorted by, from some depth on, and the ranges of keys that make the buckets. Every line
// of one bucket sorts before every line of the next, so the buckets sorted one by one and
// written one after the other make the sorted list, with no merge.
//
// The keys hold for lines without a NUL byte: a NUL ends the comparators' scan where a
// key goes on, so a list with one is sorted another way.
#ifndef VANTOR_ENGINE_SORT_KEYS_H_
#define VANTOR_ENGINE_SORT_KEYS_H_

#include <compare>
#include <cstddef>
#include <cstdint>
#include <vector>

#include "engine/job.h"

namespace vantor {

// Bytes `depth` to `depth` + 15 of a line's sort string, big-endian, zero past its end;
// ASCII capitals made small for a folded sort. The sort string is the line for the sort
// by the entire email, and the domain part, a 0 byte, then the user part for the sort by
// domain. Of two lines that agree on their first `depth` bytes, the one with the smaller
// key sorts first; equal keys say nothing.
struct SortKey {
  std::uint64_t high = 0;
  std::uint64_t low = 0;
  auto operator<=>(const SortKey&) const = default;
};

// How a sort orders its lines, and how deep into their sort strings keys are taken.
struct KeyOrder {
  RearrangeMode mode = RearrangeMode::kSortByEmail;
  bool fold = false;
  std::uint32_t depth = 0;
};

// The key of a line of `length` bytes (its LF not counted, a CR before it counted).
SortKey SortKeyOf(const char* line, std::uint32_t length, const KeyOrder& order);

// Ranges of keys, ascending, that deal lines into buckets of about equal size.
class KeyRanges {
 public:
  // About `count` ranges, never more than `most`, cut at the quantiles of `sample`, the
  // keys of lines taken from all over a file. A key that takes up a range's share of the
  // sample or more gets a range of its own, which holds nothing but lines of that key.
  KeyRanges(const KeyOrder& order, std::vector<SortKey> sample, std::size_t count,
            std::size_t most);

  const KeyOrder& order() const { return order_; }
  std::size_t count() const { return bounds_.size() + 1; }
  // The range a line falls in.
  std::size_t RangeOf(const char* line, std::uint32_t length) const;
  // Whether range `r` holds one key only; and whether that key lies past the end of
  // strings that agree on the bytes before it: the lines dealt to it are then all the
  // same line (all equal when folded, for folded keys).
  bool HoldsOneKey(std::size_t r) const;
  bool HoldsOneString(std::size_t r) const;
  // The bytes of their sort strings that all lines of range `r` agree on (folded, for a
  // folded order), from the first.
  std::uint32_t SharedBytes(std::size_t r) const;

 private:
  KeyOrder order_;
  // Range r holds the keys from bounds_[r - 1] (from the smallest for r = 0) to below
  // bounds_[r] (to the largest for the last).
  std::vector<SortKey> bounds_;
  // For each first two bytes of a key t, the first bound whose first two bytes are t or
  // more: a key's range is looked for among the bounds that share its first two bytes.
  std::vector<std::uint32_t> firstOf_;
};

}  // namespace vantor

#endif  // VANTOR_ENGINE_SORT_KEYS_H_
