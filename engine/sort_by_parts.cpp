#include "engine/sort_by_parts.h"

#include <algorithm>
#include <cstring>
#include <memory>
#include <optional>
#include <string>

#include "engine/buckets.h"
#include "engine/error.h"
#include "engine/format.h"
#include "engine/list_reader.h"
#include "engine/list_writer.h"
#include "engine/merge_tree.h"
#include "engine/ordering.h"
#include "engine/platform/builtins.h"
#include "engine/run_context.h"
#include "engine/shuffle_random.h"
#include "engine/texts.h"

namespace vantor {

namespace {

// What differs between the two sorts: their heading and reports. What they say while
// they work is kSortingWords.
struct Kind {
  const char* heading;
  const char* report;            // with the lines read
  const char* reportDuplicates;  // with the lines read and the duplicates found
};

constexpr Kind kByEmail = {
    "Sort list by entire email:\r\n",
    "%llu email(s) sorted by entire email\r\n\r\n",
    "%llu email(s) sorted by entire email\r\n%llu duplicate(s) found\r\n\r\n",
};
constexpr Kind kByDomain = {
    "Sort list by domain:\r\n",
    "%llu email(s) sorted by domain then by username\r\n\r\n",
    "%llu email(s) sorted by domain then by username\r\n%llu duplicate(s) found\r\n\r\n",
};

// Writes lines to one file, dropping each that repeats the line written just before it
// when duplicates are removed.
class LineSink {
 public:
  LineSink(ListWriter& writer, bool removeDuplicates, std::uint64_t* duplicates)
      : writer_(writer), removeDuplicates_(removeDuplicates), duplicates_(duplicates) {}

  // A new file: nothing written yet.
  void Reset() { last_.Reset(); }

  void Line(const LineRecord& line) {
    if (removeDuplicates_) {
      if (last_.Repeats(line)) {
        ++*duplicates_;
        return;
      }
      last_.Set(line);
    }
    writer_.WriteLine(line);
  }

 private:
  ListWriter& writer_;
  bool removeDuplicates_;
  std::uint64_t* duplicates_;
  LastLine last_;
};

bool RemovesDuplicates(const ProcessingJob& job) { return job.removeDuplicates; }

// The buffers of one action, allocated once and reused for every part and merge.
class SortByParts {
 public:
  explicit SortByParts(RunContext& run)
      : run_(run),
        job_(run.job()),
        mode_(KeyModeFor(job_.rearrangeMode)),
        writer_(run.temps(), run.chunkSizes().writeBuffer),
        sink_(writer_, RemovesDuplicates(job_), &run.duplicatesFound()) {}

  // Sorts the list and commits it. Returns the number of lines read, or nothing when
  // the run was stopped before the commit.
  std::optional<unsigned long long> Run() {
    const std::uint32_t partSize = run_.chunkSizes().list;
    run_.duplicatesFound() = 0;
    listBytes_ = run_.InputBytes();
    // A list of more than a part is dealt into buckets by ranges of its lines, which are
    // sorted one by one: no merge. Where duplicates are removed in the plain order, which
    // of two lines equal but for case is kept depends on the lines that meet in the
    // parts and merges: those lists, and lists that hold a NUL byte, go by parts.
    if (listBytes_ > partSize && RearrangesInBuckets(job_)) {
      bool holdsNul = false;
      std::optional<unsigned long long> lines = SortInBuckets(run_, &holdsNul);
      if (!holdsNul) return lines;
    }
    auto phase = [&](long done) {
      return Format("%s emails list by parts of %ld bytes, %ld part(s) done", kSortingWords.phase,
                    static_cast<long>(partSize), done);
    };
    run_.PostInfo2(phase(0));
    passes_ = RearrangePasses(listBytes_, run_.chunkSizes(), /*inBuckets=*/false);
    run_.progress().Stage(0, passes_, listBytes_);
    queue_.clear();

    unsigned long long total = 0;
    {
      ListReader reader(run_.env(), mode_);
      reader.Open(run_.Input(), partSize);
      run_.PostInfo("Reading strings...");
      PartSorter sorter;
      long parts = 0;
      while (reader.ReadChunk() && run_.KeepRunning()) {
        LineStore& lines = reader.lines();
        if (lines.count() == 0) continue;
        total += lines.count();
        run_.PostInfo2(phase(parts));
        run_.PostInfo(Format("%llu strings were read, %s...",
                             static_cast<unsigned long long>(lines.count()),
                             kSortingWords.reading));
        sorter.Sort(lines.records(), lines.count(), job_.rearrangeMode, job_.foldCase);
        run_.PostInfo(kSortingWords.saving);
        writer_.CreateTemp();
        sink_.Reset();
        // The sorted lines lie all over the chunk: each is asked for a few lines ahead.
        constexpr std::size_t kAhead = 16;
        const std::size_t count = lines.count();
        for (std::size_t i = 0; i < count; ++i) {
          if (i + kAhead < count) Prefetch(lines[i + kAhead].text);
          sink_.Line(lines[i]);
        }
        writer_.Finish(/*sync=*/false);
        queue_.push_back(writer_.name());
        ++parts;
        run_.progress().Done(reader.bytesRead());
      }
    }
    if (run_.KeepRunning() && MergeTempFiles()) {
      run_.PostInfo(kSortingWords.complete);
      return total;
    }
    // Stopped: nothing of the action may stay behind.
    while (!queue_.empty()) {
      run_.temps().Delete(queue_.front());
      queue_.pop_front();
    }
    return std::nullopt;
  }

