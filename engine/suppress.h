// The suppress action: drops every address equal to a line of the suppression file, ASCII letter
// case and the blanks around either ignored (FoldAddress, hash_partition.h), the list's order
// and its kept lines as they were, at any size of either file in bounded memory. A blank line
// of the suppression file suppresses nothing; a line of the list that is a lone CR is counted
// and not written, as the filter does.
#ifndef VANTOR_ENGINE_SUPPRESS_H_
#define VANTOR_ENGINE_SUPPRESS_H_

namespace vantor {

class RunContext;

// Reads run.Input(), writes what it keeps to a temporary file and commits it.
void SuppressList(RunContext& run);

}  // namespace vantor

#endif  // VANTOR_ENGINE_SUPPRESS_H_
