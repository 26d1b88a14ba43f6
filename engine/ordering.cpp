#include "engine/ordering.h"

#include <algorithm>
#include <atomic>
#include <bit>
#include <condition_variable>
#include <cstring>
#include <mutex>
#include <type_traits>

#include "engine/platform/builtins.h"

namespace vantor {

namespace {

// The virtual string a part is sorted by. For the entire email it is the line. For the
// domain order it is the domain part, a 0 byte, then the user part: with no NUL in the
// lines, the 0 orders a domain before every longer domain it begins, and equal domains
// by their user parts, exactly as the comparator does.
struct SortString {
  const char* text;
  std::uint32_t key;
  std::uint32_t lineLength;
  bool domainFirst;
  bool fold;

  std::uint32_t length() const { return domainFirst ? lineLength + 1 : lineLength; }

  unsigned char At(std::uint32_t i) const {
    if (!domainFirst) return i < lineLength ? static_cast<unsigned char>(text[i]) : 0;
    const std::uint32_t domain = lineLength - key;
    if (i < domain) return static_cast<unsigned char>(text[key + i]);
    if (i == domain) return 0;
    i -= domain + 1;
    return i < key ? static_cast<unsigned char>(text[i]) : 0;
  }

  // The eight bytes from `depth`, big-endian, zero past the end.
  std::uint64_t Prefix(std::uint32_t depth) const {
    const char* direct = nullptr;
    if (!domainFirst && depth + 8 <= lineLength) direct = text + depth;
    if (domainFirst) {
      // Within the domain part, or within the user part after it.
      const std::uint32_t domain = lineLength - key;
      if (depth + 8 <= domain) direct = text + key + depth;
      if (depth > domain && depth - domain - 1 + 8 <= key) direct = text + (depth - domain - 1);
    }
    if (direct) {
      std::uint64_t word;
      std::memcpy(&word, direct, 8);
      return fold ? FoldWord(ByteSwap64(word)) : ByteSwap64(word);
    }
    std::uint64_t word = 0;
    for (std::uint32_t i = 0; i < 8; ++i) word = word << 8 | At(depth + i);
    return fold ? FoldWord(word) : word;
  }
};

SortString StringOf(const LineRecord& record, RearrangeMode mode, bool fold = false) {
  return SortString{record.text, static_cast<std::uint32_t>(record.key),
                    static_cast<std::uint32_t>(record.length), mode == RearrangeMode::kSortByDomain,
                    fold};
}

unsigned char FoldByte(unsigned char c) {
  return c >= 'A' && c <= 'Z' ? static_cast<unsigned char>(c - 'A' + 'a') : c;
}

// The folded order alone, without its tie break.
int CompareFoldedOnly(const LineRecord& a, const LineRecord& b, RearrangeMode mode) {
  if (mode != RearrangeMode::kSortByDomain) {
    return CompareFoldedBytes(a.text, static_cast<std::size_t>(a.length), b.text,
                              static_cast<std::size_t>(b.length));
  }
  const int byDomain =
      CompareFoldedBytes(a.text + a.key, static_cast<std::size_t>(a.length - a.key), b.text + b.key,
                         static_cast<std::size_t>(b.length - b.key));
  if (byDomain != 0) return byDomain;
  return CompareFoldedBytes(a.text, static_cast<std::size_t>(a.key), b.text,
                            static_cast<std::size_t>(b.key));
}

constexpr std::size_t kSmallRange = 128;
// Ranges of up to this many items are split through a scratch array of their size.
constexpr std::size_t kScatterUpTo = 1 << 16;
// Parts of fewer records are sorted on the calling thread alone.
constexpr std::size_t kSmallestSplitPart = 1 << 16;
// Parts of more records are sorted as items of sixteen bytes.
constexpr std::size_t kWholeItemsUpTo = 1 << 20;

}  // namespace

int CompareBytes(const char* a, std::size_t aLength, const char* b, std::size_t bLength) {
  const std::size_t n = std::min(aLength, bLength);
  const int byLength = aLength == bLength ? 0 : (aLength < bLength ? -1 : 1);
  std::size_t p = 0;  // the first difference
  while (p + 8 <= n) {
    std::uint64_t x, y;
    std::memcpy(&x, a + p, 8);
    std::memcpy(&y, b + p, 8);
    if (x != y) break;
    // A NUL that both hold before the difference ends the scan there: no difference.
    if (((x - 0x0101010101010101ull) & ~x & 0x8080808080808080ull) != 0) return byLength;
    p += 8;
  }
  for (; p < n; ++p) {
    const unsigned char x = static_cast<unsigned char>(a[p]);
    const unsigned char y = static_cast<unsigned char>(b[p]);
    if (x != y) return x < y ? -1 : 1;
    if (x == 0) return byLength;
  }
  return byLength;
}

std::uint64_t SortPrefix(const LineRecord& record, RearrangeMode mode, bool* exact,
                         std::uint32_t depth, bool foldCase) {
  // Most strings have eight bytes of their own there: one load, and a NUL found by the
  // usual zero-byte test.
  const std::int32_t start =
      (mode == RearrangeMode::kSortByDomain ? record.key : 0) + static_cast<std::int32_t>(depth);
  if (record.length - start >= 8) {
    std::uint64_t word;
    std::memcpy(&word, record.text + start, 8);
    *exact = ((word - 0x0101010101010101ull) & ~word & 0x8080808080808080ull) == 0;
    return foldCase ? FoldWord(ByteSwap64(word)) : ByteSwap64(word);
  }
  SortString s = StringOf(record, mode, foldCase);
  const std::uint64_t prefix = s.Prefix(depth);
  // A zero byte of the prefix is the end, the domain's separator, or a NUL of the line.
  *exact = true;
  const std::uint32_t length = s.length();
  for (std::uint32_t i = 0; i < 8 && depth + i < length; ++i) {
    if (((prefix >> (56 - 8 * i)) & 0xFF) != 0) continue;
    if (s.domainFirst && depth + i == static_cast<std::uint32_t>(record.length - record.key)) {
      continue;
    }
    *exact = false;
  }
  return prefix;
}

int CompareFoldedBytes(const char* a, std::size_t aLength, const char* b, std::size_t bLength) {
  const std::size_t n = std::min(aLength, bLength);
  const int byLength = aLength == bLength ? 0 : (aLength < bLength ? -1 : 1);
  std::size_t p = 0;
  while (p + 8 <= n) {
    std::uint64_t x, y;
    std::memcpy(&x, a + p, 8);
    std::memcpy(&y, b + p, 8);
    // Folding makes no byte 0 and leaves 0 as it is: equal folded words hold their NULs
    // at the same places.
    if (x != y && FoldWord(x) != FoldWord(y)) break;
    if (((x - 0x0101010101010101ull) & ~x & 0x8080808080808080ull) != 0) return byLength;
    p += 8;
  }
  for (; p < n; ++p) {
    const unsigned char x = FoldByte(static_cast<unsigned char>(a[p]));
    const unsigned char y = FoldByte(static_cast<unsigned char>(b[p]));
    if (x != y) return x < y ? -1 : 1;
    if (x == 0) return byLength;
  }
  return byLength;
}

bool SameIgnoringCase(const char* a, const char* b, std::size_t n) {
  if (std::memcmp(a, b, n) == 0) return true;
  for (std::size_t i = 0; i < n; ++i) {
    unsigned char ca = static_cast<unsigned char>(a[i]);
    unsigned char cb = static_cast<unsigned char>(b[i]);
    if (ca == 0 && cb == 0) return true;
    if (ca >= 'A' && ca <= 'Z') ca = static_cast<unsigned char>(ca - 'A' + 'a');
    if (cb >= 'A' && cb <= 'Z') cb = static_cast<unsigned char>(cb - 'A' + 'a');
    if (ca != cb) return false;
  }
  return true;
}

int CompareEntireEmail(const LineRecord& a, const LineRecord& b) {
  return CompareBytes(a.text, static_cast<std::size_t>(a.length), b.text,
                      static_cast<std::size_t>(b.length));
}

int CompareDomainThenUser(const LineRecord& a, const LineRecord& b) {
  int byDomain = CompareBytes(a.text + a.key, static_cast<std::size_t>(a.length - a.key),
                              b.text + b.key, static_cast<std::size_t>(b.length - b.key));
  if (byDomain != 0) return byDomain;
  return CompareBytes(a.text, static_cast<std::size_t>(a.key), b.text,
                      static_cast<std::size_t>(b.key));
}

int CompareEntireEmailFolded(const LineRecord& a, const LineRecord& b) {
  const int folded = CompareFoldedOnly(a, b, RearrangeMode::kSortByEmail);
  return folded != 0 ? folded : CompareEntireEmail(a, b);
}

int CompareDomainThenUserFolded(const LineRecord& a, const LineRecord& b) {
  const int folded = CompareFoldedOnly(a, b, RearrangeMode::kSortByDomain);
  return folded != 0 ? folded : CompareDomainThenUser(a, b);
}

LineComparator ComparatorFor(RearrangeMode mode, bool foldCase) {
  if (foldCase) {
    return mode == RearrangeMode::kSortByEmail ? CompareEntireEmailFolded
                                               : CompareDomainThenUserFolded;
  }
  return mode == RearrangeMode::kSortByEmail ? CompareEntireEmail : CompareDomainThenUser;
}

LineKeyMode KeyModeFor(RearrangeMode mode) {
  return mode == RearrangeMode::kSortByDomain ? AtSignPosition : NoKey;
}

void PartSorter::Sort(LineRecord* records, std::size_t count, RearrangeMode mode, bool foldCase,
                      std::uint32_t depth) {
  if (count < 2) return;
  // The radix-style sort below reads a NUL as the end of a string, which the order
  // does not; a part that holds one is sorted by the comparator itself.
  bool hasNul = false;
  for (std::size_t i = 0; i < count && !hasNul; ++i) {
    hasNul = std::memchr(records[i].text, 0, static_cast<std::size_t>(records[i].length));
  }
  if (hasNul) {
    LineComparator cmp = ComparatorFor(mode, foldCase);
    std::sort(records, records + count,
              [cmp](const LineRecord& a, const LineRecord& b) { return cmp(a, b) < 0; });
    return;
  }
  records_ = records;
  fold_ = foldCase;
  if (count <= kWholeItemsUpTo) {
    indexed_ = Work<IndexItem>();
    SortByStrings(records, count, mode, depth, whole_);
  } else {
    whole_ = Work<WholeItem>();
    SortByStrings(records, count, mode, depth, indexed_);
  }
  if (foldCase) BreakFoldedTies(records, count, mode);
}

void PartSorter::Release() {
  whole_ = Work<WholeItem>();
  indexed_ = Work<IndexItem>();
  for (std::vector<std::uint32_t>& counts : firstTwo_) counts = std::vector<std::uint32_t>();
}

void PartSorter::BreakFoldedTies(LineRecord* records, std::size_t count, RearrangeMode mode) {
  const LineComparator plain = ComparatorFor(mode);
  for (std::size_t i = 0, j; i < count; i = j) {
    for (j = i + 1; j < count && CompareFoldedOnly(records[i], records[j], mode) == 0;) ++j;
    if (j - i > 1) {
      std::sort(records + i, records + j,
                [plain](const LineRecord& a, const LineRecord& b) { return plain(a, b) < 0; });
    }
  }
}

void PartSorter::InHalves(std::size_t count,
                          const std::function<void(std::size_t, std::size_t)>& work) {
  const std::size_t half = count / 2;
  helper_.Start([&work, half] { work(0, half); });
  helper_.WaitAfter([&work, half, count] { work(half, count); });
}

PartSorter::WholeItem PartSorter::MakeItem(const LineRecord* records, std::size_t i,
                                           RearrangeMode mode, bool fold, std::uint32_t depth,
                                           const WholeItem*) {
  return WholeItem{StringOf(records[i], mode, fold).Prefix(depth), records[i]};
}

PartSorter::IndexItem PartSorter::MakeItem(const LineRecord* records, std::size_t i,
                                           RearrangeMode mode, bool fold, std::uint32_t depth,
                                           const IndexItem*) {
  const SortString s = StringOf(records[i], mode, fold);
  return IndexItem{s.Prefix(depth), static_cast<std::uint32_t>(i), s.length()};
}

std::uint32_t PartSorter::LengthOf(const WholeItem& item, RearrangeMode mode) const {
  return StringOf(item.record, mode).length();
}

template <typename Item>
void PartSorter::SortByStrings(LineRecord* records, std::size_t count, RearrangeMode mode,
                               std::uint32_t depth, Work<Item>& work) {
  work.items.resize(count);
  Item* items = work.items.data();
  std::vector<Range<Item>>& ranges = work.ranges;
  auto load = [records, items, mode, depth, fold = fold_](std::size_t i) {
    return MakeItem(records, i, mode, fold, depth, items);
  };
  // Sorted, the records are written back in one sequential pass; an item of sixteen
  // bytes is first replaced by its record, in place.
  auto store = [this, items, records](std::size_t from, std::size_t to) {
    if constexpr (std::is_same_v<Item, WholeItem>) {
      for (std::size_t i = from; i < to; ++i) records[i] = items[i].record;
    } else {
      static_assert(sizeof(IndexItem) == sizeof(LineRecord));
      constexpr std::size_t kAhead = 16;  // the records lie all over their array
      for (std::size_t i = from; i < to; ++i) {
        if (i + kAhead < to) Prefetch(records_ + items[i + kAhead].index);
        const LineRecord record = records_[items[i].index];
        std::memcpy(&items[i], &record, sizeof record);
      }
    }
  };
  auto copyBack = [items, records](std::size_t from, std::size_t to) {
    if constexpr (std::is_same_v<Item, IndexItem>) {
      std::memcpy(records + from, items + from, (to - from) * sizeof(LineRecord));
    }
  };
  if (count < kSmallestSplitPart) {
    for (std::size_t i = 0; i < count; ++i) items[i] = load(i);
    SortItems<Item>(items, count, depth, 0, mode, work.scratch[0], nullptr, 0);
    store(0, count);
    copyBack(0, count);
    return;
  }
  // The first two bytes of each string place its item, both halves of the part at once
  // (of equal first two bytes, the first half's items first). The ranges of equal
  // first two bytes are then sorted by both threads, the largest first; a range of
  // more than a 64th of the part is first split by its next bytes. Each range is sorted
  // alone, so the result does not depend on which thread sorts it.
  constexpr std::size_t kFirstTwo = 1 << 16;
  for (std::vector<std::uint32_t>& counts : firstTwo_) counts.assign(kFirstTwo, 0);
  const std::size_t half = count / 2;
  InHalves(count, [this, records, mode, depth, half](std::size_t from, std::size_t to) {
    std::uint32_t* counts = firstTwo_[from < half ? 0 : 1].data();
    for (std::size_t i = from; i < to; ++i) {
      ++counts[StringOf(records[i], mode, fold_).Prefix(depth) >> 48];
    }
  });
  std::uint32_t* first = firstTwo_[0].data();
  std::uint32_t* second = firstTwo_[1].data();
  ranges.clear();
  std::uint32_t placed = 0;
  for (std::size_t b = 0; b < kFirstTwo; ++b) {
    const std::uint32_t n = first[b] + second[b];
    if (n >= 2) ranges.push_back(Range<Item>{items + placed, n, depth, 2});
    first[b] = placed;
    second[b] = placed + (n - second[b]);
    placed += n;
  }
  InHalves(count, [this, items, half, load](std::size_t from, std::size_t to) {
    std::uint32_t* next = firstTwo_[from < half ? 0 : 1].data();
    for (std::size_t i = from; i < to; ++i) {
      const Item item = load(i);
      items[next[item.prefix >> 48]++] = item;
    }
  });
  // The ranges too large are split first, by both threads (lines of one large domain
  // would keep one thread busy while the other waited).
  const std::size_t deferBelow = count / 64;
  std::vector<Range<Item>> toSplit;
  for (Range<Item>& r : ranges) {
    if (r.count <= deferBelow) continue;
    toSplit.push_back(r);
    r.count = 0;  // replaced by the ranges it splits into
  }
  std::vector<Range<Item>>* splitOff = work.splitOff;
  std::vector<Item>* scratch = work.scratch;
  for (int t = 0; t < 2; ++t) splitOff[t].clear();
  // One radix pass at a time, the largest range first: the ranges a pass splits off
  // that are still too large go back to be taken by either thread, so that both work
  // until the last large range is split.
  std::mutex mutex;
  std::condition_variable changed;
  int busy = 0;          // threads splitting a range
  bool stopped = false;  // by a thread that failed
  InHalves(2, [&](std::size_t t, std::size_t) {
    std::vector<Range<Item>> larger;
    std::unique_lock<std::mutex> lock(mutex);
    for (;;) {
      changed.wait(lock, [&] { return !toSplit.empty() || busy == 0 || stopped; });
      if (toSplit.empty() || stopped) return;
      const auto largest = std::max_element(
          toSplit.begin(), toSplit.end(),
          [](const Range<Item>& a, const Range<Item>& b) { return a.count < b.count; });
      const Range<Item> r = *largest;
      *largest = toSplit.back();
      toSplit.pop_back();
      ++busy;
      lock.unlock();
      larger.clear();
      try {
        SortItems(r.items, r.count, r.depth, r.byte, mode, scratch[t], &splitOff[t], deferBelow,
                  &larger);
      } catch (...) {
        lock.lock();
        stopped = true;
        changed.notify_all();
        throw;
      }
      lock.lock();
      toSplit.insert(toSplit.end(), larger.begin(), larger.end());
      --busy;
      changed.notify_all();
    }
  });
  for (int t = 0; t < 2; ++t) ranges.insert(ranges.end(), splitOff[t].begin(), splitOff[t].end());
  std::sort(ranges.begin(), ranges.end(),
            [](const Range<Item>& a, const Range<Item>& b) { return a.count > b.count; });
  std::atomic<std::size_t> next{0};
  auto sortRanges = [this, mode, scratch, &next, &ranges](std::size_t t, std::size_t) {
    for (std::size_t i = next++; i < ranges.size(); i = next++) {
      const Range<Item>& r = ranges[i];
      if (r.count < 2) break;  // sorted largest first: the rest are split or single
      SortItems<Item>(r.items, r.count, r.depth, r.byte, mode, scratch[t], nullptr, 0);
    }
  };
  InHalves(2, sortRanges);
  InHalves(count, store);
  if constexpr (std::is_same_v<Item, IndexItem>) InHalves(count, copyBack);
}

// Gives each item the eight bytes of its string from `depth`. The lines (and the
// records of sixteen-byte items) lie all over memory: each is asked for a few items
// ahead.
template <typename Item>
void PartSorter::LoadPrefixes(Item* items, std::size_t count, std::uint32_t depth,
                              RearrangeMode mode) const {
  constexpr std::size_t kRecordAhead = 8;
  constexpr std::size_t kLineAhead = 4;
  for (std::size_t i = 0; i < count; ++i) {
    if constexpr (std::is_same_v<Item, IndexItem>) {
      if (i + kRecordAhead < count) Prefetch(records_ + items[i + kRecordAhead].index);
    }
    if (i + kLineAhead < count) {
      const LineRecord& ahead = RecordOf(items[i + kLineAhead]);
      Prefetch(ahead.text + (mode == RearrangeMode::kSortByDomain ? ahead.key : 0) + depth);
    }
    items[i].prefix = StringOf(RecordOf(items[i]), mode, fold_).Prefix(depth);
  }
}

// Sorts items whose strings agree on their first `depth` + `byte` bytes, where each
// prefix holds the eight bytes from `depth`: a most-significant-byte radix sort, one
// byte of the prefix at a time (through `scratch`, or in place for the largest ranges),
// the next eight bytes loaded when a group agrees on all eight.
//
// With `deferred` set, a range of at most `deferBelow` items is not sorted but added
// there, to be sorted later. With `larger` set too, the items are split by one byte
// only: each group that needs sorting goes to `deferred`, or to `larger` when it has
// more than `deferBelow` items.
template <typename Item>
void PartSorter::SortItems(Item* items, std::size_t count, std::uint32_t depth, std::uint32_t byte,
                           RearrangeMode mode, std::vector<Item>& scratch,
                           std::vector<Range<Item>>* deferred, std::size_t deferBelow,
                           std::vector<Range<Item>>* larger) {
  // The largest bucket is sorted by going round this loop again and only the smaller
  // ones by calling deeper, so the stack holds at most log2(count) frames however long
  // the prefix the lines share (the worker thread has 1 MiB).
  for (;;) {
    if (deferred && count <= deferBelow) {
      deferred->push_back(Range<Item>{items, count, depth, byte});
      return;
    }
    if (count <= kSmallRange) {
      // Sorted by the prefixes alone; items of equal prefixes whose strings go on are
      // then sorted by the eight bytes after them, the largest such run by going round
      // the loop again.
      std::sort(items, items + count,
                [](const Item& a, const Item& b) { return a.prefix < b.prefix; });
      const std::uint32_t after = depth + 8;
      Item* largest = nullptr;
      std::size_t largestCount = 0;
      for (std::size_t i = 0, j; i < count; i = j) {
        for (j = i + 1; j < count && items[j].prefix == items[i].prefix;) ++j;
        Item* run = items + i;
        const std::size_t n = j - i;
        if (n < 2 || std::none_of(run, run + n, [this, after, mode](const Item& item) {
              return LengthOf(item, mode) > after;
            })) {
          continue;
        }
        LoadPrefixes(run, n, after, mode);
        if (n <= largestCount) {
          SortItems<Item>(run, n, after, 0, mode, scratch, nullptr, 0);
          continue;
        }
        if (largest) SortItems<Item>(largest, largestCount, after, 0, mode, scratch, nullptr, 0);
        largest = run;
        largestCount = n;
      }
      if (!largest) return;
      items = largest;
      count = largestCount;
      depth = after;
      byte = 0;
      continue;
    }
    // Bytes all the items share (a common first name, a large provider's domain) are
    // passed over at once instead of one radix pass each.
    std::uint64_t differ = 0;
    for (std::size_t i = 1; i < count; ++i) differ |= items[i].prefix ^ items[0].prefix;
    if (differ == 0) {
      if (std::none_of(items, items + count, [this, after = depth + 8, mode](const Item& item) {
            return LengthOf(item, mode) > after;
          })) {
        return;
      }
      LoadPrefixes(items, count, depth + 8, mode);
      depth += 8;
      byte = 0;
      continue;
    }
    byte = std::max<std::uint32_t>(byte, static_cast<std::uint32_t>(std::countl_zero(differ)) / 8);
    const unsigned shift = 56 - 8 * byte;
    std::uint32_t counts[256] = {};
    {
      // Four tallies, so that runs of one byte do not wait on one counter.
      std::uint32_t tally[4][256] = {};
      std::size_t i = 0;
      for (; i + 4 <= count; i += 4) {
        ++tally[0][(items[i].prefix >> shift) & 0xFF];
        ++tally[1][(items[i + 1].prefix >> shift) & 0xFF];
        ++tally[2][(items[i + 2].prefix >> shift) & 0xFF];
        ++tally[3][(items[i + 3].prefix >> shift) & 0xFF];
      }
      for (; i < count; ++i) ++tally[0][(items[i].prefix >> shift) & 0xFF];
      for (int b = 0; b < 256; ++b)
        counts[b] = tally[0][b] + tally[1][b] + tally[2][b] + tally[3][b];
    }
    std::uint32_t starts[256];
    std::uint32_t next[256];
    std::uint32_t sum = 0;
    for (int b = 0; b < 256; ++b) {
      starts[b] = next[b] = sum;
      sum += counts[b];
    }
    if (count <= kScatterUpTo) {
      // Scattered to their places in the scratch array and copied back: two passes in
      // order over a range that fits the cache, where moving each item into place in
      // the range itself, one displacing the next, jumps all over it.
      if (scratch.size() < count) scratch.resize(count);
      Item* const out = scratch.data();
      for (std::size_t i = 0; i < count; ++i)
        out[next[(items[i].prefix >> shift) & 0xFF]++] = items[i];
      std::memcpy(static_cast<void*>(items), out, count * sizeof(Item));
    } else {
      // Each item goes to the next free place of its bucket; the one it displaces
      // continues the cycle.
      for (int b = 0; b < 256; ++b) {
        while (next[b] < starts[b] + counts[b]) {
          Item item = items[next[b]];
          unsigned target = (item.prefix >> shift) & 0xFF;
          while (target != static_cast<unsigned>(b)) {
            std::swap(item, items[next[target]++]);
            target = (item.prefix >> shift) & 0xFF;
          }
          items[next[b]++] = item;
        }
      }
    }
    // The buckets still to sort: those of two or more strings that go on past the
    // bytes they agree on (strings that all end there are equal).
    const std::uint32_t position = depth + byte + 1;
    auto needsSorting = [&](int b) {
      if (counts[b] < 2) return false;
      const Item* bucket = items + starts[b];
      for (std::uint32_t i = 0; i < counts[b]; ++i) {
        if (LengthOf(bucket[i], mode) > position) return true;
      }
      return false;
    };
    // The next byte: within the prefix, or the eight bytes after it.
    auto advance = [&](Item* bucket, std::size_t n) {
      if (byte < 7) return;
      LoadPrefixes(bucket, n, depth + 8, mode);
    };
    const std::uint32_t nextDepth = byte < 7 ? depth : depth + 8;
    const std::uint32_t nextByte = byte < 7 ? byte + 1 : 0;
    if (larger) {
      for (int b = 0; b < 256; ++b) {
        if (!needsSorting(b)) continue;
        advance(items + starts[b], counts[b]);
        (counts[b] <= deferBelow ? deferred : larger)
            ->push_back(Range<Item>{items + starts[b], counts[b], nextDepth, nextByte});
      }
      return;
    }
    int largest = -1;
    for (int b = 0; b < 256; ++b) {
      if (needsSorting(b) && (largest < 0 || counts[b] > counts[largest])) largest = b;
    }
    if (largest < 0) return;
    for (int b = 0; b < 256; ++b) {
      if (b == largest || !needsSorting(b)) continue;
      advance(items + starts[b], counts[b]);
      SortItems(items + starts[b], counts[b], nextDepth, nextByte, mode, scratch, deferred,
                deferBelow);
    }
    items += starts[largest];
    count = counts[largest];
    advance(items, count);
    depth = nextDepth;
    byte = nextByte;
  }
}

}  // namespace vantor