 private:
  // Merges the queued files two at a time until one is left and commits it. False
  // when the run was stopped.
  bool MergeTempFiles() {
    std::deque<std::string>& queue = queue_;
    run_.PostInfo2(kSortingWords.joining);
    // The merges run in one pass, which leaves one file.
    if (queue.size() >= 2) {
      run_.progress().Stage(1, passes_, listBytes_, passes_ - 1);
      if (!MergeSortedParts(run_, queue_, writer_)) return false;
    }
    if (!run_.KeepRunning()) return false;
    if (queue.empty()) {
      // A list without a single line sorts into an empty file.
      writer_.CreateTemp();
      writer_.Finish(/*sync=*/false);
      queue.push_back(writer_.name());
    }
    // The parts and merges were never synced: only what is committed needs to be on
    // the disk.
    if (run_.CommitIsFinal() && !run_.temps().Sync(queue.front())) {
      RaiseFailed(kWriteFailed);
    }
    if (!CommitTempFile(run_, queue.front())) return false;
    queue.pop_front();
    return true;
  }

  RunContext& run_;
  const ProcessingJob& job_;
  LineKeyMode mode_;
  // The list's size, and the passes over it that the progress counts (RearrangePasses).
  std::uint64_t listBytes_ = 0;
  std::size_t passes_ = 1;
  ListWriter writer_;
  LineSink sink_;
  // The part files, oldest first: every name is a live temporary file of the run at
  // any time, so that a stop can delete them all.
  std::deque<std::string> queue_;
};

void Rearrange(RunContext& run, const Kind& kind) {
  const ProcessingJob& job = run.job();
  run.Report(kind.heading);
  std::optional<unsigned long long> lines = SortByParts(run).Run();
  if (!lines) return;
  if (RemovesDuplicates(job)) {
    run.Report(Format(kind.reportDuplicates, *lines,
                      static_cast<unsigned long long>(run.duplicatesFound())));
  } else {
    run.Report(Format(kind.report, *lines));
  }
}

}  // namespace

bool RearrangesInBuckets(const ProcessingJob& job) {
  return job.rearrangeMode == RearrangeMode::kRandomize || !job.removeDuplicates || job.foldCase;
}

std::size_t RearrangePasses(std::uint64_t listBytes, const ChunkSizes& sizes, bool inBuckets) {
  if (inBuckets) return BucketShufflePasses(listBytes, sizes);
  const std::uint64_t part = std::max<std::uint32_t>(sizes.list, 1);
  return listBytes <= part ? 1 : 2;
}

void SortByEntireEmail(RunContext& run) { Rearrange(run, kByEmail); }
void SortByDomain(RunContext& run) { Rearrange(run, kByDomain); }
void RandomizeList(RunContext& run) {
  run.Report("Randomize list:\r\n");
  run.duplicatesFound() = 0;
  // Seeded by four draws of the run's generator, which nothing else of the action
  // draws from: an extract after it draws the same whatever the list.
  ShuffleRandom random = ShuffleRandom::SeededBy(run.random());
  const std::optional<std::uint64_t> lines = ShuffleInBuckets(run, random);
  if (!lines) return;
  // Randomizing never removes a line, whatever the job says.
  run.Report(Format("%llu email(s) randomized\r\n\r\n", static_cast<unsigned long long>(*lines)));
}

}  // namespace vantor
