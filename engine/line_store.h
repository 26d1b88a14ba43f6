// A line of a list held in memory, and the growable array of them that a ListReader
// fills from one chunk. Records point into the reader's buffer; sorting moves records,
// never the bytes of the lines.
#ifndef VANTOR_ENGINE_LINE_STORE_H_
#define VANTOR_ENGINE_LINE_STORE_H_

#include <cstddef>
#include <cstdint>
#include <cstring>

namespace vantor {

struct LineRecord {
  // The line's first byte in the reader's buffer. Not NUL-terminated: the byte after
  // the last one is always an LF (the file's, or one the reader supplied).
  char* text;
  // Set by the store's LineKeyMode when the line is added.
  std::int32_t key;
  // Bytes of the line without its LF; a CR before the LF belongs to the line. At least 1.
  std::int32_t length;
};

enum LineKeyMode : std::int32_t {
  NoKey = 0,           // key 0
  AtSignPosition = 1,  // index of the first '@', 0 when there is none
};

class LineStore {
 public:
  explicit LineStore(LineKeyMode mode) : mode_(mode) {}
  ~LineStore();
  LineStore(const LineStore&) = delete;
  LineStore& operator=(const LineStore&) = delete;

  // Appends a record, growing first when the array is about to fill: to 1,048,576
  // records, then by doubling. Raises "failed to allocate memory" or "failed to
  // reallocate memory".
  void Add(char* text, std::int32_t length) {
    if (count_ + 1 >= capacity_) Grow();
    std::int32_t key = 0;
    if (mode_ == AtSignPosition) {
      const void* at = std::memchr(text, '@', static_cast<std::size_t>(length));
      if (at) key = static_cast<std::int32_t>(static_cast<const char*>(at) - text);
    }
    records_[count_++] = LineRecord{text, key, length};
  }

  // Forgets the records; the array keeps its capacity.
  void Clear() { count_ = 0; }

  std::size_t count() const { return count_; }
  std::size_t capacity() const { return capacity_; }
  LineRecord* records() { return records_; }
  LineRecord& operator[](std::size_t i) { return records_[i]; }
  LineKeyMode mode() const { return mode_; }

 private:
  void Grow();

  LineKeyMode mode_;
  LineRecord* records_ = nullptr;
  std::size_t count_ = 0;
  std::size_t capacity_ = 0;
};

}  // namespace vantor

#endif  // VANTOR_ENGINE_LINE_STORE_H_
