// The order of lines: the comparators of the two sorts and the sort of one part in
// memory. Records move; the bytes of the lines never do.
//
// Byte-string order: unsigned bytes compared from the start over the shorter length, a
// position where both hold a NUL ending the scan with no difference (as strncmp does);
// then the shorter string first.
#ifndef VANTOR_ENGINE_ORDERING_H_
#define VANTOR_ENGINE_ORDERING_H_

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "engine/job.h"
#include "engine/line_store.h"
#include "engine/platform/tasks.h"

namespace vantor {

// Negative when `a` sorts first, 0 when equal, positive when `b` sorts first.
using LineComparator = int (*)(const LineRecord& a, const LineRecord& b);

// The byte-string order of the whole lines, a trailing CR included.
int CompareEntireEmail(const LineRecord& a, const LineRecord& b);
// The part from the first '@' (the key) to the end, then the part before it. A line
// without '@' has key 0: all of it is the domain part.
int CompareDomainThenUser(const LineRecord& a, const LineRecord& b);

// The folded orders: the same strings with ASCII letters folded to lower case, ties
// broken by the plain order, so that the order is total and the case variants of a line
// stand next to each other.
int CompareEntireEmailFolded(const LineRecord& a, const LineRecord& b);
int CompareDomainThenUserFolded(const LineRecord& a, const LineRecord& b);

// The comparator of a sort's rearrange mode, folded or plain.
LineComparator ComparatorFor(RearrangeMode mode, bool foldCase = false);

// The key every reader of a rearrange action gives its lines: the position of the first
// '@' for the sort by domain, none for the others.
LineKeyMode KeyModeFor(RearrangeMode mode);

// The byte-string order of two byte strings.
int CompareBytes(const char* a, std::size_t aLength, const char* b, std::size_t bLength);
// The byte-string order of the two strings with ASCII letters folded to lower case.
int CompareFoldedBytes(const char* a, std::size_t aLength, const char* b, std::size_t bLength);

// The eight bytes of `word` with each ASCII capital letter made small.
inline std::uint64_t FoldWord(std::uint64_t word) {
  constexpr std::uint64_t kOnes = 0x0101010101010101ull;
  // Each byte below 0x80 plus these has its high bit set from 'A' on, and from past 'Z'
  // on; no byte carries into the next.
  const std::uint64_t low = word & (0x7F * kOnes);
  const std::uint64_t fromA = low + (0x80 - 'A') * kOnes;
  const std::uint64_t pastZ = low + (0x80 - 'Z' - 1) * kOnes;
  const std::uint64_t capitals = fromA & ~pastZ & ~word & (0x80 * kOnes);
  return word | (capitals >> 2);
}

// Eight bytes of the string a record is sorted by in a sort mode, from its byte
// `depth` on, big-endian and zero past its end: when two such prefixes differ and both
// are `exact`, and the strings agree (exactly) on the bytes before `depth`, they order
// the records as the comparator does. A prefix is not exact when a NUL byte of the line
// falls within it. With `foldCase` the bytes are folded, for the folded comparator.
std::uint64_t SortPrefix(const LineRecord& record, RearrangeMode mode, bool* exact,
                         std::uint32_t depth = 0, bool foldCase = false);

// Whether two lines of `n` bytes are duplicates: equal when ASCII letters are compared
// without regard to case, a NUL that both hold ending the comparison early.
bool SameIgnoringCase(const char* a, const char* b, std::size_t n);

// The last line written to a file, which the next line must not repeat when duplicates
// are removed. It points into a chunk buffer until the buffer is about to be refilled;
// then Detach keeps a copy.
class LastLine {
 public:
  // Nothing written yet.
  void Reset() { length_ = -1; }
  bool Repeats(const LineRecord& line) const {
    return line.length == length_ &&
           SameIgnoringCase(line.text, text_, static_cast<std::size_t>(line.length));
  }
  void Set(const LineRecord& line) {
    text_ = line.text;
    length_ = line.length;
  }
  // Keeps a copy of the line.
  void Detach() {
    if (length_ < 0 || text_ == held_.data()) return;
    held_.assign(text_, static_cast<std::size_t>(length_));
    text_ = held_.data();
  }
  // Keeps a copy when the line lies in [begin, end).
  void DetachFrom(const char* begin, const char* end) {
    std::less<const char*> before;
    if (!before(text_, begin) && before(text_, end)) Detach();
  }

