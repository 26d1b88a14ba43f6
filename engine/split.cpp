#include "engine/split.h"

#include <algorithm>
#include <atomic>
#include <bit>
#include <cstring>
#include <deque>
#include <memory>
#include <optional>
#include <string_view>
#include <vector>

#include "engine/error.h"
#include "engine/format.h"
#include "engine/line_bytes.h"
#include "engine/list_reader.h"
#include "engine/list_writer.h"
#include "engine/platform/tasks.h"
#include "engine/run_context.h"
#include "engine/texts.h"

namespace vantor {

namespace {

// Syncs and closes the finished parts of a split on threads of their own, some way
// behind the part being filled, so that waiting for the disk overlaps with filling the
// next parts. Parts wait their turn open; handing over another waits for room when the
// syncs fall behind.
class PartSyncer {
 public:
  // The parts not yet synced are closed without a sync when it goes: a task dropped
  // unrun, or a part still waiting, closes its file with it. With the part being
  // written, no more than `mostOpen` (at least 2) parts are open at once.
  explicit PartSyncer(std::size_t mostOpen)
      : handedOver_(std::clamp<std::size_t>(mostOpen, 2, kHandedOver + 1) - 1),
        lagParts_(std::min(kLagParts, std::max<std::size_t>(mostOpen, 2) - 1 - handedOver_)),
        syncs_(static_cast<int>(std::min<std::size_t>(kThreads, handedOver_)), handedOver_) {}
  PartSyncer(const PartSyncer&) = delete;
  PartSyncer& operator=(const PartSyncer&) = delete;

  // `file` holds `bytes` bytes.
  void Add(std::unique_ptr<WritableFile> file, std::uint64_t bytes) {
    waiting_.push_back(Part{std::move(file), bytes});
    waitingBytes_ += bytes;
    while (FrontDue()) SyncFront();
  }

  // Waits until every part handed over is synced and closed. False when a sync or a
  // close failed; the failure's note is then this thread's.
  bool Finish() {
    while (!waiting_.empty()) SyncFront();
    return syncs_.Wait();
  }

 private:
  struct Part {
    std::unique_ptr<WritableFile> file;
    std::uint64_t bytes;
  };

  // A part is synced once 64 MiB or 32 parts were written after it, or at the end:
  // by then the system has mostly written it back on its own, and its sync waits
  // less. Syncs on several threads share the journal's commits and the disk's cache
  // flushes. (A 1 GiB list split into 420 parts of 100,000 lines, or into 103 parts of
  // 10 MiB, with one thread syncing each part 32 parts later: 1.23 s; as here: 1.11 s.)
  static constexpr std::uint64_t kLagBytes = 64u << 20;
  static constexpr std::size_t kLagParts = 32;
  static constexpr std::size_t kThreads = 4;
  // Parts handed to the threads and not yet closed, running or next in line.
  static constexpr std::size_t kHandedOver = 2 * kThreads;

  bool FrontDue() const {
    return !waiting_.empty() &&
           (waiting_.size() > lagParts_ || waitingBytes_ - waiting_.front().bytes >= kLagBytes);
  }

  void SyncFront() {
    std::shared_ptr<WritableFile> file = std::move(waiting_.front().file);
    waitingBytes_ -= waiting_.front().bytes;
    waiting_.pop_front();
    syncs_.Start([this, file] {
      // After a failure the part is only closed: its sync would be in vain, and the
      // failure is told already.
      if (failed_) return file->Close();
      const bool synced = file->Sync();
      if (!synced) failed_ = true;
      return file->Close() && synced;
    });
  }

  const std::size_t handedOver_;  // at most, as kHandedOver
  const std::size_t lagParts_;    // as kLagParts
  std::deque<Part> waiting_;
  std::uint64_t waitingBytes_ = 0;
  std::atomic<bool> failed_{false};
  // Last: its threads are done with the parts before the rest goes.
  TaskQueue syncs_;
};

// The part files of one split: at most one open at a time, each opened only when there
// is something to write into it. Each part is written to a temporary file beside the
// file it will replace; the job's commit puts all of them in place together, so that a
// stop or a failure never leaves a part half written or a mix of this split's parts and
// an earlier one's.
class PartFiles {
 public:
  PartFiles(RunContext& run, const PartNamePattern& pattern)
      : run_(run),
        pattern_(pattern),
        writer_(run.temps(), run.chunkSizes().writeBuffer),
        syncer_(run.chunkSizes().mergeFanIn) {}

