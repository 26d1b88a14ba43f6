// The clean action: blanks around each line trimmed, blank lines and lines that are not an address
// dropped (and kept in the rejects file when the job names one).
//
// An address is: one '@'; before it a local part of 1 to 64 bytes of letters, digits and
// !#$%&'*+/=?^_`{|}~.- where a dot neither begins nor ends it nor follows another dot; after it
// a domain of at least two labels joined by dots, each label 1 to 63 letters, digits and hyphens
// that neither begins nor ends with a hyphen; 254 bytes in all at most. Blanks are space and tab.
#ifndef VANTOR_ENGINE_CLEAN_H_
#define VANTOR_ENGINE_CLEAN_H_

#include <cstddef>

namespace vantor {

class RunContext;

// Reads run.Input(), writes what it keeps to a temporary file and commits it. A kept line is
// written trimmed, with its own line end. Blank lines (nothing but blanks and a CR) are dropped
// silently; every other dropped line is written, as it was, to the rejects file when the job
// names one, which the job's commit puts in place with its result. A line longer than the
// chunk is never an address.
void CleanList(RunContext& run);

// Whether the `n` bytes at `text` are an address by the rule above.
bool IsListAddress(const char* text, std::size_t n);

}  // namespace vantor

#endif  // VANTOR_ENGINE_CLEAN_H_
