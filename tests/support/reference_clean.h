// A plain model of the clean action, written as simply as possible, with the address rule
// as a pattern, so that the action can be checked against it on any bytes. Nothing here
// needs GoogleTest: the fuzz target of the clean uses it too.
#ifndef VANTOR_TESTS_SUPPORT_REFERENCE_CLEAN_H_
#define VANTOR_TESTS_SUPPORT_REFERENCE_CLEAN_H_

#include <cstdint>
#include <string>

namespace vantor::testing {

// Whether `text` is an address by the clean's rule (engine/clean.h).
bool IsModelAddress(const std::string& text);

struct Cleaned {
  std::string output;
  std::string rejects;
  long long trimmed = 0, blank = 0, notAddresses = 0, lines = 0;
};

// What the clean makes of `list` read in chunks of `chunk` bytes: a line of `chunk` bytes
// or more (its CR counted) reaches it in pieces and is never an address; a last line
// without an LF gets the line end of the file's style. A last line without its LF that
// is that long and ends in CR is left out of the model.
Cleaned CleanModel(std::string list, std::uint32_t chunk);

// The report paragraph of `c`, with the rejects file `rejects` when not empty.
std::string CleanReport(const Cleaned& c, const std::string& rejects);

}  // namespace vantor::testing

#endif  // VANTOR_TESTS_SUPPORT_REFERENCE_CLEAN_H_
