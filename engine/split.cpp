#include "engine/split.h"

#include <algorithm>
#include <cstring>
#include <memory>

#include "engine/error.h"
#include "engine/list_reader.h"
#include "engine/list_writer.h"
#include "engine/runner.h"

namespace vantor {

namespace {

constexpr const char* kOverwriteText = "split part would overwrite the list being split";

// The absolute form of `name` when it can be made, else `name` as given.
std::string FullName(Env* env, const std::string& name) {
  std::string full = env->FullPath(name);
  return full.empty() ? name : full;
}

// The pattern with its directory made absolute. Only the last path component holds the
// number, and that component is never "." or "..", so making the name of part 1
// absolute keeps it whole at the end.
PartNamePattern FullPattern(Env* env, const PartNamePattern& pattern) {
  const std::string one = pattern.Name(1);
  const std::string full = env->FullPath(one);
  const std::size_t numbered = 1 + pattern.tail.size();
  if (full.empty() || full.size() < numbered) return pattern;
  return PartNamePattern{full.substr(0, full.size() - numbered), pattern.tail};
}

// The part files of one split: at most one open at a time, each opened only when there
// is something to write into it.
class PartFiles {
 public:
  PartFiles(ActionRunner& runner, const PartNamePattern& pattern)
      : runner_(runner),
        pattern_(pattern),
        writer_(runner),
        input_(FullName(runner.env(), runner.job().inputFileName)) {}

  // `n` is at least 1.
  void Write(const char* bytes, std::size_t n) {
    if (!open_) Open();
    writer_.Write(bytes, n);
  }

  // Records first to last of one chunk, with the line end after the last: they stand
  // in the chunk's buffer in file order, together with the blank lines between them.
  void WriteRun(const LineRecord& first, const LineRecord& last) {
    Write(first.text, static_cast<std::size_t>(last.text + last.length + 1 - first.text));
  }

  // The part is written back to the disk while the next one is filled; Sync waits for
  // them all.
  void Close() {
    if (!open_) return;
    open_ = false;
    writer_.FinishLater();
  }

  // Parts are the user's results: all of them are on the disk before the split reports.
  void Sync() {
    for (std::uint64_t part = 1; part <= count_; ++part) {
      if (!runner_.env()->SyncFile(pattern_.Name(part))) Raise("failed to write data");
    }
  }

  bool open() const { return open_; }
  std::uint64_t count() const { return count_; }

 private:
  void Open() {
    ++count_;
    const std::string name = pattern_.Name(count_);
    // SplitList has ruled this out for every number; a caller of its own has not.
    if (FullName(runner_.env(), name) == input_) Raise(kOverwriteText);
    writer_.CreateFile(name);
    runner_.PostInfo2(Format("Creating part %llu...", static_cast<unsigned long long>(count_)));
    open_ = true;
  }