  // `n` is at least 1.
  void Write(const char* bytes, std::size_t n) {
    if (!open_) Open();
    writer_.Write(bytes, n);
    bytes_ += n;
  }

  // Appends the next `n` (at least 1) bytes of `source`, or those up to its end;
  // returns the count.
  std::uint64_t Copy(ReadableFile& source, std::uint64_t n, char* buffer, std::size_t size) {
    if (!open_) Open();
    const std::uint64_t copied = writer_.CopyFrom(source, n, buffer, size);
    bytes_ += copied;
    return copied;
  }

  // The part is written back and synced while the next one is filled; HandOver
  // waits for them all.
  void Close() {
    if (!open_) return;
    open_ = false;
    syncer_.Add(writer_.FinishLater(), bytes_);
    bytes_ = 0;
  }

  // Parts are the user's results: all of them are on the disk before the commit puts
  // the first in place.
  void HandOver() {
    if (!syncer_.Finish()) RaiseFailed(kWriteFailed);
    for (std::size_t k = 0; k < temps_.size(); ++k) run_.SetPartResult(parts_[k], temps_[k]);
  }

  bool open() const { return open_; }
  std::uint64_t count() const { return temps_.size(); }

 private:
  void Open() {
    const std::size_t part = run_.AddPart(pattern_.Name(temps_.size() + 1));
    writer_.CreateTemp(/*willSync=*/false, &run_.PartFolder(part));
    parts_.push_back(part);
    temps_.push_back(writer_.name());
    run_.PostInfo2(Format("Creating part %llu...", static_cast<unsigned long long>(temps_.size())));
    open_ = true;
  }

