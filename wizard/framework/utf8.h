// Texts the pages show are UTF-8; what the engine says (file names in particular) is
// bytes, which on Linux need not be UTF-8.
#ifndef VANTOR_WIZARD_FRAMEWORK_UTF8_H_
#define VANTOR_WIZARD_FRAMEWORK_UTF8_H_

#include <cstddef>
#include <string>
#include <string_view>

namespace vantor::framework {

// `bytes` with each byte that is not part of a well-formed UTF-8 character (a stray
// continuation byte, a sequence cut short, an overlong form, a surrogate, beyond
// U+10FFFF) shown as U+FFFD.
std::string ValidUtf8(std::string_view bytes);

// A UTF-8 text of more than 2 * `ends` + 1 characters as its first and last `ends`
// characters with "..." (U+2026) between them; a shorter one as it is.
std::string ElideMiddle(std::string_view utf8, std::size_t ends);

}  // namespace vantor::framework

#endif  // VANTOR_WIZARD_FRAMEWORK_UTF8_H_
