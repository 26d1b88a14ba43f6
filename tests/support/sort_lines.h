// Lines to sort in tests: laid out as a reader leaves them, and made up at random.
#ifndef VANTOR_TESTS_SUPPORT_SORT_LINES_H_
#define VANTOR_TESTS_SUPPORT_SORT_LINES_H_

#include <cstddef>
#include <cstdint>
#include <random>
#include <string>
#include <vector>

#include "engine/line_store.h"

namespace vantor::testing {

// Lines laid out as a reader leaves them: each followed by an LF in one buffer.
class Lines {
 public:
  Lines(const std::vector<std::string>& texts, std::int32_t mode) {
    std::vector<std::size_t> offsets;
    for (const std::string& text : texts) {
      offsets.push_back(buffer_.size());
      buffer_ += text + "\n";
    }
    for (std::size_t i = 0; i < texts.size(); ++i) {
      std::int32_t key = 0;
      if (mode == 1) {
        std::size_t at = texts[i].find('@');
        key = at == std::string::npos ? 0 : static_cast<std::int32_t>(at);
      }
      records.push_back(
          LineRecord{buffer_.data() + offsets[i], key, static_cast<std::int32_t>(texts[i].size())});
    }
  }
  static std::string Text(const LineRecord& r) { return std::string(r.text, r.length); }

  std::vector<LineRecord> records;

 private:
  std::string buffer_;
};

// Texts that share long prefixes and user or domain parts, with case variants, CRs,
// lines without '@' or starting with it, bytes >= 128 and, when asked, NULs.
inline std::vector<std::string> RandomTexts(std::mt19937& random, std::size_t count, bool withNul) {
  static const std::string kAlphabet = "aAbB@.xX\r\x80\xfe";
  static const std::vector<std::string> kStems = {
      "",          "a", "prefixlongerthan", "prefixlongerthansixteen@", "@", "x@sharedlongdomain.",
      "user.name@"};
  std::vector<std::string> texts;
  while (texts.size() < count) {
    if (!texts.empty() && random() % 4 == 0) {  // a repeat
      texts.push_back(texts[random() % texts.size()]);
      continue;
    }
    std::string text = kStems[random() % kStems.size()];
    const std::size_t length = 1 + random() % 40;
    while (text.size() < length) {
      text += withNul && random() % 12 == 0 ? '\0' : kAlphabet[random() % kAlphabet.size()];
    }
    texts.push_back(text.substr(0, length));
  }
  return texts;
}

}  // namespace vantor::testing

#endif  // VANTOR_TESTS_SUPPORT_SORT_LINES_H_
