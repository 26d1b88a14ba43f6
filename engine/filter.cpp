#include "engine/filter.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "engine/filter_matcher.h"
#include "engine/format.h"
#include "engine/list_reader.h"
#include "engine/list_writer.h"
#include "engine/platform/tasks.h"
#include "engine/run_context.h"
#include "engine/texts.h"

namespace vantor {

namespace {

// Fragments longer than this are searched for directly: they can only be found in
// addresses at least as long, and an automaton for them would be mostly unused table.
constexpr std::size_t kLongFragment = 4096;

char Upper(char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c; }

// The bytes of an address that take part in the comparison: its line without one
// trailing CR.
std::size_t AddressLength(const LineRecord& line) {
  std::size_t n = static_cast<std::size_t>(line.length);
  if (line.text[n - 1] == '\r') --n;
  return n;
}

// Past the LF that ends the line.
const char* LineEnd(const LineRecord& line) { return line.text + line.length + 1; }

// Bytes of a chunk whose lines are searched together.
constexpr std::ptrdiff_t kWindow = 256 << 10;

// What one thread searching lines needs for itself.
struct Scratch {
  std::string upper;                // an address in capitals
  std::vector<std::uint8_t> flags;  // a flag for each byte of a window of lines
};

// A share of the filter's fragments, searched together.
class FragmentBatch {
 public:
  FragmentBatch(const std::vector<std::string>& shortFragments,
                std::vector<std::string> longFragments)
      : longFragments_(std::move(longFragments)) {
    if (!shortFragments.empty()) {
      std::vector<std::string_view> views(shortFragments.begin(), shortFragments.end());
      matcher_ = std::make_unique<FilterMatcher>(views);
    }
    std::sort(longFragments_.begin(), longFragments_.end(),
              [](const std::string& a, const std::string& b) { return a.size() < b.size(); });
  }

  std::size_t MemoryBytes() const {
    std::size_t bytes = matcher_ ? matcher_->MemoryBytes() : 0;
    for (const std::string& fragment : longFragments_) bytes += fragment.size();
    return bytes;
  }

  // Marks `denied[i]` for the addresses of lines [from, to) not yet marked that contain
  // a fragment of the batch.
  void MarkDenied(LineStore& lines, std::size_t from, std::size_t to, char* denied,
                  Scratch* scratch) const {
    if (matcher_ && matcher_->SeesCr()) {
      // A CR in a fragment: the lines' own CRs must be left out, one by one.
      for (std::size_t i = from; i < to; ++i) {
        const std::size_t n = AddressLength(lines[i]);
        if (!denied[i] && n > 0 && matcher_->Matches(lines[i].text, n)) denied[i] = 1;
      }
    } else if (matcher_) {
      // The lines as they lie in the chunk, a window of them at a time: the flags of a
      // window stay in the cache until they are read.
      for (std::size_t i = from; i < to;) {
        const char* begin = lines[i].text;
        std::size_t j = i + 1;
        while (j < to && LineEnd(lines[j]) - begin <= kWindow) ++j;
        const char* end = LineEnd(lines[j - 1]);
        scratch->flags.resize(static_cast<std::size_t>(end - begin));
        matcher_->MarkLines(begin, end, scratch->flags.data());
        for (; i < j; ++i) denied[i] |= scratch->flags[LineEnd(lines[i]) - 1 - begin];
      }
    }
    if (longFragments_.empty()) return;
    for (std::size_t i = from; i < to; ++i) {
      if (!denied[i] && MatchesLong(lines[i].text, AddressLength(lines[i]), &scratch->upper)) {
        denied[i] = 1;
      }
    }
  }

 private:
  // `text[0, n)` is an address without its CR; `upper` is scratch space.
  bool MatchesLong(const char* text, std::size_t n, std::string* upper) const {
    if (longFragments_.empty() || n < longFragments_.front().size()) return false;
    const std::size_t m = strnlen(text, n);
    upper->resize(m);
    std::transform(text, text + m, upper->begin(), Upper);
    for (const std::string& fragment : longFragments_) {
      if (fragment.size() > m) break;
      if (upper->find(fragment) != std::string::npos) return true;
    }
    return false;
  }

  std::unique_ptr<FilterMatcher> matcher_;
  std::vector<std::string> longFragments_;
};

// The fragments of the filter file, held as batches in memory when they fit, else read
// again from the file for every chunk of the list.
class FilterSet {
 public:
  explicit FilterSet(RunContext& run) : run_(run) {}

