// The record of one run: which actions are on, their files and parameters, and what
// the run produces. The front end fills it (see choices.h) before the worker starts
// and reads `resultsText`, `elapsedMs`, `duplicatesFound`, `completed` and
// `errorDetail` only after the run has posted WMU_DONE or WMU_ERROR; in between only
// the worker touches it, but for `progress`, which the front ends read on their own
// timers while it runs. What a run needs besides (the list each action reads, the
// temporary files) is the run's own (see RunContext): the choices stay as they were,
// and the same record runs again.
#ifndef VANTOR_ENGINE_JOB_H_
#define VANTOR_ENGINE_JOB_H_

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "engine/progress.h"
#include "engine/run_permission.h"
#include "engine/run_random.h"

namespace vantor {

// Sizes of the buffers the actions read and sort with. Tests make them small so that
// a few kilobytes of list cross many chunk boundaries.
struct ChunkSizes {
  std::uint32_t list = 20971520;    // a chunk of a list, and a part of a sort
  std::uint32_t filter = 10485760;  // a chunk of the filter file
  std::uint32_t merge = 10485760;   // a chunk of each input of a merge of parts
  std::uint32_t writeBuffer = 1 << 20;
  // The most files one action has open at once: the parts one merging pass reads,
  // the buckets a list is dealt into, the parts of a split waiting for their sync.
  // Enough for a list of 10 GiB in one merging pass, each file read in chunks of 64 KiB
  // then. A run takes fewer when the process may not open that many.
  std::size_t mergeFanIn = 512;
  // The filter's fragments are matched in batches whose tables stay under the first
  // size (an upper bound: fragments that share a beginning share states); when all of
  // them fit under the second they are built once and kept, else the filter is read
  // again for every chunk of the list.
  std::size_t filterBatchTable = 32 << 20;
  std::size_t filterInMemory = 32 << 20;
  // The folded addresses the suppression and the keep-order duplicate removal hold in
  // memory at once, counted with the table that finds them; a list or suppression file
  // with more is divided into parts by a hash of its addresses.
  std::size_t keysInMemory = 20 << 20;
};

// What the rearrange action does, numbered as the record's signed 32-bit field.
enum class RearrangeMode : std::int32_t {
  kSortByEmail = 0,   // by the entire email
  kSortByDomain = 1,  // by the domain, then by the user name
  kRandomize = 2,
  kKeepOrder = 3,  // the list's order kept, later repeats of an address dropped
};

// The tempDirectory field of the original record held 260 characters; paths here are
// as long as the file system allows.
struct ProcessingJob {
  bool singleListMode = true;
  std::string inputFileName;
  std::string outputFileName;
  bool replaceInput = false;

  // Runs before every other action: blanks trimmed, lines that are not an address
  // dropped, and written to `rejectsFileName` when one is named.
  bool cleanOn = false;
  std::string rejectsFileName;
  std::int32_t cleanSlot = 0;

  bool filterOn = false;
  std::string filterFileName;
  std::int32_t filterSlot = 0;

  // Drops every address equal to a line of the suppression file, letter case and the
  // blanks around either ignored; runs after the filter.
  bool suppressOn = false;
  std::string suppressFileName;
  std::int32_t suppressSlot = 0;

  bool sortByEmail = false;
  bool sortByDomain = false;
  bool randomize = false;
  // The rearrange action in its fourth form: the list's order kept, the first of each
  // address kept and its later repeats dropped, letter case ignored.
  bool keepOrderDedupe = false;
  std::int32_t rearrangeSlot = 0;
  bool removeDuplicates = false;
  // A sort orders by the bytes with ASCII letters folded, ties by the bytes: the case
  // variants of an address become neighbours, and removing duplicates removes them all
  // but the first in that order.
  bool foldCase = false;
  std::uint64_t duplicatesFound = 0;

  bool includeOn = false;
  std::string includeEmail;
  std::int32_t includePeriod = -1;
  std::int32_t includeSlot = 0;

  bool extractOn = false;
  std::int32_t extractCount = -1;
  std::int32_t extractSlot = 0;

  bool splitOn = false;
  std::int32_t splitSize = -1;  // emails per part, or bytes per part
  bool splitByCount = true;
  std::int32_t splitSlot = 0;

  std::vector<std::string> mergeFiles;
  std::int32_t mergeSlot = 0;

  RearrangeMode rearrangeMode = RearrangeMode::kSortByEmail;

  std::string resultsText;  // CR LF line ends
  std::string tempDirectory;
  std::uint32_t elapsedMs = 0;
  // Every chosen action ran to its end: the result is in place, whatever stop was
  // asked for after that. Written by the runner before WMU_DONE.
  bool completed = false;
  // Of a failed run, when known: the file concerned and the system's reason ("cannot
  // open 'lists/a.txt': No such file or directory"). Written by the runner before
  // WMU_ERROR.
  std::string errorDetail;
  // How much of the job the run has done (see JobFraction): any thread may read it
  // while the run lasts. Set to 0 when a run starts.
  JobFraction progress;

  // Created (set) by the front end before the first run and kept for later ones;
  // without it the run never stops early.
  std::unique_ptr<RunPermission> runPermission;
  // The run's generator, seeded by the front end before the worker starts and drawn
  // from by the worker only.
  RunRandom random;

  ChunkSizes chunkSizes;
};

// Worker-to-front-end message codes, numbered as the window messages they stand for.
enum MessageCode : std::uint32_t {
  WMU_INFO = 1025,          // text: what is being done now
  WMU_INFO2 = 1026,         // text: counts
  WMU_DONE = 1027,          // the run finished; elapsedMs and resultsText are final
  WMU_ERROR = 1028,         // text: the error that ended the run
  WMU_ACTION_START = 1029,  // slot: the action shown in that slot begins
  WMU_ACTION_END = 1030,    // slot: it ended
};

struct RunnerMessage {
  MessageCode code;
  std::int32_t slot;  // WMU_ACTION_START and WMU_ACTION_END only
  std::string text;   // WMU_INFO, WMU_INFO2 and WMU_ERROR only
};

// Receives the worker's messages, on the worker's thread. An implementation hands them
// to its own thread (the wizard posts a Qt event) or records or prints them; it owns
// what it receives.
class MessageSink {
 public:
  virtual ~MessageSink() = default;
  virtual void Post(RunnerMessage message) = 0;
};

}  // namespace vantor

#endif  // VANTOR_ENGINE_JOB_H_
