// Rearranging a list larger than memory in one pass through buckets: the list is read
// chunk by chunk and each line goes to one of k bucket files; then each bucket in turn is
// read whole, rearranged in memory and appended to the result. No merge.
//
// Randomizing deals each line to a bucket drawn with equal chance. Which lines share a
// bucket and the order within each bucket are drawn independently, and the buckets
// follow one another in a fixed order, so every order of the list is equally likely.
//
// Sorting deals each line by its sort key (sort_keys.h) to the bucket of its key's range,
// the ranges cut from keys sampled all over the list, so that each bucket holds lines
// that sort after those of every bucket before it.
//
// k is chosen from the list's size so that a bucket is expected to hold half a part
// (ChunkSizes::list), and is never more than ChunkSizes::mergeFanIn, the files one
// action may have open at once. A bucket that still comes out larger than a part is
// divided again the same way (a sort's bucket of one key by the next sixteen bytes). A
// list of one part is shuffled in memory and never goes to a bucket.
//
// The lines are those a ListReader reads from the list in chunks of a part: a line
// longer than a part is cut there, a last line without a line end gets the list's, and
// a blank line is dropped. A bucket holds each line with its line end as it will be
// written.
//
// Used on the worker thread only.
#ifndef VANTOR_ENGINE_BUCKET_SHUFFLE_H_
#define VANTOR_ENGINE_BUCKET_SHUFFLE_H_

#include <cstddef>
#include <cstdint>
#include <optional>

#include "engine/job.h"

namespace vantor {

class RunContext;
class ShuffleRandom;

// What a rearrange action says while it works: the phase's verb, the word after the
// lines read, and the texts of saving, joining and completing.
struct RearrangeWords {
  const char* phase;
  const char* reading;
  const char* saving;
  const char* joining;
  const char* complete;
};
inline constexpr RearrangeWords kSortingWords = {"Sorting", "sorting",
                                                 "Saving sorted strings into temp file...",
                                                 "Merge previously sorted parts", "Sort complete!"};

// The passes over a list of `listBytes` bytes that reading and writing it takes: one for
// a list of one part; else one that deals it into buckets, and one that shuffles the
// buckets into the result, plus one for each time a bucket is expected to be divided
// again (only when mergeFanIn buckets are too few).
std::size_t BucketShufflePasses(std::uint64_t listBytes, const ChunkSizes& sizes);

// Shuffles the run's current list with `random` and commits the result. Returns the
// number of lines, or nothing when the run was stopped (nothing of the action is then
// left). Posts the action's progress texts. Raises what reading, writing and making
// temporary files raise.
std::optional<std::uint64_t> ShuffleInBuckets(RunContext& run, ShuffleRandom& random);

// Sorts the run's current list, of more than a part, in the job's sort mode and commits
// the result, as ShuffleInBuckets does; with the job's duplicates removed, which takes a
// folded order (lines equal but for case are then next to each other). When the list
// holds a NUL byte, sets `*holdsNul` and returns nothing, having left nothing.
std::optional<std::uint64_t> SortInBuckets(RunContext& run, bool* holdsNul);

}  // namespace vantor

#endif  // VANTOR_ENGINE_BUCKET_SHUFFLE_H_
