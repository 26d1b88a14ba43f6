// The merge action: the one action of a merge job. Joins the lists of the job's
// mergeFiles, in their order and byte for byte, into its output file.
#ifndef VANTOR_ENGINE_MERGE_H_
#define VANTOR_ENGINE_MERGE_H_

namespace vantor {

class RunContext;

// Runs on the worker thread. Copies each list whole, adding one line end after a list
// whose last byte is not an LF; the line end added is the first one found in the lists
// (LF or CR LF), LF when there is none. Writes a temporary file and commits it over
// job().outputFileName, which may itself be one of the lists: they are all read before
// it is replaced. Appends only "<n> files merged" to the results. Raises the merge's
// error texts; the output file then stays as it was.
void MergeLists(RunContext& run);

}  // namespace vantor

#endif  // VANTOR_ENGINE_MERGE_H_
