// Finds whether an address contains any of a set of fragments, ignoring ASCII letter
// case: the answer of strstr on the upper-cased, NUL-terminated address for each
// fragment in turn, in one pass over the address (an Aho-Corasick automaton unfolded
// into a table over the byte classes that occur in the fragments).
#ifndef VANTOR_ENGINE_FILTER_MATCHER_H_
#define VANTOR_ENGINE_FILTER_MATCHER_H_

#include <array>
#include <cstddef>
#include <cstdint>
#include <string_view>
#include <vector>

namespace vantor {

class FilterMatcher {
 public:
  // The bytes of the table for fragments of `bytes` bytes in all over `classes`
  // distinct bytes; what a batch of fragments may cost is judged by it.
  static std::size_t TableBytes(std::size_t bytes, std::size_t classes);

  // `fragments` are upper-cased and free of NUL bytes; empty ones are ignored.
  explicit FilterMatcher(const std::vector<std::string_view>& fragments);

  // True when `text[0, n)`, read up to its first NUL byte, contains a fragment.
  bool Matches(const char* text, std::size_t n) const {
    std::uint32_t state = root_;
    const auto* bytes = reinterpret_cast<const unsigned char*>(text);
    for (std::size_t i = 0; i < n; ++i) {
      state = table_[state + classOf_[bytes[i]]];
      if (state < root_) break;  // accepted, or ended by a NUL
    }
    return state == kAccept;
  }

  // For the whole lines of [begin, end), each ending in LF, sets flags[k] to 1 where
  // begin[k] is the LF of a line that contains a fragment and to 0 where it ends one
  // that does not (what it sets elsewhere is of no meaning); `flags` holds end - begin
  // bytes. A line's bytes are read as Matches reads an address, its CR among them, so
  // the answers are those of Matches on the lines without their CR only when no
  // fragment holds a CR (SeesCr). The lines are cut into four runs walked a byte of each
  // in turn: the four table lookups do not wait for each other.
  void MarkLines(const char* begin, const char* end, std::uint8_t* flags) const;
  // Whether a fragment holds a CR.
  bool SeesCr() const { return classOf_[static_cast<unsigned char>('\r')] != kOtherClass; }

  std::size_t MemoryBytes() const { return table_.size() * sizeof(std::uint32_t); }

 private:
  // States are stored as the offsets of their rows: accept, dead, root, then the rest.
  static constexpr std::uint32_t kAccept = 0;
  static constexpr std::uint8_t kOtherClass = 0;  // bytes that occur in no fragment
  std::uint32_t classes_ = 0;
  std::uint32_t root_ = 0;  // the root state, at 2 * classes_
  std::array<std::uint8_t, 256> classOf_{};
  std::vector<std::uint32_t> table_;
};

}  // namespace vantor

#endif  // VANTOR_ENGINE_FILTER_MATCHER_H_