  RunContext& run_;
  const PartNamePattern& pattern_;
  ListWriter writer_;
  std::vector<std::size_t> parts_;  // part k + 1 is the commit's target parts_[k]
  std::vector<std::string> temps_;  // and is written to temps_[k]
  bool open_ = false;
  std::uint64_t bytes_ = 0;  // in the open part
  // Last, so that no part is being synced once the writer and the names are gone.
  PartSyncer syncer_;
};

// The job's part size; the front ends never let less than 1 through.
std::uint64_t PartSize(const ProcessingJob& job) {
  if (job.splitSize < 1) {
    Raise(job.splitByCount ? kEnterEmailsPerPart : kEnterBytesPerPart);
  }
  return static_cast<std::uint64_t>(job.splitSize);
}

// Walks the lines from `p`, the start of a line, towards `end`, which follows an LF,
// until `want` (at least 1) lines that have at least one byte are passed, or `end`.
// Returns the position just past the LF of the last such line passed (`p` when there
// was none); `*passed` is their count. Looks at 64 bytes a step, as the lines of a
// list are a few dozen bytes long.
const char* PassLines(const char* p, const char* end, std::uint64_t want, std::uint64_t* passed) {
  std::uint64_t count = 0;
  const char* after = p;
  std::uint64_t lfBefore = 1;  // the byte before `p` ends a line
  while (end - p >= 64) {
    const std::uint64_t lf = LfBits(p);
    // The line ends whose line is not empty.
    std::uint64_t ends = lf & ~((lf << 1) | lfBefore);
    const std::uint64_t here = static_cast<std::uint64_t>(std::popcount(ends));
    if (count + here >= want) {
      for (std::uint64_t k = want - count; k > 1; --k) ends &= ends - 1;
      *passed = want;
      return p + std::countr_zero(ends) + 1;
    }
    if (here > 0) {
      count += here;
      after = p + (63 - std::countl_zero(ends)) + 1;
    }
    lfBefore = lf >> 63;
    p += 64;
  }
  for (; p < end; ++p) {
    if (*p != '\n') {
      lfBefore = 0;
      continue;
    }
    if (!lfBefore) {
      after = p + 1;
      if (++count == want) break;
    }
    lfBefore = 1;
  }
  *passed = count;
  return after;
}

const char* LastLf(const char* bytes, std::size_t n) {
  const std::size_t lf = std::string_view(bytes, n).rfind('\n');
  return lf == std::string_view::npos ? nullptr : bytes + lf;
}

}  // namespace

std::string PartNamePattern::Name(std::uint64_t part) const {
  return head + std::to_string(part) + tail;
}

bool PartNamePattern::CanName(const std::string& name) const {
  if (name.size() <= head.size() + tail.size()) return false;
  // Where the system ignores letter case, "OUT2.TXT" is the second part of "out.txt".
  const std::string_view whole(name);
  if (!SameName(whole.substr(0, head.size()), head)) return false;
  if (!SameName(whole.substr(name.size() - tail.size()), tail)) return false;
  const std::size_t first = head.size();
  const std::size_t end = name.size() - tail.size();
  if (name[first] == '0') return false;  // numbers are written without leading zeros
  for (std::size_t i = first; i < end; ++i) {
    if (name[i] < '0' || name[i] > '9') return false;
  }
  return true;
}

PartNamePattern MakePartNamePattern(const std::string& baseName) {
  const std::size_t slash = baseName.find_last_of(kPathSeparators);
  const std::size_t dot = baseName.rfind('.');
  const bool hasDot = dot != std::string::npos && (slash == std::string::npos || dot > slash);
  if (!hasDot) return PartNamePattern{baseName + ".", ""};
  const std::size_t componentStart = slash == std::string::npos ? 0 : slash + 1;
  if (dot == componentStart || dot + 1 == baseName.size()) {
    return PartNamePattern{baseName.back() == '.' ? baseName : baseName + ".", ""};
  }
  return PartNamePattern{baseName.substr(0, dot), baseName.substr(dot)};
}

std::string PartFileName(const std::string& baseName, std::uint64_t part) {
  return MakePartNamePattern(baseName).Name(part);
}

void SplitList(RunContext& run) {
  const ProcessingJob& job = run.job();
  run.Report("Split list:\r\n");
  const PartNamePattern pattern = MakePartNamePattern(run.Destination());
  const std::optional<std::uint64_t> parts =
      job.splitByCount ? SplitByCount(run, pattern) : SplitBySize(run, pattern);
  if (!parts) return;
  run.Report(Format("Email list was splitted into %llu parts\r\n\r\n",
                    static_cast<unsigned long long>(*parts)));
}

std::optional<std::uint64_t> SplitByCount(RunContext& run, const PartNamePattern& pattern) {
  const ProcessingJob& job = run.job();
  const std::uint64_t perPart = PartSize(job);
  ListReader reader(run.env(), NoKey);
  reader.Open(run.Input(), job.chunkSizes.list);
  run.progress().Stage(0, 1, run.InputBytes());
  run.PostInfo(kReadingEmails);
  PartFiles parts(run, pattern);
  std::uint64_t inPart = 0;  // always below perPart
  // Only the line ends are looked at: a run of lines is written as it stands in the
  // chunk, with the blank lines between its lines, without those before or after it.
  auto skipBlank = [](const char* p, const char* end) {
    while (p < end && *p == '\n') ++p;
    return p;
  };
  while (reader.ReadWholeLines()) {
    if (!run.KeepRunning()) break;
    run.progress().Done(reader.bytesRead());
    const char* const end = reader.wholeLinesEnd();
    const char* p = skipBlank(reader.buffer(), end);
    if (p < end) {
      run.PostInfo("Writing emails");
      while (p < end) {
        std::uint64_t passed = 0;
        const char* after = PassLines(p, end, perPart - inPart, &passed);
        parts.Write(p, static_cast<std::size_t>(after - p));
        inPart += passed;
        if (inPart == perPart) {
          parts.Close();
          inPart = 0;
        }
        p = skipBlank(after, end);
      }
    }
    run.PostInfo(kReadingEmails);
  }
  reader.Close();
  parts.Close();
  if (!run.KeepRunning()) return std::nullopt;
  parts.HandOver();
  return parts.count();
}

// Reads up to `n` bytes at `offset` of the list; returns the count.
std::size_t ReadListAt(ReadableFile& list, std::uint64_t offset, char* buffer, std::size_t n) {
  std::size_t got = 0;
  if (!list.ReadAt(offset, buffer, n, &got)) RaiseFailed("failed to read data");
  return got;
}

// Where the part that starts at `at`, the start of a line, ends: after the last LF
// before `at` + `partSize` when the list goes on to there; else the list's end, or
// `at` when nothing is left. A line longer than a part ends a part of its own, after
// its LF. Only the bytes before the cut are read, `window` (at least 2) at a time, from
// the last ones back: the part's bytes are left to the copy.
std::uint64_t PartEnd(ReadableFile& list, std::uint64_t at, std::uint64_t partSize, char* buffer,
                      std::size_t window) {
  const std::uint64_t limit = at + partSize;
  // The last bytes before the limit, and the byte at it, which tells whether the part
  // is full.
  std::uint64_t from = limit - std::min<std::uint64_t>(partSize, window - 1);
  std::size_t got = ReadListAt(list, from, buffer, static_cast<std::size_t>(limit + 1 - from));
  if (got <= limit - from) {
    // All that is left fits; the copy stops at the list's end.
    if (got == 0 && (from == at || ReadListAt(list, at, buffer, 1) == 0)) return at;
    return limit;
  }
  for (std::uint64_t end = limit;;) {
    if (const char* lf = LastLf(buffer, static_cast<std::size_t>(end - from))) {
      return from + static_cast<std::uint64_t>(lf - buffer) + 1;
    }
    if (from == at) break;
    end = from;
    from = end - std::min<std::uint64_t>(end - at, window);
    got = ReadListAt(list, from, buffer, static_cast<std::size_t>(end - from));
    if (got < end - from) return limit;  // the list was cut short under us
  }
  for (from = limit;; from += got) {
    got = ReadListAt(list, from, buffer, window);
    if (const char* lf = static_cast<const char*>(std::memchr(buffer, '\n', got))) {
      return from + static_cast<std::uint64_t>(lf - buffer) + 1;
    }
    if (got < window) return from + got;
  }
}

// Parts are filled greedily with whole lines: each ends after the last line that fits,
// the next line starts the next part, and a line longer than a part is written whole
// into a part of its own. The list's bytes go into the parts as they stand; only those
// just before each cut are read here, the rest is copied by the file system where it
// can, else through a buffer of at most 1 MiB.
std::optional<std::uint64_t> SplitBySize(RunContext& run, const PartNamePattern& pattern) {
  const ProcessingJob& job = run.job();
  const std::uint64_t partSize = PartSize(job);
  const std::size_t bufferSize =
      std::clamp<std::size_t>(job.chunkSizes.list, 2, std::size_t{1} << 20);
  const std::size_t window = std::min<std::size_t>(bufferSize, 64 << 10);
  // A stop is noticed after every step of the copy.
  const std::uint64_t step = std::max<std::uint32_t>(job.chunkSizes.list, 1);
  std::unique_ptr<ReadableFile> input = run.env()->OpenForReading(run.Input());
  if (!input) RaiseFailed("failed to open file for reading");
  run.progress().Stage(0, 1, run.InputBytes());
  std::unique_ptr<char[]> buffer(new char[bufferSize]);
  PartFiles parts(run, pattern);
  std::uint64_t at = 0;  // where the next part starts; the input is read up to there
  bool listEnded = false;
  while (!listEnded && run.KeepRunning()) {
    run.PostInfo(kReadingEmails);
    const std::uint64_t end = PartEnd(*input, at, partSize, buffer.get(), window);
    if (end == at || !run.KeepRunning()) break;
    run.PostInfo("Writing emails...");
    while (!listEnded && at < end && run.KeepRunning()) {
      const std::uint64_t want = std::min(end - at, step);
      const std::uint64_t copied = parts.Copy(*input, want, buffer.get(), bufferSize);
      at += copied;
      listEnded = copied < want;
      run.progress().Done(at);
    }
    parts.Close();
  }
  if (!run.KeepRunning()) return std::nullopt;
  parts.HandOver();
  return parts.count();
}

}  // namespace vantor