  ActionRunner& runner_;
  const PartNamePattern& pattern_;
  ListWriter writer_;
  const std::string input_;
  std::uint64_t count_ = 0;
  bool open_ = false;
};

// The job's part size; the front ends never let less than 1 through.
std::uint64_t PartSize(const ProcessingJob& job) {
  if (job.splitSize < 1) {
    Raise(job.splitByCount ? "Please enter valid number of emails per part"
                           : "Please enter valid number of bytes per part");
  }
  return static_cast<std::uint64_t>(job.splitSize);
}

const char* LastLf(const char* bytes, std::size_t n) {
  return static_cast<const char*>(::memrchr(bytes, '\n', n));
}

}  // namespace

std::string PartNamePattern::Name(std::uint64_t part) const {
  return head + std::to_string(part) + tail;
}

bool PartNamePattern::CanName(const std::string& name) const {
  if (name.size() <= head.size() + tail.size()) return false;
  if (name.compare(0, head.size(), head) != 0) return false;
  if (name.compare(name.size() - tail.size(), tail.size(), tail) != 0) return false;
  const std::size_t first = head.size();
  const std::size_t end = name.size() - tail.size();
  if (name[first] == '0') return false;  // numbers are written without leading zeros
  for (std::size_t i = first; i < end; ++i) {
    if (name[i] < '0' || name[i] > '9') return false;
  }
  return true;
}

PartNamePattern MakePartNamePattern(const std::string& baseName) {
  const std::size_t slash = baseName.rfind('/');
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

void SplitList(ActionRunner& runner) {
  ProcessingJob& job = runner.job();
  job.resultsText += "Split list:\r\n";
  const PartNamePattern pattern = MakePartNamePattern(runner.Destination());
  // Parts are written in place: one that took the list's own name would destroy the
  // rest of it while it is being read.
  Env* env = runner.env();
  if (FullPattern(env, pattern).CanName(FullName(env, job.inputFileName))) Raise(kOverwriteText);
  const std::uint64_t parts =
      job.splitByCount ? SplitByCount(runner, pattern) : SplitBySize(runner, pattern);
  if (!runner.KeepRunning()) return;
  job.resultsText += Format("Email list was splitted into %llu parts\r\n\r\n",
                            static_cast<unsigned long long>(parts));
}

std::uint64_t SplitByCount(ActionRunner& runner, const PartNamePattern& pattern) {
  ProcessingJob& job = runner.job();
  const std::uint64_t perPart = PartSize(job);
  ListReader reader(runner.env(), NoKey);
  reader.Open(job.inputFileName, job.chunkSizes.list);
  runner.PostInfo("Reading emails...");
  PartFiles parts(runner, pattern);
  std::uint64_t inPart = 0;  // always below perPart
  while (reader.ReadChunk()) {
    if (!runner.KeepRunning()) break;
    LineStore& lines = reader.lines();
    const std::size_t n = lines.count();
    if (n > 0) {
      runner.PostInfo("Writing emails");
      std::size_t a = 0;  // the first record not yet written
      while (n - a >= perPart - inPart) {
        const std::size_t m = static_cast<std::size_t>(perPart - inPart);
        parts.WriteRun(lines[a], lines[a + m - 1]);
        parts.Close();
        inPart = 0;
        a += m;
      }
      if (n > a) {
        parts.WriteRun(lines[a], lines[n - 1]);
        inPart += n - a;
      }
    }
    runner.PostInfo("Reading emails...");
  }
  reader.Close();
  parts.Close();
  if (runner.KeepRunning()) parts.Sync();
  return parts.count();
}

// Parts are filled greedily with whole lines: a line that does not fit into what is
// left of the open part starts the next one. A line that cannot share a part (longer
// than a part, or than the buffer, so that its end cannot be seen before it must be
// placed) is written whole into a part of its own.
std::uint64_t SplitBySize(ActionRunner& runner, const PartNamePattern& pattern) {
  ProcessingJob& job = runner.job();
  const std::uint64_t partSize = PartSize(job);
  const std::size_t bufferSize = std::max<std::uint32_t>(job.chunkSizes.list, 1);
  std::unique_ptr<ReadableFile> input = runner.env()->OpenForReading(job.inputFileName);
  if (!input) Raise("failed to open file for reading");
  std::unique_ptr<char[]> buffer(new char[bufferSize]);
  char* const start = buffer.get();
  PartFiles parts(runner, pattern);
  std::uint64_t room = partSize;  // bytes still free in the open part
  bool lineOfItsOwn = false;      // the bytes up to the next LF go to a part of their own
  std::size_t carried = 0;        // an unfinished line at the buffer's start
  bool atEnd = false;
  while (!atEnd) {
    runner.PostInfo("Reading emails...");
    std::size_t got = 0;
    if (!input->Read(start + carried, bufferSize - carried, &got)) Raise("failed to read data");
    const std::size_t filled = carried + got;
    atEnd = filled < bufferSize;
    carried = 0;
    if (!runner.KeepRunning()) break;
    runner.PostInfo("Writing emails...");
    std::size_t d = 0;
    while (d < filled) {
      const char* at = start + d;
      const std::size_t rest = filled - d;
      if (lineOfItsOwn) {
        const char* lf = static_cast<const char*>(std::memchr(at, '\n', rest));
        const std::size_t n = lf ? static_cast<std::size_t>(lf - at) + 1 : rest;
        parts.Write(at, n);
        d += n;
        if (lf) {
          parts.Close();
          lineOfItsOwn = false;
          room = partSize;
        }
        continue;
      }
      if (rest <= room) {
        if (atEnd) {  // the end of the list fits
          parts.Write(at, rest);
          room -= rest;
          d = filled;
          break;
        }
        // Whole lines go in; the unfinished last one waits for the next read.
        const char* lf = LastLf(at, rest);
        const std::size_t whole = lf ? static_cast<std::size_t>(lf - at) + 1 : 0;
        if (whole > 0) {
          parts.Write(at, whole);
          room -= whole;
        } else if (d == 0) {
          // The buffer is full and holds no line end: the line's length is unknown.
          parts.Close();
          room = partSize;
          lineOfItsOwn = true;
          continue;
        }
        carried = rest - whole;
        std::memmove(start, at + whole, carried);
        break;
      }
      // The open part fills within this buffer: cut after the last line that fits.
      const char* lf = LastLf(at, static_cast<std::size_t>(room));
      if (lf) {
        parts.Write(at, static_cast<std::size_t>(lf - at) + 1);
        d += static_cast<std::size_t>(lf - at) + 1;
      } else if (!parts.open()) {
        lineOfItsOwn = true;  // longer than a whole part
        continue;
      }
      parts.Close();
      room = partSize;
    }
  }
  parts.Close();
  if (runner.KeepRunning()) parts.Sync();
  return parts.count();
}

}  // namespace vantor
