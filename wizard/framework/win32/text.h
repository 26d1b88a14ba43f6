// The framework's texts are UTF-8; Win32's wide functions take UTF-16. Any thread may
// call these.
#ifndef VANTOR_WIZARD_FRAMEWORK_WIN32_TEXT_H_
#define VANTOR_WIZARD_FRAMEWORK_WIN32_TEXT_H_

#include <string>
#include <string_view>

namespace vantor::framework::win32 {

// UTF-16 of `utf8`; each byte that is not part of a well-formed UTF-8 character becomes
// U+FFFD, by the rule of ValidUtf8 (utf8.h), so a page shows the same text on every toolkit.
std::wstring Widen(std::string_view utf8);
// UTF-8 of `utf16`; a surrogate without its partner becomes U+FFFD.
std::string Narrow(std::wstring_view utf16);

}  // namespace vantor::framework::win32

#endif  // VANTOR_WIZARD_FRAMEWORK_WIN32_TEXT_H_
