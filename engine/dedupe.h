// The keep-order duplicate removal: the first of each address (ASCII letter case ignored) kept
// where it stands, its later repeats dropped, at any size in bounded memory.
#ifndef VANTOR_ENGINE_DEDUPE_H_
#define VANTOR_ENGINE_DEDUPE_H_

namespace vantor {

class RunContext;

// Reads run.Input(), writes what it keeps to a temporary file and commits it.
void RemoveLaterRepeats(RunContext& run);

}  // namespace vantor

#endif  // VANTOR_ENGINE_DEDUPE_H_