 private:
  const char* text_ = nullptr;
  std::int32_t length_ = -1;
  std::string held_;
};

// Sorts the records of one part in ascending order of a sort mode's comparator.
// Records that compare equal may end in any order; the result is the same for the same
// input. A large part is sorted on two threads. Keeps its working memory for the next
// part.
class PartSorter {
 public:
  // The strings of the records agree on their first `depth` bytes (folded, for a folded
  // sort): the sort starts there.
  void Sort(LineRecord* records, std::size_t count, RearrangeMode mode, bool foldCase = false,
            std::uint32_t depth = 0);
  // Gives back the working memory kept for the next part.
  void Release();

 private:
  // What the sort moves: a record with the eight bytes of its sort string from the
  // current depth. While a part's items fit in the memory of its first million
  // records, each carries its record (WholeItem), so that sorting reads nothing else
  // but the lines where prefixes tie. A part of more lines (short lines) has items of
  // sixteen bytes (IndexItem), which find their records in the part's array: slower
  // where prefixes tie, but a part of 10-byte lines then sorts in 30 MiB less.
  struct WholeItem {
    std::uint64_t prefix;
    LineRecord record;
  };
  struct IndexItem {
    std::uint64_t prefix;
    std::uint32_t index;   // of the record
    std::uint32_t length;  // of the sort string
  };
  // A range of items left to sort, which agree on their first depth + byte bytes.
  template <typename Item>
  struct Range {
    Item* items;
    std::size_t count;
    std::uint32_t depth;
    std::uint32_t byte;
  };
  template <typename Item>
  struct Work {
    std::vector<Item> items;
    std::vector<Range<Item>> ranges;
    std::vector<Range<Item>> splitOff[2];  // by each thread, from ranges too large
    std::vector<Item> scratch[2];          // each thread's, to scatter a range into
  };

  static WholeItem MakeItem(const LineRecord* records, std::size_t i, RearrangeMode mode, bool fold,
                            std::uint32_t depth, const WholeItem*);
  static IndexItem MakeItem(const LineRecord* records, std::size_t i, RearrangeMode mode, bool fold,
                            std::uint32_t depth, const IndexItem*);
  const LineRecord& RecordOf(const WholeItem& item) const { return item.record; }
  const LineRecord& RecordOf(const IndexItem& item) const { return records_[item.index]; }
  std::uint32_t LengthOf(const WholeItem& item, RearrangeMode mode) const;
  std::uint32_t LengthOf(const IndexItem& item, RearrangeMode) const { return item.length; }

  template <typename Item>
  void SortByStrings(LineRecord* records, std::size_t count, RearrangeMode mode,
                     std::uint32_t depth, Work<Item>& work);
  template <typename Item>
  void SortItems(Item* items, std::size_t count, std::uint32_t depth, std::uint32_t byte,
                 RearrangeMode mode, std::vector<Item>& scratch, std::vector<Range<Item>>* deferred,
                 std::size_t deferBelow, std::vector<Range<Item>>* larger = nullptr);
  template <typename Item>
  void LoadPrefixes(Item* items, std::size_t count, std::uint32_t depth, RearrangeMode mode) const;
  // Runs work(from, to) over [0, count) in two halves, one on the helper thread.
  void InHalves(std::size_t count, const std::function<void(std::size_t, std::size_t)>& work);
  // Of a folded sort: puts each run of lines equal when folded in their plain order.
  static void BreakFoldedTies(LineRecord* records, std::size_t count, RearrangeMode mode);

  const LineRecord* records_ = nullptr;  // of the part being sorted
  bool fold_ = false;                    // the part is sorted by its folded strings
  Work<WholeItem> whole_;
  Work<IndexItem> indexed_;
  // A large part's records counted by their first two bytes, by each half of the part;
  // then where each half's next item of each first two bytes goes.
  std::vector<std::uint32_t> firstTwo_[2];
  TaskQueue helper_;
};

}  // namespace vantor

#endif  // VANTOR_ENGINE_ORDERING_H_
