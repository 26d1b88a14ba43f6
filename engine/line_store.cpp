#include "engine/line_store.h"

#include <cstdlib>

#include "engine/error.h"
#include "engine/texts.h"

namespace vantor {

namespace {
constexpr std::size_t kFirstCapacity = 1048576;
}

LineStore::~LineStore() { std::free(records_); }

void LineStore::Grow() {
  if (records_ == nullptr) {
    records_ = static_cast<LineRecord*>(std::malloc(kFirstCapacity * sizeof(LineRecord)));
    if (records_ == nullptr) Raise(kAllocFailed);
    capacity_ = kFirstCapacity;
    return;
  }
  // Records are plain data, so realloc may move them.
  auto* grown =
      static_cast<LineRecord*>(std::realloc(records_, 2 * capacity_ * sizeof(LineRecord)));
  if (grown == nullptr) Raise("failed to reallocate memory");
  records_ = grown;
  capacity_ *= 2;
}

}  // namespace vantor
