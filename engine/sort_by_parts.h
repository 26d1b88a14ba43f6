// The rearrange actions: sort by entire email, sort by domain then user name, and
// randomize. All three are one external sort: the list is read in parts of one chunk,
// each part is sorted in memory and written to a temporary file, and the files are
// merged two at a time, oldest first, until one is left to commit. Randomizing sorts by
// random keys drawn as the lines are read, and every merge interleaves by fresh keys.
#ifndef VANTOR_ENGINE_SORT_BY_PARTS_H_
#define VANTOR_ENGINE_SORT_BY_PARTS_H_

namespace vantor {

class ActionRunner;

void SortByEntireEmail(ActionRunner& runner);
void SortByDomain(ActionRunner& runner);
void RandomizeList(ActionRunner& runner);

}  // namespace vantor

#endif  // VANTOR_ENGINE_SORT_BY_PARTS_H_
