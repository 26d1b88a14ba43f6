// Merges sorted part files exactly as merging them two at a time would (oldest first,
// each result queued at the back, the file taken second first on equal lines, a
// duplicate of the line just written dropped by each merge), but in one pass: the
// merges run together as a tree that pulls lines from the part files, and no
// intermediate file is written unless more files would be open at once than allowed.
// The bytes that come out, and the duplicates counted, are those of the pairwise
// merges.
#ifndef VANTOR_ENGINE_MERGE_TREE_H_
#define VANTOR_ENGINE_MERGE_TREE_H_

#include <cstddef>
#include <deque>
#include <string>

namespace vantor {

class RunContext;
class ListWriter;

// Merges the files in `queue` (two or more, oldest first) into one new temporary file,
// written with `writer` and synced, which is then the queue's only name. Every name
// the queue holds is a live temporary file at any time, so a caller can delete them
// after a stop. Posts MergingTempFilesText (texts.h) for each pairwise merge, as the
// merges two at a time would, and the bytes it has written to run.progress().Done.
// False when the run was stopped. Raises the errors of
// reading, of writing and of ListWriter::CreateTemp.
bool MergeSortedParts(RunContext& run, std::deque<std::string>& queue, ListWriter& writer);

}  // namespace vantor

#endif  // VANTOR_ENGINE_MERGE_TREE_H_
