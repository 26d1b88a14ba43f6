// Seeded lists for the tests of the actions that compare whole addresses: addresses
// drawn from a small pool, so that case variants of one address come far apart, with
// blanks around them, CR LF and LF line ends, blank and lone-CR lines, NUL bytes, and
// now and then a line longer than `longLine` bytes.
#ifndef VANTOR_TESTS_SUPPORT_ADDRESS_LISTS_H_
#define VANTOR_TESTS_SUPPORT_ADDRESS_LISTS_H_

#include <cstddef>
#include <random>
#include <string>

namespace vantor::testing {

// The `i`th address of a pool of `pool`.
inline std::string PoolAddress(std::size_t i) {
  std::string address = "user" + std::to_string(i) + "@dom" + std::to_string(i % 7) + ".com";
  if (i % 11 == 3) address.insert(2, std::string("\0", 1));
  return address;
}

// `lines` lines of addresses from a pool of `pool`.
inline std::string RandomAddressList(std::mt19937& random, std::size_t lines, std::size_t pool,
                                     std::size_t longLine) {
  std::string list;
  for (std::size_t n = 0; n < lines; ++n) {
    const unsigned pick = random() % 100;
    std::string line;
    if (pick < 3) {
      line = "";  // blank: an empty line, or blanks alone
      if (random() % 2) line = " \t ";
    } else if (pick < 5) {
      line = std::string(longLine + random() % 40, 'q') + "@long.com";
    } else {
      line = PoolAddress(random() % pool);
      for (char& c : line) {
        if (c >= 'a' && c <= 'z' && random() % 3 == 0) c = static_cast<char>(c - 'a' + 'A');
      }
      if (random() % 5 == 0) line = " " + line;
      if (random() % 5 == 0) line += random() % 2 ? "\t" : "  ";
    }
    list += line + (random() % 4 == 0 ? "\r\n" : "\n");
  }
  // Sometimes the last line has no line end.
  if (random() % 2 && !list.empty()) list.pop_back();
  return list;
}

}  // namespace vantor::testing

#endif  // VANTOR_TESTS_SUPPORT_ADDRESS_LISTS_H_