  // Reads the whole filter file once. Raises the reader's errors.
  void Load() {
    const std::size_t budget = run_.chunkSizes().filterInMemory;
    std::size_t held = 0;
    streaming_ = false;
    ForEachBatch([&](FragmentBatch batch) {
      held += batch.MemoryBytes();
      if (held > budget) {
        batches_.clear();
        streaming_ = true;
        return false;
      }
      batches_.push_back(std::move(batch));
      return true;
    });
    // Held in memory, the filter file is not read again: its buffers can go.
    if (!streaming_) reader_.reset();
  }

  bool streaming() const { return streaming_; }

  // In memory: marks `denied[i]` for the addresses of lines [from, to) that contain a
  // fragment. Each thread brings its own scratch space.
  void MarkDenied(LineStore& lines, std::size_t from, std::size_t to, char* denied,
                  Scratch* scratch) const {
    for (const FragmentBatch& batch : batches_) batch.MarkDenied(lines, from, to, denied, scratch);
  }

  // Streaming: marks the chunk's addresses that contain a fragment, reading the filter
  // file once for the whole chunk.
  void MarkDeniedStreaming(LineStore& lines, std::vector<char>* denied) {
    ForEachBatch([&](FragmentBatch batch) {
      batch.MarkDenied(lines, 0, lines.count(), denied->data(), &scratch_);
      return true;
    });
  }

 private:
  // Reads the filter file from its start and hands its fragments, batch by batch, to
  // `use`, which returns false to stop.
  template <typename Use>
  void ForEachBatch(Use use) {
    const ChunkSizes& sizes = run_.chunkSizes();
    if (!reader_) reader_ = std::make_unique<ListReader>(run_.env(), NoKey);
    ListReader& reader = *reader_;
    reader.Open(run_.job().filterFileName, sizes.filter);
    std::vector<std::string> shorts;
    std::vector<std::string> longs;
    std::array<bool, 256> seen{};
    std::size_t classes = 0;
    std::size_t bytes = 0;
    auto flush = [&]() {
      if (shorts.empty() && longs.empty()) return true;
      FragmentBatch batch(shorts, std::move(longs));
      shorts.clear();
      longs.clear();
      seen.fill(false);
      classes = 0;
      bytes = 0;
      return use(std::move(batch));
    };
    std::vector<std::string_view> fragments;
    bool more = true;
    while (more && reader.ReadChunk()) {
      fragments.clear();
      PrepareFilterLines(reader.lines(), &fragments);
      for (std::string_view fragment : fragments) {
        if (fragment.size() > kLongFragment) {
          if (bytes + fragment.size() > sizes.filterBatchTable && !(more = flush())) break;
          longs.emplace_back(fragment);
          bytes += fragment.size();
          continue;
        }
        std::size_t added = 0;
        for (unsigned char b : fragment) added += !seen[b];
        if (!shorts.empty() && FilterMatcher::TableBytes(bytes + fragment.size(), classes + added) >
                                   sizes.filterBatchTable) {
          if (!(more = flush())) break;
          added = 0;
          for (unsigned char b : fragment) added += !seen[b];
        }
        for (unsigned char b : fragment) {
          if (!seen[b]) {
            seen[b] = true;
            ++classes;
          }
        }
        shorts.emplace_back(fragment);
        bytes += fragment.size();
      }
    }
    if (more) flush();
    reader.Close();
  }

