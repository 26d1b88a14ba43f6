// The rearrange actions: sort by entire email, sort by domain then user name, and
// randomize. A list of more than a part is sorted in buckets (buckets.h): its lines are
// dealt by ranges of their sort keys into bucket files, each sorted in memory in turn.
// Where that cannot keep the bytes a sort always gave (duplicates removed in the plain
// order, lines holding a NUL byte) the sort is external: the list is read in parts of
// one chunk, each part is sorted in memory and written to a temporary file, and the
// files are merged until one is left to commit. Randomizing deals the lines into buckets
// drawn at random and shuffles each in memory, so that the list comes out in any order
// of its lines with equal chance, whatever its size. Its generator is seeded by four
// draws of the job's `random`, which nothing else of the action draws from.
#ifndef VANTOR_ENGINE_SORT_BY_PARTS_H_
#define VANTOR_ENGINE_SORT_BY_PARTS_H_

#include <cstddef>
#include <cstdint>

#include "engine/job.h"

namespace vantor {

class RunContext;

// Whether the job's rearrange deals a list of more than a part into buckets (as
// randomizing does, and a sort unless it removes duplicates in the plain order), or
// sorts it by parts that it then merges.
bool RearrangesInBuckets(const ProcessingJob& job);

// The passes over a list of `listBytes` bytes the action makes, each of which reads it
// and writes it once: those of BucketShufflePasses `inBuckets`; else the parts, then the
// merges (none for a list of one part). The action reports its progress in these stages.
std::size_t RearrangePasses(std::uint64_t listBytes, const ChunkSizes& sizes, bool inBuckets);

void SortByEntireEmail(RunContext& run);
void SortByDomain(RunContext& run);
void RandomizeList(RunContext& run);

}  // namespace vantor

#endif  // VANTOR_ENGINE_SORT_BY_PARTS_H_
