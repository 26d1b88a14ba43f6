#include "wizard/framework/utf8.h"

#include <vector>

namespace vantor::framework {

namespace {

constexpr char kReplacement[] = "\xEF\xBF\xBD";

// The length of the well-formed character at the start of `s`, or 0.
std::size_t CharacterLength(std::string_view s) {
  const auto byte = [&s](std::size_t i) { return static_cast<unsigned char>(s[i]); };
  const unsigned char lead = byte(0);
  if (lead < 0x80) return 1;
  std::size_t length = 0;
  unsigned char low = 0x80;  // the range of the second byte
  unsigned char high = 0xBF;
  if (lead >= 0xC2 && lead <= 0xDF) {
    length = 2;
  } else if (lead >= 0xE0 && lead <= 0xEF) {
    length = 3;
    if (lead == 0xE0) low = 0xA0;   // no overlong forms
    if (lead == 0xED) high = 0x9F;  // no surrogates
  } else if (lead >= 0xF0 && lead <= 0xF4) {
    length = 4;
    if (lead == 0xF0) low = 0x90;
    if (lead == 0xF4) high = 0x8F;  // nothing beyond U+10FFFF
  } else {
    return 0;
  }
  if (s.size() < length || byte(1) < low || byte(1) > high) return 0;
  for (std::size_t i = 2; i < length; ++i) {
    if (byte(i) < 0x80 || byte(i) > 0xBF) return 0;
  }
  return length;
}

}  // namespace

std::string ValidUtf8(std::string_view bytes) {
  std::string text;
  text.reserve(bytes.size());
  while (!bytes.empty()) {
    const std::size_t length = CharacterLength(bytes);
    if (length == 0) {
      text += kReplacement;
      bytes.remove_prefix(1);
    } else {
      text.append(bytes.substr(0, length));
      bytes.remove_prefix(length);
    }
  }
  return text;
}

std::string ElideMiddle(std::string_view utf8, std::size_t ends) {
  // Where each character starts; a byte that starts none counts as one.
  std::vector<std::size_t> starts;
  for (std::size_t i = 0; i < utf8.size();) {
    starts.push_back(i);
    const std::size_t length = CharacterLength(utf8.substr(i));
    i += length == 0 ? 1 : length;
  }
  if (starts.size() <= 2 * ends + 1) return std::string(utf8);
  std::string text(utf8.substr(0, starts[ends]));
  text += "\xE2\x80\xA6";
  text.append(utf8.substr(starts[starts.size() - ends]));
  return text;
}

}  // namespace vantor::framework