  RunContext& run_;
  std::unique_ptr<ListReader> reader_;
  std::vector<FragmentBatch> batches_;
  bool streaming_ = false;
  Scratch scratch_;  // for the streaming search
};

}  // namespace

std::size_t PrepareFilterLines(LineStore& lines, std::vector<std::string_view>* fragments) {
  std::size_t usable = 0;
  for (std::size_t i = 0; i < lines.count(); ++i) {
    LineRecord& line = lines[i];
    std::int32_t n = line.length;
    if (n == 0) continue;
    if (line.text[n - 1] == '\r') --n;
    while (n > 0 && line.text[n - 1] == ' ') --n;
    if (n == 0) continue;
    line.text[n] = '\0';
    while (n > 0 && line.text[0] == ' ') {
      ++line.text;
      --n;
    }
    if (n == 0) continue;
    for (std::int32_t k = 0; k < n; ++k) line.text[k] = Upper(line.text[k]);
    // A NUL inside the line ends the fragment there; one at its first byte would make
    // an empty fragment, which is in every address: such a line matches nothing.
    std::size_t length = strnlen(line.text, static_cast<std::size_t>(n));
    if (length == 0) continue;
    fragments->emplace_back(line.text, length);
    ++usable;
  }
  return usable;
}

void FilterList(RunContext& run) {
  const ProcessingJob& job = run.job();
  run.Report("Filter list:\r\n");
  run.PostInfo("Check filter file...");

  FilterSet filter(run);
  filter.Load();

  // Before the writer: it may be writing from the reader's buffers until it goes.
  ListReader input(run.env(), NoKey);
  ListWriter writer(run.temps(), run.chunkSizes().writeBuffer);
  writer.CreateTemp(run.CommitIsFinal());
  // Kept lines are written straight from the chunk while the next is read and searched.
  // A filter read again for every chunk takes the memory the second buffer would.
  const bool alternate = !filter.streaming();
  if (alternate) input.AlternateBuffers();
  input.Open(run.Input(), job.chunkSizes.list);
  run.progress().Stage(0, 1, run.InputBytes());

  // Counted in 64 bits: a list of more than two billion lines must not wrap the report.
  long long denied = 0;
  long long total = 0;
  std::uint32_t lastPost = run.env()->TickCount();
  std::vector<char> deniedInChunk;
  Scratch scratch;
  Scratch helperScratch;
  bool handedOver = false;  // a run of the chunk before was written straight from it
  // Last, so that its task has ended before what it uses goes.
  TaskQueue helper;
  for (;;) {
    run.PostInfo(kReadingEmails);
    // The chunk is read into the buffer of the one before the last, whose runs may
    // still be being written, unless a run of the last was handed over after them; with
    // one buffer, into the last one's.
    if (!handedOver || !alternate) writer.WaitForWrites();
    handedOver = false;
    if (!input.ReadChunk()) break;
    if (!run.KeepRunning()) break;
    run.progress().Done(input.bytesRead());
    LineStore& lines = input.lines();
    const std::size_t count = lines.count();
    if (count == 0) continue;
    run.PostInfo(Format("%d email(s) read, filtering...", static_cast<int>(count)));
    deniedInChunk.assign(count, 0);
    if (filter.streaming()) {
      filter.MarkDeniedStreaming(lines, &deniedInChunk);
    } else {
      // The second half of the chunk on the helper's thread.
      const std::size_t half = count / 2;
      char* marks = deniedInChunk.data();
      helper.Start([&filter, &lines, half, count, marks, &helperScratch] {
        filter.MarkDenied(lines, half, count, marks, &helperScratch);
      });
      filter.MarkDenied(lines, 0, half, marks, &scratch);
      helper.Wait();
    }
    // Kept lines that follow each other in the chunk are written as one run.
    const char* runStart = nullptr;
    const char* runEnd = nullptr;
    auto writeRun = [&] {
      if (runEnd != runStart) {
        handedOver |= writer.WriteBehind(runStart, static_cast<std::size_t>(runEnd - runStart));
      }
    };
    for (std::size_t i = 0; i < count; ++i) {
      const LineRecord& line = lines[i];
      const std::size_t n = AddressLength(line);
      if (n > 0) {
        if (deniedInChunk[i]) {
          ++denied;
        } else if (line.text == runEnd) {
          runEnd += line.length + 1;
        } else {
          writeRun();
          runStart = line.text;
          runEnd = line.text + line.length + 1;
        }
        // The clock is read every 1,024 addresses: cheap, and still far finer than
        // the two seconds between posts.
        const bool due =
            total % 10000 == 0 || ((total & 1023) == 0 && run.env()->TickCount() - lastPost > 2000);
        if (due) {
          run.PostInfo2(Format("%lld email(s) processed...", total));
          lastPost = run.env()->TickCount();
        }
      }
      ++total;
    }
    writeRun();
  }
  writer.Finish(run.CommitIsFinal());
  input.Close();

  if (!CommitTempFile(run, writer.name())) return;
  run.Report(Format("%lld email(s) denied from the list of %lld emails while filtering\r\n\r\n",
                    denied, total));
}

}  // namespace vantor
