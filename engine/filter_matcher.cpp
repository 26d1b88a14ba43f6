#include "engine/filter_matcher.h"

#include <algorithm>
#include <deque>

namespace vantor {

namespace {

constexpr std::uint8_t kNulClass = 1;  // ends the address, as the NUL ends a C string
constexpr std::uint8_t kLfClass = 2;   // ends a line: every state goes back to the root
constexpr std::uint32_t kNone = UINT32_MAX;

}  // namespace

std::size_t FilterMatcher::TableBytes(std::size_t bytes, std::size_t classes) {
  return (bytes + 3) * (classes + 3) * sizeof(std::uint32_t);
}

FilterMatcher::FilterMatcher(const std::vector<std::string_view>& fragments) {
  // Byte classes: every byte of a fragment gets one, and a lower-case letter shares
  // the class of its upper-case form.
  std::uint32_t classes = 3;
  std::size_t totalBytes = 0;
  for (std::string_view fragment : fragments) {
    totalBytes += fragment.size();
    for (unsigned char b : fragment) {
      if (classOf_[b] == 0) classOf_[b] = static_cast<std::uint8_t>(classes++);
    }
  }
  for (int b = 'a'; b <= 'z'; ++b) classOf_[b] = classOf_[b - 'a' + 'A'];
  classOf_[0] = kNulClass;
  classOf_[static_cast<unsigned char>('\n')] = kLfClass;
  classes_ = classes;
  root_ = 2 * classes;

  // The trie, one row of `classes` entries per state; rows 0 and 1 are the accepting
  // and the dead state, both absorbing.
  table_.assign(static_cast<std::size_t>(3) * classes, kNone);
  std::vector<bool> output(3, false);
  for (std::uint32_t c = 0; c < classes; ++c) {
    table_[c] = c == kLfClass ? root_ : kAccept;
    table_[classes + c] = c == kLfClass ? root_ : classes;
  }
  table_.reserve((totalBytes + 3) * classes);
  for (std::string_view fragment : fragments) {
    if (fragment.empty()) continue;
    std::uint32_t node = root_;
    for (unsigned char b : fragment) {
      if (output[node / classes]) break;  // a shorter fragment already matches here
      std::uint32_t& next = table_[node + classOf_[b]];
      if (next == kNone) {
        next = static_cast<std::uint32_t>(table_.size());
        table_.resize(table_.size() + classes, kNone);
        output.push_back(false);
      }
      node = next;
    }
    output[node / classes] = true;
  }

  // Breadth first: a missing edge goes where the failure link's edge goes, and a state
  // whose failure link accepts accepts too.
  std::vector<std::uint32_t> fail(output.size(), root_);
  std::deque<std::uint32_t> queue;
  for (std::uint32_t c = 0; c < classes; ++c) {
    std::uint32_t& next = table_[root_ + c];
    if (c == kNulClass) {
      next = classes;
    } else if (c == kLfClass) {
      next = root_;
    } else if (next == kNone) {
      next = root_;
    } else {
      fail[next / classes] = root_;
      queue.push_back(next);
    }
  }
  while (!queue.empty()) {
    const std::uint32_t node = queue.front();
    queue.pop_front();
    const std::uint32_t failure = fail[node / classes];
    if (output[failure / classes]) output[node / classes] = true;
    for (std::uint32_t c = 0; c < classes; ++c) {
      std::uint32_t& next = table_[node + c];
      if (c == kNulClass) {
        next = classes;
      } else if (c == kLfClass) {
        next = root_;
      } else if (next == kNone) {
        next = table_[failure + c];
      } else {
        fail[next / classes] = table_[failure + c];
        queue.push_back(next);
      }
    }
  }
  // Once a fragment is found nothing else in the line matters: send every edge into an
  // accepting state to the one that keeps it to the line's end, so the scan can stop
  // there.
  for (std::size_t i = root_; i < table_.size(); ++i) {
    if (output[table_[i] / classes]) table_[i] = kAccept;
  }
}

void FilterMatcher::MarkLines(const char* begin, const char* end, std::uint8_t* flags) const {
  constexpr int kRuns = 4;
  const auto* bytes = reinterpret_cast<const unsigned char*>(begin);
  const auto size = static_cast<std::size_t>(end - begin);
  // Each run but the first starts after the LF at or after its share's start.
  std::size_t cut[kRuns + 1];
  cut[0] = 0;
  cut[kRuns] = size;
  for (int r = 1; r < kRuns; ++r) {
    std::size_t at = std::max(cut[r - 1], size / kRuns * r);
    while (at < size && bytes[at] != '\n') ++at;
    cut[r] = at < size ? at + 1 : size;
  }
  std::size_t common = size;
  for (int r = 0; r < kRuns; ++r) common = std::min(common, cut[r + 1] - cut[r]);
  std::uint32_t state[kRuns];
  for (std::uint32_t& s : state) s = root_;
  const std::uint32_t* table = table_.data();
  // A flag is the state before its byte: at an LF, the end of the line before it.
  for (std::size_t i = 0; i < common; ++i) {
    for (int r = 0; r < kRuns; ++r) {
      const std::size_t k = cut[r] + i;
      flags[k] = state[r] == kAccept;
      state[r] = table[state[r] + classOf_[bytes[k]]];
    }
  }
  for (int r = 0; r < kRuns; ++r) {
    std::uint32_t s = state[r];
    for (std::size_t k = cut[r] + common; k < cut[r + 1]; ++k) {
      flags[k] = s == kAccept;
      s = table[s + classOf_[bytes[k]]];
    }
  }
}

}  // namespace vantor
