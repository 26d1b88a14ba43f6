#include "engine/extract.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <string>

#include "engine/error.h"
#include "engine/format.h"
#include "engine/list_reader.h"
#include "engine/list_writer.h"
#include "engine/run_context.h"
#include "engine/texts.h"

namespace vantor {

namespace {

// The share of the picks that makes a chunk be taken from its start, in percent.
constexpr std::int64_t kSequentialPercent = 65;

// Counts the lines of the open list as the second pass will read them: every LF, a
// last line without one, and for a line longer than the chunk one more for every
// further piece of the chunk's size the reader cuts it into. A line that lies within
// one raw chunk is shorter than a chunk, so only a line that runs on from one chunk
// into the next can be cut: the LFs are still counted over the whole chunk at once,
// and only the chunk's first and last LF are looked for besides.
// False when a stop was asked for.
bool CountLines(RunContext& run, ListReader& reader, std::uint64_t* lineCount) {
  const std::uint64_t chunk = reader.chunkSize();
  // The records of a line beyond its first: the bytes before its LF, a CR included,
  // come in pieces of the chunk's size.
  const auto morePieces = [chunk](std::uint64_t length) {
    return length > chunk ? (length - 1) / chunk : 0;
  };
  std::uint64_t count = 0;
  std::uint64_t open = 0;  // bytes of the line not yet ended, over all chunks it spans
  while (reader.ReadRawChunk()) {
    if (!run.KeepRunning()) return false;
    run.progress().Done(reader.bytesRead());
    const char* bytes = reader.buffer();
    const char* end = bytes + reader.validBytes();
    const char* first = static_cast<const char*>(std::memchr(bytes, '\n', end - bytes));
    if (!first) {
      open += static_cast<std::uint64_t>(end - bytes);
      continue;
    }
    count += morePieces(open + static_cast<std::uint64_t>(first - bytes));
    count += static_cast<std::uint64_t>(std::count(first, end, '\n'));
    const char* afterLast = end;
    while (afterLast[-1] != '\n') --afterLast;
    open = static_cast<std::uint64_t>(end - afterLast);
  }
  if (!run.KeepRunning()) return false;
  if (open > 0) count += 1 + morePieces(open);
  *lineCount = count;
  return true;
}

}  // namespace

void ExtractRandomSublist(RunContext& run) {
  const ProcessingJob& job = run.job();
  run.Report("Extract random sublist:\r\n");
  ListWriter writer(run.temps(), run.chunkSizes().writeBuffer);
  writer.CreateTemp(run.CommitIsFinal());
  run.PostInfo2("Determining number of emails in input file...");
  run.PostInfo(kReadingEmails);

  ListReader reader(run.env(), NoKey);
  reader.Open(run.Input(), job.chunkSizes.list);
  // Two passes: one counts the lines, the other picks from them.
  const std::uint64_t listBytes = run.InputBytes();
  run.progress().Stage(0, 2, listBytes);
  std::uint64_t lineCount = 0;
  if (!CountLines(run, reader, &lineCount)) {
    reader.Close();
    run.temps().Delete(writer.name());
    return;
  }
  reader.Close();
  run.PostInfo2(Format("%llu email(s) found", static_cast<unsigned long long>(lineCount)));

  // The count is compared as unsigned: a count the job never holds (below 1) asks for
  // every line.
  std::uint64_t wanted = static_cast<std::uint32_t>(job.extractCount);
  if (lineCount < wanted) {
    wanted = lineCount;
    run.LowerExtractCount(static_cast<std::int32_t>(std::min<std::uint64_t>(lineCount, INT32_MAX)));
  }
  const std::int64_t total = static_cast<std::int64_t>(wanted);
  std::int64_t remaining = total;

  reader.Open(run.Input(), job.chunkSizes.list);
  run.progress().Stage(1, 2, listBytes);
  ChunkPicks picks;
  while (remaining > 0) {
    if (!reader.ReadChunk()) break;
    if (!run.KeepRunning()) break;
    run.progress().Done(reader.bytesRead());
    LineStore& lines = reader.lines();
    const std::int64_t n = static_cast<std::int64_t>(lines.count());
    // More records than the first pass counted lines: the file changed in between.
    if (static_cast<std::uint64_t>(n) > lineCount) Raise("inconsistent input data :(");
    if (n > 0) {
      run.PostInfo("Extracting emails...");
      std::int64_t k = MulDiv(n, total, static_cast<std::int64_t>(lineCount)) + 1;
      k = std::min({k, remaining, n});
      if (MulDiv(k, 100, n) >= kSequentialPercent) {
        for (std::int64_t i = 0; i < k; ++i) writer.WriteLine(lines[static_cast<std::size_t>(i)]);
      } else {
        picks.Reset(static_cast<std::uint32_t>(n));
        for (std::int64_t i = 0; i < k; ++i) writer.WriteLine(lines[picks.Take(run.random())]);
      }
      remaining -= k;
    }
    run.PostInfo2(Format("%llu email(s) found, %lld email(s) extracted",
                         static_cast<unsigned long long>(lineCount),
                         static_cast<long long>(total - remaining)));
    run.PostInfo(kReadingEmails);
  }
  reader.Close();
  writer.Finish(run.CommitIsFinal());

  if (!CommitTempFile(run, writer.name())) return;
  // Blank lines are counted as lines but are no records, and a list that changed
  // between the passes may hold fewer: the report names the lines actually written.
  run.Report(Format("%lld random email(s) extracted from the list of %llu emails\r\n\r\n",
                    static_cast<long long>(total - remaining),
                    static_cast<unsigned long long>(lineCount)));
}

}  // namespace vantor
