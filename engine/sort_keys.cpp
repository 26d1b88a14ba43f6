#include "engine/sort_keys.h"

#include <algorithm>
#include <bit>
#include <cstring>

#include "engine/ordering.h"
#include "engine/platform/builtins.h"

namespace vantor {

namespace {

// Copies the bytes of `piece`, which stand at `from` in the sort string, that fall within
// the sixteen at `depth`.
void Put(char (&key)[16], std::uint32_t depth, const char* piece, std::uint32_t length,
         std::uint32_t from) {
  const std::uint32_t begin = std::max(depth, from);
  const std::uint32_t end = std::min(depth + 16, from + length);
  if (begin < end) std::memcpy(key + (begin - depth), piece + (begin - from), end - begin);
}

std::uint64_t Word(const char* bytes, bool fold) {
  std::uint64_t word;
  std::memcpy(&word, bytes, 8);
  word = ByteSwap64(word);
  return fold ? FoldWord(word) : word;
}

// The next key up; false when there is none.
bool Successor(SortKey key, SortKey* next) {
  if (key.low != ~0ull) {
    *next = SortKey{key.high, key.low + 1};
    return true;
  }
  if (key.high == ~0ull) return false;
  *next = SortKey{key.high + 1, 0};
  return true;
}

// The leading bytes two keys agree on.
std::uint32_t CommonBytes(const SortKey& a, const SortKey& b) {
  if (a.high != b.high) return static_cast<std::uint32_t>(std::countl_zero(a.high ^ b.high)) / 8;
  if (a.low != b.low) return 8 + static_cast<std::uint32_t>(std::countl_zero(a.low ^ b.low)) / 8;
  return 16;
}

std::uint32_t FirstTwo(const SortKey& key) { return static_cast<std::uint32_t>(key.high >> 48); }

}  // namespace

SortKey SortKeyOf(const char* line, std::uint32_t length, const KeyOrder& order) {
  const std::uint32_t depth = order.depth;
  std::uint32_t at = 0;  // where the part read first begins
  if (order.mode == RearrangeMode::kSortByDomain) {
    const void* sign = std::memchr(line, '@', length);
    if (sign) at = static_cast<std::uint32_t>(static_cast<const char*>(sign) - line);
  }
  const std::uint32_t first = length - at;
  // Most keys lie within the line's first part: two loads.
  if (depth + 16 <= first) {
    return SortKey{Word(line + at + depth, order.fold), Word(line + at + depth + 8, order.fold)};
  }
  char key[16] = {};
  Put(key, depth, line + at, first, 0);
  // The domain's 0 byte is already in place; the user part follows it.
  if (order.mode == RearrangeMode::kSortByDomain) Put(key, depth, line, at, first + 1);
  return SortKey{Word(key, order.fold), Word(key + 8, order.fold)};
}

KeyRanges::KeyRanges(const KeyOrder& order, std::vector<SortKey> sample, std::size_t count,
                     std::size_t most)
    : order_(order) {
  std::sort(sample.begin(), sample.end());
  const std::size_t n = sample.size();
  // Ranges of at least `share` sampled keys each, but that a key of a share or more has
  // a range of its own; the share doubles while that makes too many ranges.
  std::size_t share = std::max<std::size_t>((n + count - 1) / std::max<std::size_t>(count, 1), 1);
  for (;; share *= 2) {
    bounds_.clear();
    std::size_t inRange = 0;
    for (std::size_t i = 0, j; i < n; i = j) {
      for (j = i + 1; j < n && sample[j] == sample[i];) ++j;
      const SortKey key = sample[i];
      if (j - i >= share) {
        if (bounds_.empty() || bounds_.back() != key) bounds_.push_back(key);
        SortKey next;
        if (Successor(key, &next)) bounds_.push_back(next);
        inRange = 0;
        continue;
      }
      if (inRange >= share) {
        bounds_.push_back(key);
        inRange = 0;
      }
      inRange += j - i;
    }
    if (bounds_.size() < std::max<std::size_t>(most, 1)) break;
  }
  firstOf_.assign((1u << 16) + 1, 0);
  std::size_t b = 0;
  for (std::uint32_t t = 0; t <= (1u << 16); ++t) {
    while (b < bounds_.size() && FirstTwo(bounds_[b]) < t) ++b;
    firstOf_[t] = static_cast<std::uint32_t>(b);
  }
}

std::size_t KeyRanges::RangeOf(const char* line, std::uint32_t length) const {
  const SortKey key = SortKeyOf(line, length, order_);
  const std::uint32_t t = FirstTwo(key);
  std::size_t r = firstOf_[t];
  const std::size_t end = firstOf_[t + 1];
  if (end - r > 8) {
    return static_cast<std::size_t>(
        std::upper_bound(bounds_.begin() + static_cast<std::ptrdiff_t>(r),
                         bounds_.begin() + static_cast<std::ptrdiff_t>(end), key) -
        bounds_.begin());
  }
  while (r < end && !(key < bounds_[r])) ++r;
  return r;
}

bool KeyRanges::HoldsOneKey(std::size_t r) const {
  if (r >= bounds_.size()) return false;
  const SortKey low = r == 0 ? SortKey{} : bounds_[r - 1];
  SortKey next;
  return Successor(low, &next) && bounds_[r] == next;
}

bool KeyRanges::HoldsOneString(std::size_t r) const {
  // Keys beyond the end of a string are zero.
  return order_.depth > 0 && HoldsOneKey(r) && (r == 0 || bounds_[r - 1] == SortKey{});
}

std::uint32_t KeyRanges::SharedBytes(std::size_t r) const {
  if (r == 0 || r >= bounds_.size()) return order_.depth;
  // Every key from the range's first to its last agrees on the bytes those two agree on.
  SortKey last = bounds_[r];
  if (last.low-- == 0) --last.high;
  return order_.depth + CommonBytes(bounds_[r - 1], last);
}

}  // namespace vantor
