// The clean action: blanks around each line trimmed, blank lines and lines that are not an address
// dropped (and kept in the rejects file when the job names one).
#ifndef VANTOR_ENGINE_CLEAN_H_
#define VANTOR_ENGINE_CLEAN_H_

namespace vantor {

class RunContext;

// Reads run.Input(), writes what it keeps to a temporary file and commits it.
void CleanList(RunContext& run);

}  // namespace vantor

#endif  // VANTOR_ENGINE_CLEAN_H_
