// The keep-order duplicate removal: the first of each address kept where it stands, byte for
// byte, its later repeats dropped, at any size in bounded memory. Addresses are compared as
// FoldAddress (hash_partition.h) makes them: ASCII letter case and the spaces and tabs around
// them ignored. A blank line is no address and is never a repeat; a line that is a lone CR
// is counted and not written, as the filter does. Reports the repeats in the job's report
// and in duplicatesFound.
#ifndef VANTOR_ENGINE_DEDUPE_H_
#define VANTOR_ENGINE_DEDUPE_H_

namespace vantor {

class RunContext;

// Reads run.Input(), writes what it keeps to a temporary file and commits it.
void RemoveLaterRepeats(RunContext& run);

}  // namespace vantor

#endif  // VANTOR_ENGINE_DEDUPE_H_
