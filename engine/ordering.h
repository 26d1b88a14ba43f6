// The order of lines: the three comparators of the rearrange modes and the sort of one
// part in memory. Records move; the bytes of the lines never do.
//
// Byte-string order: unsigned bytes compared from the start over the shorter length, a
// position where both hold a NUL ending the scan with no difference (as strncmp does);
// then the shorter string first.
#ifndef VANTOR_ENGINE_ORDERING_H_
#define VANTOR_ENGINE_ORDERING_H_

#include <cstddef>
#include <cstdint>
#include <vector>

#include "engine/line_store.h"

namespace vantor {

// Negative when `a` sorts first, 0 when equal, positive when `b` sorts first.
using LineComparator = int (*)(const LineRecord& a, const LineRecord& b);

// The byte-string order of the whole lines, a trailing CR included.
int CompareEntireEmail(const LineRecord& a, const LineRecord& b);
// The part from the first '@' (the key) to the end, then the part before it. A line
// without '@' has key 0: all of it is the domain part.
int CompareDomainThenUser(const LineRecord& a, const LineRecord& b);
// The random keys alone.
int CompareRandomKey(const LineRecord& a, const LineRecord& b);

// The comparator of a rearrange mode: 0 entire email, 1 domain then user, 2 random.
LineComparator ComparatorFor(std::int32_t rearrangeMode);

// The byte-string order of two byte strings.
int CompareBytes(const char* a, std::size_t aLength, const char* b, std::size_t bLength);

// Sorts the records of one part in ascending order of a rearrange mode's comparator.
// Records that compare equal may end in any order; the result is the same for the same
// input. Keeps its working memory for the next part.
class PartSorter {
 public:
  void Sort(LineRecord* records, std::size_t count, std::int32_t rearrangeMode);

 private:
  struct Item {
    std::uint64_t prefix;
    std::uint32_t index;
    std::uint32_t length;  // of the string the item is sorted by
  };
  void SortByStrings(LineRecord* records, std::size_t count, std::int32_t rearrangeMode);
  void SortItems(const LineRecord* records, std::size_t lo, std::size_t hi, std::size_t depth,
                 std::int32_t rearrangeMode);
  void SortByKeys(LineRecord* records, std::size_t count);
  // Puts records[order[i]] at position i for every i.
  void Permute(LineRecord* records, std::size_t count);

  std::vector<Item> items_;
  std::vector<std::uint32_t> order_;
  std::vector<std::uint32_t> buckets_;
};

}  // namespace vantor

#endif  // VANTOR_ENGINE_ORDERING_H_
