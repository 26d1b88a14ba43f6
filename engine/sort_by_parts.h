// The rearrange actions: sort by entire email, sort by domain then user name, and
// randomize. All three are one external sort: the list is read in parts of one chunk,
// each part is sorted in memory and written to a temporary file, and the files are
// merged two at a time, oldest first, until one is left to commit. Randomizing shuffles
// each part instead, every order equally likely, and merges two files by a random
// interleaving, every one equally likely, so that the list comes out in any order of
// its lines with equal chance, whatever its size. Its generator is seeded by four draws
// of the job's `random`, which nothing else of the action draws from.
#ifndef VANTOR_ENGINE_SORT_BY_PARTS_H_
#define VANTOR_ENGINE_SORT_BY_PARTS_H_

namespace vantor {

class RunContext;

void SortByEntireEmail(RunContext& run);
void SortByDomain(RunContext& run);
void RandomizeList(RunContext& run);

}  // namespace vantor

#endif  // VANTOR_ENGINE_SORT_BY_PARTS_H_
