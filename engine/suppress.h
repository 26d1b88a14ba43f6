// The suppress action: drops every address equal to a line of the suppression file, ASCII letter
// case and the blanks around either ignored, the list's order kept, at any size of either file in
// bounded memory.
#ifndef VANTOR_ENGINE_SUPPRESS_H_
#define VANTOR_ENGINE_SUPPRESS_H_

namespace vantor {

class RunContext;

// Reads run.Input(), writes what it keeps to a temporary file and commits it.
void SuppressList(RunContext& run);

}  // namespace vantor

#endif  // VANTOR_ENGINE_SUPPRESS_H_
