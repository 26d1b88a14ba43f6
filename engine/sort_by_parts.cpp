#include "engine/sort_by_parts.h"

#include <algorithm>
#include <atomic>
#include <cstring>
#include <exception>
#include <memory>
#include <optional>
#include <string>

#include "engine/error.h"
#include "engine/format.h"
#include "engine/list_reader.h"
#include "engine/list_writer.h"
#include "engine/merge_tree.h"
#include "engine/ordering.h"
#include "engine/platform/builtins.h"
#include "engine/platform/tasks.h"
#include "engine/run_context.h"
#include "engine/shuffle_random.h"
#include "engine/texts.h"

namespace vantor {

namespace {

// What differs between the three actions.
struct Kind {
  const char* heading;
  const char* phaseWord;
  const char* detailWord;
  const char* savingText;
  const char* mergeText;
  const char* completeText;
  const char* report;            // with the lines read
  const char* reportDuplicates;  // with the lines read and the duplicates found
};

constexpr Kind kByEmail = {
    "Sort list by entire email:\r\n",
    "Sorting",
    "sorting",
    "Saving sorted strings into temp file...",
    "Merge previously sorted parts",
    "Sort complete!",
    "%llu email(s) sorted by entire email\r\n\r\n",
    "%llu email(s) sorted by entire email\r\n%llu duplicate(s) found\r\n\r\n",
};
constexpr Kind kByDomain = {
    "Sort list by domain:\r\n",
    "Sorting",
    "sorting",
    "Saving sorted strings into temp file...",
    "Merge previously sorted parts",
    "Sort complete!",
    "%llu email(s) sorted by domain then by username\r\n\r\n",
    "%llu email(s) sorted by domain then by username\r\n%llu duplicate(s) found\r\n\r\n",
};
constexpr Kind kRandom = {
    "Randomize list:\r\n",
    "Randomizing",
    "randomizing",
    "Saving randomized strings into temp file...",
    "Merge previously randomized parts",
    "Randomize complete!",
    "%llu email(s) randomized\r\n\r\n",
    nullptr,
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

bool Randomizes(const ProcessingJob& job) { return job.rearrangeMode == RearrangeMode::kRandomize; }

// Randomizing never removes a line, whatever the job says.
bool RemovesDuplicates(const ProcessingJob& job) {
  return job.removeDuplicates && !Randomizes(job);
}

// The readers and the writer of one merge of randomized files.
struct Lane {
  explicit Lane(RunContext& run)
      : left(run.env(), NoKey),
        right(run.env(), NoKey),
        writer(run.temps(), run.chunkSizes().writeBuffer) {
    left.KeepLinesWhole();
    right.KeepLinesWhole();
  }
  ListReader left;
  ListReader right;
  ListWriter writer;
};

// Makes the draws of an interleaving of `aLeft` and `bLeft` lines without the lines:
// the generator ends as Interleave leaves it.
void SkipInterleave(ShuffleRandom& random, std::uint64_t aLeft, std::uint64_t bLeft) {
  while (aLeft > 0 && bLeft > 0) {
    if (random.TakesFirst(aLeft, bLeft)) {
      --aLeft;
    } else {
      --bLeft;
    }
  }
}

// The buffers of one action, allocated once and reused for every part and merge.
class SortByParts {
 public:
  SortByParts(RunContext& run, const Kind& kind)
      : run_(run),
        job_(run.job()),
        kind_(kind),
        mode_(KeyModeFor(job_.rearrangeMode)),
        writer_(run.temps(), run.chunkSizes().writeBuffer),
        sink_(writer_, RemovesDuplicates(job_), &run.duplicatesFound()),
        shuffle_(Randomizes(job_) ? ShuffleRandom::SeededBy(run.random()) : ShuffleRandom(0)) {}

  // Sorts the list and commits it. Returns the number of lines read, or nothing when
  // the run was stopped before the commit.
  std::optional<unsigned long long> Run() {
    const std::uint32_t partSize = job_.chunkSizes.list;
    auto phase = [&](long done) {
      return Format("%s emails list by parts of %ld bytes, %ld part(s) done", kind_.phaseWord,
                    static_cast<long>(partSize), done);
    };
    run_.PostInfo2(phase(0));
    listBytes_ = run_.InputBytes();
    passes_ = RearrangePasses(listBytes_, job_.chunkSizes, Randomizes(job_));
    run_.progress().Stage(0, passes_, listBytes_);
    queue_.clear();
    queuedLines_.clear();
    run_.duplicatesFound() = 0;

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
                             static_cast<unsigned long long>(lines.count()), kind_.detailWord));
        if (Randomizes(job_)) {
          shuffle_.Shuffle(lines.records(), lines.count());
        } else {
          sorter.Sort(lines.records(), lines.count(), job_.rearrangeMode, job_.foldCase);
        }
        run_.PostInfo(kind_.savingText);
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
        queuedLines_.push_back(lines.count());
        ++parts;
        run_.progress().Done(reader.bytesRead());
      }
    }
    if (run_.KeepRunning() && MergeTempFiles()) {
      run_.PostInfo(kind_.completeText);
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
    run_.PostInfo2(kind_.mergeText);
    // A sort's merges depend only on the lines: they run in one pass, which leaves one
    // file. Randomizing draws as it goes, so it merges file by file.
    if (queue.size() >= 2 && !Randomizes(job_)) {
      run_.progress().Stage(1, passes_, listBytes_, passes_ - 1);
      if (!MergeSortedParts(run_, queue_, writer_)) return false;
    }
    if (queue.size() >= 2 && Randomizes(job_)) MergeRandomizedParts();
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

  // One merge of two randomized files: the first two of the queue, whose lines are
  // counted at the front of queuedLines_. Takes them from the queue, creates the file
  // it writes (at the back of the queue) and returns what the merge needs.
  struct Merge {
    std::string a, b, merged;
    std::uint64_t aLines, bLines;
  };
  Merge Take(Lane& lane) {
    std::deque<std::string>& queue = queue_;
    Merge merge;
    merge.a = queue.front();
    queue.pop_front();
    merge.b = queue.front();
    queue.pop_front();
    merge.aLines = queuedLines_.front();
    queuedLines_.pop_front();
    merge.bLines = queuedLines_.front();
    queuedLines_.pop_front();
    run_.PostInfo(MergingTempFilesText(queue.size()));
    // The last merge writes the result, which is synced.
    lane.writer.CreateTemp(queue.empty() && run_.CommitIsFinal());
    merge.merged = lane.writer.name();
    queue.push_back(merge.merged);
    queuedLines_.push_back(merge.aLines + merge.bLines);
    return merge;
  }

  // Interleaves the two files of `merge` into its own file with `random`.
  void Run(Lane& lane, const Merge& merge, ShuffleRandom& random, const std::atomic<bool>& cancel) {
    const std::uint32_t chunk = std::max<std::uint32_t>(job_.chunkSizes.merge / 2, 1);
    lane.left.Open(merge.a, chunk);
    lane.right.Open(merge.b, chunk);
    Interleave(lane, random, merge.aLines, merge.bLines, cancel);
    lane.writer.Finish(/*sync=*/false);
    lane.left.Close();
    lane.right.Close();
  }

  // Merges the randomized files two at a time, as the queue pairs them, until one is
  // left or the run is stopped. The draws of a merge depend only on the line counts, so
  // the generator's state where the next merge begins is known without its lines: while
  // the helper thread merges the first two files of the queue, this one skips over
  // those draws and merges the next two, unless they include the first merge's result.
  void MergeRandomizedParts() {
    std::deque<std::string>& queue = queue_;
    Lane& mine = *(lane_ ? lane_ : lane_ = std::make_unique<Lane>(run_));
    std::atomic<bool> cancel{false};
    // Each level of merges moves every line once: the lines merged tell how far they are.
    std::uint64_t lines = 0;
    for (std::uint64_t n : queuedLines_) lines += n;
    std::uint64_t merged = 0;
    run_.progress().Stage(1, passes_, lines * (passes_ - 1), passes_ - 1);
    while (queue.size() >= 2 && run_.KeepRunning()) {
      // The next merge takes the first merge's result when the queue holds three or
      // fewer files.
      if (queue.size() < 4) {
        const Merge merge = Take(mine);
        Run(mine, merge, shuffle_, cancel);
        run_.temps().Delete(merge.b);
        run_.temps().Delete(merge.a);
        merged += merge.aLines + merge.bLines;
        run_.progress().Done(merged);
        continue;
      }
      if (!otherLane_) otherLane_ = std::make_unique<Lane>(run_);
      Lane& other = *otherLane_;
      const Merge first = Take(other);
      if (!run_.KeepRunning()) {
        Run(other, first, shuffle_, cancel);
        run_.temps().Delete(first.b);
        run_.temps().Delete(first.a);
        continue;
      }
      const Merge second = Take(mine);
      ShuffleRandom firstRandom = shuffle_;
      std::exception_ptr failed;
      helper_.Start([&] {
        try {
          Run(other, first, firstRandom, cancel);
        } catch (...) {
          failed = std::current_exception();
        }
      });
      try {
        SkipInterleave(shuffle_, first.aLines, first.bLines);
        Run(mine, second, shuffle_, cancel);
      } catch (...) {
        cancel = true;
        helper_.Wait();
        throw;
      }
      helper_.Wait();
      if (failed) std::rethrow_exception(failed);
      run_.temps().Delete(first.b);
      run_.temps().Delete(first.a);
      run_.temps().Delete(second.b);
      run_.temps().Delete(second.a);
      merged += first.aLines + first.bLines + second.aLines + second.bLines;
      run_.progress().Done(merged);
    }
    // Some lines were merged once less than others: one file left, the merges are done.
    if (queue.size() < 2) run_.progress().Done(lines * (passes_ - 1));
  }

  // Interleaves the shuffled files open in the lane's left reader (taken first from
  // the queue) and its right one, of `aLeft` and `bLeft` lines, into its writer. Each
  // next line comes from the left with the chance of its share of the lines still to
  // come, so that every interleaving is equally likely; with both inputs shuffled, so
  // is every order of their lines together.
  void Interleave(Lane& lane, ShuffleRandom& random, std::uint64_t aLeft, std::uint64_t bLeft,
                  const std::atomic<bool>& cancel) {
    const LineRecord* a = nullptr;
    const LineRecord* aEnd = nullptr;
    const LineRecord* b = nullptr;
    const LineRecord* bEnd = nullptr;
    for (;;) {
      if (!run_.KeepRunning() || cancel) return;
      if (a == aEnd) {
        if (!lane.left.ReadChunk()) {
          Tail(lane, lane.right, b, bEnd, cancel);
          return;
        }
        a = lane.left.lines().records();
        aEnd = a + lane.left.lines().count();
      }
      if (b == bEnd) {
        if (!lane.right.ReadChunk()) {
          Tail(lane, lane.left, a, aEnd, cancel);
          return;
        }
        b = lane.right.lines().records();
        bEnd = b + lane.right.lines().count();
      }
      // A side whose count runs out has no line left: the other's rest follows as it
      // stands.
      while (a != aEnd && b != bEnd && aLeft > 0 && bLeft > 0) {
        if (random.TakesFirst(aLeft, bLeft)) {
          lane.writer.WriteLine(*a++);
          --aLeft;
        } else {
          lane.writer.WriteLine(*b++);
          --bLeft;
        }
      }
      if (aLeft == 0 || bLeft == 0) {
        Tail(lane, lane.left, a, aEnd, cancel);
        Tail(lane, lane.right, b, bEnd, cancel);
        return;
      }
    }
  }

  // The rest of one input: what is left of its chunk, then the rest of the file,
  // copied as it stands in raw blocks (the line that straddled the chunk's end first).
  void Tail(Lane& lane, ListReader& reader, const LineRecord* from, const LineRecord* end,
            const std::atomic<bool>& cancel) {
    if (from != end) {
      lane.writer.Write(from->text,
                        static_cast<std::size_t>(end[-1].text + end[-1].length + 1 - from->text));
    }
    while (reader.ReadRawChunk()) {
      lane.writer.Write(reader.buffer(), reader.validBytes());
      if (!run_.KeepRunning() || cancel) return;
    }
  }

  RunContext& run_;
  const ProcessingJob& job_;
  const Kind& kind_;
  LineKeyMode mode_;
  // The list's size, and the passes over it that the progress counts (RearrangePasses).
  std::uint64_t listBytes_ = 0;
  std::size_t passes_ = 1;
  ListWriter writer_;
  LineSink sink_;
  ShuffleRandom shuffle_;  // drawn from by randomizing only
  // The merges of randomized files: this thread's, and the helper thread's.
  std::unique_ptr<Lane> lane_;
  std::unique_ptr<Lane> otherLane_;
  // The part files, oldest first: every name is a live temporary file of the run at
  // any time, so that a stop can delete them all.
  std::deque<std::string> queue_;
  // The lines of each file in queue_, in the same order.
  std::deque<std::uint64_t> queuedLines_;
  // Last: it waits for a merge still running before the lanes go.
  TaskQueue helper_;
};

void Rearrange(RunContext& run, const Kind& kind) {
  const ProcessingJob& job = run.job();
  run.Report(kind.heading);
  std::optional<unsigned long long> lines = SortByParts(run, kind).Run();
  if (!lines) return;
  if (RemovesDuplicates(job)) {
    run.Report(Format(kind.reportDuplicates, *lines,
                      static_cast<unsigned long long>(run.duplicatesFound())));
  } else {
    run.Report(Format(kind.report, *lines));
  }
}

}  // namespace

std::size_t RearrangePasses(std::uint64_t listBytes, const ChunkSizes& sizes, bool randomizes) {
  const std::uint64_t part = std::max<std::uint32_t>(sizes.list, 1);
  const std::uint64_t parts = (listBytes + part - 1) / part;
  if (parts <= 1) return 1;
  if (!randomizes) return 2;
  std::size_t levels = 0;
  for (std::uint64_t n = 1; n < parts; n *= 2) ++levels;
  return 1 + levels;
}

void SortByEntireEmail(RunContext& run) { Rearrange(run, kByEmail); }
void SortByDomain(RunContext& run) { Rearrange(run, kByDomain); }
void RandomizeList(RunContext& run) { Rearrange(run, kRandom); }

}  // namespace vantor
