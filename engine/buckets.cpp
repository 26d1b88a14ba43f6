#include "engine/buckets.h"

#include <algorithm>
#include <cstring>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "engine/error.h"
#include "engine/format.h"
#include "engine/line_bytes.h"
#include "engine/line_dealer.h"
#include "engine/line_store.h"
#include "engine/list_reader.h"
#include "engine/list_writer.h"
#include "engine/ordering.h"
#include "engine/platform/builtins.h"
#include "engine/platform/env.h"
#include "engine/platform/tasks.h"
#include "engine/run_context.h"
#include "engine/shuffle_random.h"
#include "engine/sort_keys.h"
#include "engine/texts.h"

namespace vantor {

namespace {

constexpr char kReadingText[] = "Reading strings...";
constexpr char kReadFailed[] = "failed to read file";

constexpr RearrangeWords kRandomizingWords = {
    "Randomizing", "randomizing", "Saving randomized strings into temp file...",
    "Merge previously randomized parts", "Randomize complete!"};

// A sort samples the keys of the lines in this many windows of a file, each of up to
// kWindowBytes bytes, for each part the file holds; at least kFewestWindows.
constexpr std::uint64_t kWindowsPerPart = 4;
constexpr std::uint64_t kFewestWindows = 64;
constexpr std::uint64_t kMostWindows = 4096;
constexpr std::size_t kWindowBytes = 16 << 10;
// How much deeper into the sort strings the keys of a bucket of one key go.
constexpr std::uint32_t kKeyBytes = 16;

// While a chunk is dealt, each of its lines keeps its bucket in 16 bits.
constexpr std::uint64_t kMostBuckets = 1 << 16;

// A bucket is shuffled in groups of about a 64th of a part, whose records and lines
// fit the cache of a processor core.
constexpr std::uint64_t kGroupsPerPart = 64;

// A bucket this deep is shuffled whole however large it is: only a few lines close to a
// part long, drawn into one bucket again and again, can get there.
constexpr int kDeepest = 8;

std::uint64_t PartBytes(const ChunkSizes& sizes) { return std::max<std::uint32_t>(sizes.list, 1); }

std::size_t MostBuckets(const ChunkSizes& sizes) {
  return static_cast<std::size_t>(std::clamp<std::uint64_t>(sizes.mergeFanIn, 2, kMostBuckets));
}

// The buckets a file of `bytes` is dealt into: each expected to hold half a part, which
// leaves room for the chance that it gets more.
std::size_t BucketsFor(std::uint64_t bytes, const ChunkSizes& sizes) {
  const std::uint64_t half = std::max<std::uint64_t>(PartBytes(sizes) / 2, 1);
  return static_cast<std::size_t>(
      std::clamp<std::uint64_t>((bytes + half - 1) / half, 2, MostBuckets(sizes)));
}

struct Bucket {
  std::string name;  // empty while the bucket has no file, and once it is deleted
  std::uint64_t bytes = 0;
  std::uint64_t lines = 0;
  // Of a sort's bucket: how deep its lines' keys were taken, whether folded, and whether
  // they all had one key, or were all the same line (the same when folded).
  std::uint32_t depth = 0;
  bool folded = false;
  bool oneKey = false;
  bool oneString = false;
  std::uint32_t shared = 0;  // the bytes of their sort strings all its lines agree on
};

// The lines of one chunk that go to one bucket file, each with its line end.
struct Slice {
  WritableFile* file;
  const char* data;
  std::size_t bytes;
};

// Every line dealt or grouped lies in a reader's buffer or a block, which have slack
// after their lines for CopyLine's moves.
static_assert(kShortCopy <= ListReader::kSlack);

class BucketPass {
 public:
  // Shuffles with `random`, or sorts in `order` when `random` is null.
  BucketPass(RunContext& run, ShuffleRandom* random, const KeyOrder& order = KeyOrder())
      : run_(run),
        sizes_(run.chunkSizes()),
        part_(PartBytes(sizes_)),
        random_(random),
        sorting_(random == nullptr),
        order_(order),
        words_(sorting_ ? kSortingWords : kRandomizingWords),
        removeDuplicates_(sorting_ && run.job().removeDuplicates),
        writer_(run.temps(), sizes_.writeBuffer) {
    // Not value-initialised: a block's pages are touched by what fills them, and a
    // small list touches few.
    for (auto& block : blocks_) block.reset(new char[BlockBytes()]);
  }

  std::optional<std::uint64_t> Run() {
    const std::uint64_t listBytes = run_.InputBytes();
    std::size_t passes = BucketShufflePasses(listBytes, sizes_);
    run_.progress().Stage(0, passes, listBytes);
    run_.PostInfo2(PhaseText(0));
    run_.PostInfo(kReadingText);

    // A list of one part is gathered into the first block and shuffled there.
    bool gathering = !sorting_ && listBytes <= part_;
    std::size_t gathered = 0;
    std::vector<Bucket> buckets;
    std::uint64_t lines = 0;
    {
      ListReader reader(run_.env(), NoKey);
      reader.Open(run_.Input(), static_cast<std::uint32_t>(part_));
      long chunks = 0;
      auto deal = [&](const char* data, std::size_t bytes) {
        const std::uint64_t dealt = Deal(data, bytes, buckets);
        if (dealt == 0) return;
        run_.PostInfo2(PhaseText(chunks++));
        run_.PostInfo(ReadText(dealt));
        run_.PostInfo(words_.saving);
        lines += dealt;
      };
      while (reader.ReadWholeLines()) {
        if (!run_.KeepRunning() || holdsNul_) {
          Abandon(buckets);
          return std::nullopt;
        }
        const char* data = reader.buffer();
        const auto bytes = static_cast<std::size_t>(reader.wholeLinesEnd() - data);
        if (gathering && gathered + bytes <= part_ + 2) {
          std::memcpy(blocks_[0].get() + gathered, data, bytes);
          gathered += bytes;
          run_.progress().Done(reader.bytesRead());
          continue;
        }
        if (gathering) {
          // The list has grown past the size it had when the run began: it is dealt
          // after all, into as many buckets as may be open, the gathered lines first.
          gathering = false;
          passes = std::max<std::size_t>(passes, 2);
          StartDeal(buckets, MostBuckets(sizes_));
          next_ = 1;
          deal(blocks_[0].get(), gathered);
        } else if (buckets.empty()) {
          if (sorting_) SampleRanges(run_.Input(), listBytes, order_);
          StartDeal(buckets, BucketsFor(listBytes, sizes_));
        }
        deal(data, bytes);
        run_.progress().Done(reader.bytesRead());
      }
      if (!gathering) EndDeal();
    }
    if (!gathering) GiveBack(2);
    if (holdsNul_) {
      Abandon(buckets);
      return std::nullopt;
    }

    if (gathering) {
      writer_.CreateTemp(run_.CommitIsFinal());
      lines = ShuffleLines(blocks_[0].get(), gathered, [] {});
      if (lines > 0) {
        run_.PostInfo2(PhaseText(0));
        run_.PostInfo(ReadText(lines));
        run_.PostInfo(words_.saving);
      }
      run_.PostInfo2(words_.joining);
    } else {
      std::uint64_t dealt = 0;
      for (const Bucket& bucket : buckets) dealt += bucket.bytes;
      run_.progress().Stage(1, passes, dealt, passes - 1);
      run_.PostInfo2(words_.joining);
      writer_.CreateTemp(run_.CommitIsFinal());
      if (!Collect(buckets, 0)) {
        writer_.Finish(/*sync=*/false);
        run_.temps().Delete(writer_.name());
        return std::nullopt;
      }
    }
    writer_.Finish(run_.CommitIsFinal());
    if (!CommitTempFile(run_, writer_.name())) return std::nullopt;
    run_.PostInfo(words_.complete);
    return lines;
  }

  bool holdsNul() const { return holdsNul_; }

 private:
  // A block holds a part's lines with the line end a reader may supply after the last,
  // and the slack after them that WriteLine may read.
  std::size_t BlockBytes() const { return part_ + 2 + ListReader::kSlack; }

  std::string PhaseText(long done) const {
    return Format("%s emails list by parts of %ld bytes, %ld part(s) done", words_.phase,
                  static_cast<long>(part_), done);
  }

  std::string ReadText(std::uint64_t lines) const {
    return Format("%llu strings were read, %s...", static_cast<unsigned long long>(lines),
                  words_.reading);
  }

  // Dealing a file into `count` buckets begins: none of them has a file yet. A sort
  // deals into as many as its ranges make.
  void StartDeal(std::vector<Bucket>& buckets, std::size_t count) {
    if (sorting_) count = ranges_->count();
    buckets.assign(count, Bucket());
    files_.clear();
    files_.resize(count);
    if (!sorting_) return;
    for (std::size_t b = 0; b < count; ++b) {
      buckets[b].depth = ranges_->order().depth;
      buckets[b].oneKey = ranges_->HoldsOneKey(b);
      buckets[b].folded = ranges_->order().fold;
      buckets[b].oneString = ranges_->HoldsOneString(b);
      buckets[b].shared = ranges_->SharedBytes(b);
    }
  }

  // Cuts the ranges of keys at `order`'s depth that the next deal takes, from keys of
  // lines all over the file `name` of `bytes` bytes.
  void SampleRanges(const std::string& name, std::uint64_t bytes, const KeyOrder& order) {
    std::unique_ptr<ReadableFile> file = run_.env()->OpenForReading(name);
    if (!file) RaiseFailed(kOpenListFailed);
    // A file no larger than the fewest windows is read whole, in one.
    std::uint64_t windows = 1;
    std::size_t window = static_cast<std::size_t>(bytes);
    if (bytes > kFewestWindows * kWindowBytes) {
      windows =
          std::clamp<std::uint64_t>(bytes / std::max<std::uint64_t>(part_ / kWindowsPerPart, 1),
                                    kFewestWindows, kMostWindows);
      window = kWindowBytes;
    }
    std::vector<char> buffer(window);
    std::vector<SortKey> sample;
    for (std::uint64_t w = 0; w < windows; ++w) {
      const std::uint64_t offset = bytes / windows * w;
      std::size_t got = 0;
      if (!file->ReadAt(offset, buffer.data(), window, &got)) RaiseFailed(kReadFailed);
      // The window's first line is whole only at the file's start; its last only when
      // its LF came with it.
      const char* begin = buffer.data();
      const char* end = begin + got;
      if (offset > 0) {
        const void* lf = std::memchr(begin, '\n', got);
        begin = lf ? static_cast<const char*>(lf) + 1 : end;
      }
      while (end > begin && end[-1] != '\n') --end;
      ForEachLine(begin, end, [&](const char* line, std::size_t n) {
        if (n > 1) sample.push_back(SortKeyOf(line, static_cast<std::uint32_t>(n - 1), order));
      });
    }
    // Buckets of about a quarter part: the records and sort of one take a third of what
    // its bytes take.
    const std::uint64_t quarter = std::max<std::uint64_t>(part_ / 4, 1);
    const std::size_t count = static_cast<std::size_t>(
        std::clamp<std::uint64_t>((bytes + quarter - 1) / quarter, 2, MostBuckets(sizes_)));
    ranges_.emplace(order, std::move(sample), count, MostBuckets(sizes_));
  }

  // Deals the lines of `bytes` bytes at `data`, each ending in LF, to the buckets: each
  // line to one drawn with equal chance, or to that of its key's range. The lines of
  // each bucket are gathered in the next block and written to its file on the helper
  // thread, while the caller reads the next chunk and deals it into the other block.
  // Returns the lines dealt; none when a sort finds a NUL byte.
  std::uint64_t Deal(const char* data, std::size_t bytes, std::vector<Bucket>& buckets) {
    const std::size_t count = buckets.size();
    const std::size_t dealt = Pick(data, bytes, count);
    if (dealt == 0 || holdsNul_) return 0;

    char* const block = blocks_[next_].get();
    next_ ^= 1;
    dealer_.Lay();
    dealer_.Scatter(block);

    // The block written before this one is free once its writes have ended.
    if (!helper_.Wait()) RaiseFailed(kWriteFailed);
    std::vector<Slice> slices;
    for (std::size_t b = 0; b < count; ++b) {
      const std::size_t n = dealer_.starts()[b + 1] - dealer_.starts()[b];
      if (n == 0) continue;
      if (!files_[b]) files_[b] = run_.temps().Create(&buckets[b].name);
      buckets[b].bytes += n;
      buckets[b].lines += dealer_.Lines(b);
      slices.push_back(Slice{files_[b].get(), block + dealer_.starts()[b], n});
    }
    helper_.Start([slices = std::move(slices)] {
      for (const Slice& slice : slices) {
        if (!WriteInSlices(slice.file, slice.data, slice.bytes)) return false;
      }
      return true;
    });
    return dealt;
  }

  // The last chunk is dealt: waits for its writes and closes the bucket files.
  void EndDeal() {
    if (!helper_.Wait()) RaiseFailed(kWriteFailed);
    for (auto& file : files_) {
      if (file && !file->Close()) RaiseFailed(kWriteFailed);
    }
    files_.clear();
  }

  // Stopped: the buckets not yet collected are deleted, after the helper has let go of
  // their files.
  void Abandon(std::vector<Bucket>& buckets) {
    if (!helper_.Wait()) TakeFailureNote();
    files_.clear();
    for (Bucket& bucket : buckets) {
      if (bucket.name.empty()) continue;
      run_.temps().Delete(bucket.name);
      bucket.name.clear();
    }
  }

  // Appends each bucket in turn to the result, shuffled or sorted; a bucket larger than
  // a part is dealt again into buckets of its own first, at `depth` + 1 (a sort's bucket
  // of copies of one line is copied as it is). While one bucket is rearranged, the helper
  // reads the next into the first block. False when stopped.
  bool Collect(std::vector<Bucket>& buckets, int depth) {
    constexpr std::size_t kNone = static_cast<std::size_t>(-1);
    std::size_t fetching = kNone;  // the bucket being read ahead into the first block
    for (std::size_t i = 0; i < buckets.size(); ++i) {
      Bucket& bucket = buckets[i];
      if (!run_.KeepRunning()) {
        Abandon(buckets);
        return false;
      }
      if (bucket.lines == 0) {
        Done(i, buckets.size(), depth);
        continue;
      }
      if (bucket.bytes > part_ && depth < kDeepest) {
        if (bucket.oneString && !bucket.folded) {
          CopyWhole(bucket);
          Done(i, buckets.size(), depth);
          continue;
        }
        if (!Divide(bucket, depth)) {
          Abandon(buckets);
          return false;
        }
        Done(i, buckets.size(), depth);
        continue;
      }
      std::unique_ptr<char[]> large;
      char* data = blocks_[0].get();
      if (fetching == i) {
        if (!helper_.Wait()) RaiseFailed(fetchFailure_);
      } else {
        if (bucket.bytes > part_) {
          large.reset(new char[bucket.bytes + ListReader::kSlack]);
          data = large.get();
        }
        const char* failure = nullptr;
        if (!ReadWhole(run_.env(), bucket, data, &failure)) RaiseFailed(failure);
      }
      run_.temps().Delete(bucket.name);
      bucket.name.clear();

      fetching = kNone;
      std::size_t next = i + 1;
      while (next < buckets.size() && buckets[next].lines == 0) ++next;
      const bool fetchNext = next < buckets.size() && buckets[next].bytes <= part_;
      // The next bucket is read into the first block as soon as this one's lines have
      // left it for their groups or the result.
      auto freed = [&] {
        if (!fetchNext) return;
        Fetch(buckets[next], blocks_[0].get());
        fetching = next;
      };
      if (sorting_) {
        SortLines(data, bucket, freed);
      } else {
        ShuffleLines(data, static_cast<std::size_t>(bucket.bytes), freed);
      }
      Done(i, buckets.size(), depth);
    }
    return true;
  }

  // Bucket `i` of `count` at `depth` is in the result: the list's own buckets are
  // counted out.
  void Done(std::size_t i, std::size_t count, int depth) {
    if (depth == 0) run_.PostInfo(PartsDoneText(i + 1, count));
  }

  // Deals the bucket's lines into buckets of its own, deletes it and collects them.
  // False when stopped.
  bool Divide(Bucket& bucket, int depth) {
    // Dealing reads a part at a time and fills the first two blocks: the result's lines
    // are written from the second or third, and what the buckets before kept goes back
    // first.
    writer_.WaitForWrites();
    writing_ = -1;
    GiveBack(3);
    records_ = std::vector<LineRecord>();
    sorter_.Release();
    std::vector<Bucket> buckets;
    std::size_t count = BucketsFor(bucket.bytes, sizes_);
    if (sorting_) {
      // The lines of a bucket of one key agree on its bytes: the next ones tell them
      // apart. Lines equal when folded go in their plain order.
      KeyOrder order{order_.mode, bucket.folded, bucket.depth};
      if (bucket.oneString) {
        order = KeyOrder{order_.mode, false, 0};
      } else if (bucket.oneKey) {
        order.depth += kKeyBytes;
      }
      SampleRanges(bucket.name, bucket.bytes, order);
    } else if (bucket.lines < 256) {
      // A bucket of a few long lines is dealt into many more buckets than its bytes ask
      // for, so that its lines soon go their own ways.
      count = std::max<std::size_t>(
          count, std::min<std::uint64_t>(bucket.lines * bucket.lines, MostBuckets(sizes_)));
    }
    StartDeal(buckets, count);
    next_ = 0;
    {
      ListReader reader(run_.env(), NoKey);
      // Each line of a bucket is written whole, and is at most a part and its line end
      // long: a chunk that size never cuts one.
      reader.KeepLinesWhole();
      reader.Open(bucket.name, static_cast<std::uint32_t>(part_ + 2));
      while (reader.ReadWholeLines()) {
        if (!run_.KeepRunning()) {
          Abandon(buckets);
          return false;
        }
        Deal(reader.buffer(), static_cast<std::size_t>(reader.wholeLinesEnd() - reader.buffer()),
             buckets);
      }
      EndDeal();
    }
    run_.temps().Delete(bucket.name);
    bucket.name.clear();
    return Collect(buckets, depth + 1);
  }

  // The first `count` blocks go back to the system, new ones in their place: buckets
  // fill only the pages they need.
  void GiveBack(int count) {
    for (int b = 0; b < count; ++b) blocks_[b].reset(new char[BlockBytes()]);
  }

  // Reads the bucket file whole into `data`: callable on any thread. False, with a note,
  // when that fails; `failure` is then the text to raise.
  static bool ReadWhole(Env* env, const Bucket& bucket, char* data, const char** failure) {
    std::unique_ptr<ReadableFile> file = env->OpenForReading(bucket.name);
    if (!file) {
      *failure = kOpenListFailed;
      return false;
    }
    std::size_t got = 0;
    if (!file->Read(data, static_cast<std::size_t>(bucket.bytes), &got) || got != bucket.bytes) {
      *failure = kReadFailed;
      return false;
    }
    return true;
  }

  // Starts reading `bucket` into `data` on the helper thread.
  void Fetch(const Bucket& bucket, char* data) {
    helper_.Start([this, env = run_.env(), bucket, data] {
      return ReadWhole(env, bucket, data, &fetchFailure_);
    });
  }

  // Shuffles the lines of `bytes` bytes at `data`, each ending in LF, and appends them
  // to the result. Each line goes to one of the groups, each drawn with equal chance;
  // each group is then shuffled alone. That orders the lines with the same chances as
  // one shuffle of them all, but each group's lines and records stay in the processor's
  // cache, where a shuffle of a part would miss it at nearly every line. The two halves
  // of the lines are drawn into groups by two generators of their own, and the groups
  // shuffled by one each, so that both threads share the work and the order drawn does
  // not depend on which thread did what. `data` is free once `grouped` is called.
  // Returns the number of lines.
  template <typename Grouped>
  std::size_t ShuffleLines(const char* data, std::size_t bytes, Grouped grouped) {
    const std::uint64_t groupBytes = std::max<std::uint64_t>(part_ / kGroupsPerPart, 1);
    const auto groups = static_cast<std::size_t>(
        std::clamp<std::uint64_t>((bytes + groupBytes - 1) / groupBytes, 1, kMostBuckets));
    std::unique_ptr<char[]> large;
    char* const block = OutBlock(bytes, large);

    Pick(data, bytes, groups);
    const std::size_t at = dealer_.Lay();
    dealer_.Scatter(block);
    grouped();

    seeds_.resize(groups);
    for (std::uint64_t& seed : seeds_) seed = random_->Next();
    // The groups of the first half of the bytes on this thread, the rest on the other.
    const auto split = static_cast<std::size_t>(
        std::lower_bound(dealer_.starts().begin(), dealer_.starts().end() - 1, at / 2) -
        dealer_.starts().begin());
    dealer_.OnBoth([&](int h) {
      ShuffleGroups(block, h == 0 ? 0 : split, h == 0 ? split : groups, scratch_[h]);
    });

    WriteOut(block, at, bytes, large != nullptr);
    return dealer_.picked();
  }

  // The block a bucket's lines are rearranged into: the second or third, whichever the
  // writer is not writing the last bucket from; for more than a part, `large`.
  char* OutBlock(std::size_t bytes, std::unique_ptr<char[]>& large) {
    out_ = writing_ == 1 ? 2 : 1;
    if (writing_ == out_) {
      writer_.WaitForWrites();
      writing_ = -1;
    }
    if (bytes + ListReader::kSlack <= BlockBytes()) return blocks_[out_].get();
    large.reset(new char[bytes + ListReader::kSlack]);
    return large.get();
  }

  // Appends the `n` bytes of the block to the result, on the writer's thread unless they
  // lie in a `large` block; a bucket of `bytes` bytes is done.
  void WriteOut(const char* block, std::size_t n, std::size_t bytes, bool large) {
    if (writer_.WriteBehind(block, n)) writing_ = large ? -1 : out_;
    if (large) writer_.WaitForWrites();
    written_ += bytes;
    run_.progress().Done(written_);
  }

  // Sorts the lines of the bucket, read whole into `data`, each ending in LF, and appends
  // them to the result, dropping each that repeats the one before when duplicates are
  // removed. `data` is free once `freed` is called.
  template <typename Freed>
  void SortLines(char* data, const Bucket& bucket, Freed freed) {
    const auto bytes = static_cast<std::size_t>(bucket.bytes);
    records_.clear();
    records_.reserve(static_cast<std::size_t>(bucket.lines));
    const bool byDomain = order_.mode == RearrangeMode::kSortByDomain;
    ForEachLine(data, data + bytes, [&](char* line, std::size_t n) {
      const auto length = static_cast<std::int32_t>(n - 1);
      std::int32_t key = 0;
      if (byDomain) {
        const void* sign = std::memchr(line, '@', static_cast<std::size_t>(length));
        if (sign) key = static_cast<std::int32_t>(static_cast<const char*>(sign) - line);
      }
      records_.push_back(LineRecord{line, key, length});
    });
    sorter_.Sort(records_.data(), records_.size(), order_.mode, order_.fold, bucket.shared);
    // A bucket of more than half a part goes through the writer's buffer: a block of its
    // size beside it, its records and the block still being written would take too much
    // memory (a list dealt into as many buckets as may be open has buckets that large).
    if (bytes > part_ / 2) {
      WriteLines();
      freed();
      written_ += bytes;
      run_.progress().Done(written_);
      return;
    }
    std::unique_ptr<char[]> large;
    char* const block = OutBlock(bytes, large);
    std::size_t at = 0;
    if (removeDuplicates_) {
      at = CopyKept(block);
    } else {
      // Each half of the sorted lines copied on a thread of its own.
      const std::size_t middle = records_.size() / 2;
      std::size_t split = 0;
      for (std::size_t i = 0; i < middle; ++i)
        split += static_cast<std::size_t>(records_[i].length) + 1;
      dealer_.OnBoth([&](int h) {
        if (h == 0) {
          CopyRecords(0, middle, block, block + split);
        } else {
          CopyRecords(middle, records_.size(), block + split, block + bytes + ListReader::kSlack);
        }
      });
      at = bytes;
    }
    freed();
    WriteOut(block, at, bytes, large != nullptr);
  }

  // Writes the sorted lines through the writer's buffer, but each that repeats the last
  // one kept when duplicates are removed.
  void WriteLines() {
    constexpr std::size_t kAhead = 16;  // the sorted lines lie all over the bucket
    for (std::size_t i = 0; i < records_.size(); ++i) {
      if (i + kAhead < records_.size()) Prefetch(records_[i + kAhead].text);
      const LineRecord& line = records_[i];
      if (removeDuplicates_) {
        if (last_.Repeats(line)) {
          ++run_.duplicatesFound();
          continue;
        }
        last_.Set(line);
      }
      writer_.WriteLine(line);
    }
    // The bucket's block is read into again.
    last_.Detach();
  }

  // Copies the lines of records `first` to `last` (not included), each with its line end,
  // to `to`, where the bytes up to `end` may be written.
  void CopyRecords(std::size_t first, std::size_t last, char* to, const char* end) const {
    // The sorted lines lie all over the bucket: each is asked for a few lines ahead.
    constexpr std::size_t kAhead = 16;
    for (std::size_t i = first; i < last; ++i) {
      if (i + kAhead < last) Prefetch(records_[i + kAhead].text);
      const auto n = static_cast<std::size_t>(records_[i].length) + 1;
      CopyLine(to, records_[i].text, n, static_cast<std::size_t>(end - to));
      to += n;
    }
  }

  // Copies the sorted lines to `block` but each that repeats the last one kept (of this
  // bucket or those before); returns the bytes copied.
  std::size_t CopyKept(char* block) {
    char* to = block;
    for (const LineRecord& line : records_) {
      if (last_.Repeats(line)) {
        ++run_.duplicatesFound();
        continue;
      }
      const auto n = static_cast<std::size_t>(line.length) + 1;
      std::memcpy(to, line.text, n);
      last_.Set(LineRecord{to, 0, line.length});
      to += n;
    }
    // The block is written over two buckets on, or sooner by a deal.
    last_.Detach();
    return static_cast<std::size_t>(to - block);
  }

  // Appends a bucket of lines that are all the same line to the result as it is; with
  // duplicates removed, that line once, unless it repeats the last line kept.
  void CopyWhole(Bucket& bucket) {
    writer_.WaitForWrites();
    writing_ = -1;
    std::unique_ptr<ReadableFile> file = run_.env()->OpenForReading(bucket.name);
    if (!file) RaiseFailed(kOpenListFailed);
    char* const block = blocks_[0].get();
    // Each line the same, and with the same line end.
    const std::uint64_t copy = removeDuplicates_ ? bucket.bytes / bucket.lines : bucket.bytes;
    for (std::uint64_t copied = 0; copied < copy;) {
      std::size_t got = 0;
      // A line is at most a part and its line end long: a block holds it.
      const auto want = static_cast<std::size_t>(
          removeDuplicates_ ? copy : std::min<std::uint64_t>(copy - copied, part_));
      if (!file->Read(block, want, &got) || got != want) RaiseFailed(kReadFailed);
      copied += got;
      if (!removeDuplicates_) {
        writer_.Write(block, got);
        continue;
      }
      const LineRecord line{block, 0, static_cast<std::int32_t>(got - 1)};
      std::uint64_t kept = 0;
      if (!last_.Repeats(line)) {
        writer_.Write(block, got);
        last_.Set(line);
        last_.Detach();
        kept = 1;
      }
      run_.duplicatesFound() += bucket.lines - kept;
    }
    file.reset();
    run_.temps().Delete(bucket.name);
    bucket.name.clear();
    written_ += bucket.bytes;
    run_.progress().Done(written_);
  }

  // What a thread shuffling groups keeps from one group to the next.
  struct Scratch {
    std::vector<LineRecord> records;
    std::unique_ptr<char[]> lines;
    std::size_t room = 0;
  };

  // Picks one of `bins` for each line of `bytes` bytes at `data`, each ending in LF:
  // drawn with equal chance by two generators seeded from the run's, one for each half
  // of the lines; for a sort's deal, the bucket of the line's key. Returns the lines that
  // are not blank.
  std::size_t Pick(const char* data, std::size_t bytes, std::size_t bins) {
    if (!random_) {
      bool holdsNul = false;
      const std::size_t picked = dealer_.ByRanges(data, bytes, *ranges_, &holdsNul);
      holdsNul_ = holdsNul_ || holdsNul;
      return picked;
    }
    ShuffleRandom draws[2] = {ShuffleRandom(random_->Next()), ShuffleRandom(random_->Next())};
    return dealer_.Draw(data, bytes, bins, draws);
  }

  // Shuffles groups `first` to `last` (not included) in `block`, each in its place.
  void ShuffleGroups(char* block, std::size_t first, std::size_t last, Scratch& scratch) const {
    for (std::size_t g = first; g < last; ++g) {
      char* const begin = block + dealer_.starts()[g];
      char* const end = block + dealer_.starts()[g + 1];
      const auto bytes = static_cast<std::size_t>(end - begin);
      if (bytes == 0) continue;
      scratch.records.clear();
      ForEachLine(begin, end, [&](char* line, std::size_t n) {
        scratch.records.push_back(LineRecord{line, 0, static_cast<std::int32_t>(n - 1)});
      });
      ShuffleRandom(seeds_[g]).Shuffle(scratch.records.data(), scratch.records.size());
      if (scratch.room < bytes + kShortCopy) {
        scratch.room = bytes + kShortCopy;
        scratch.lines.reset(new char[scratch.room]);
      }
      // A short line is moved in one piece of a fixed size, except where that would
      // read past the group, into the bytes of one the other thread may be writing.
      char* to = scratch.lines.get();
      for (const LineRecord& line : scratch.records) {
        const auto n = static_cast<std::size_t>(line.length) + 1;
        if (n <= kShortCopy && line.text + kShortCopy <= end) {
          std::memcpy(to, line.text, kShortCopy);
        } else {
          std::memcpy(to, line.text, n);
        }
        to += n;
      }
      std::memcpy(begin, scratch.lines.get(), bytes);
    }
  }

  RunContext& run_;
  const ChunkSizes& sizes_;
  const std::uint64_t part_;
  ShuffleRandom* const random_;  // of a shuffle
  const bool sorting_;
  const KeyOrder order_;  // of a sort, its keys from the first byte
  const RearrangeWords& words_;
  const bool removeDuplicates_;
  // Three blocks of a part each: the first two take the lines of a chunk dealt to the
  // buckets; the first, a bucket read whole or a list of one part; the second and third
  // in turn, the lines of a bucket or list in groups, shuffled and written from there.
  std::unique_ptr<char[]> blocks_[3];
  int next_ = 0;      // the block the next chunk is dealt into
  int writing_ = -1;  // the block the writer may still be writing from, if any
  int out_ = 1;       // the block the bucket being rearranged goes to
  // Of the bucket being shuffled: the seed each group is shuffled with, and each
  // thread's scratch.
  std::vector<std::uint64_t> seeds_;
  Scratch scratch_[2];
  // Of a sort: the ranges the next deal takes, whether the list holds a NUL byte, the
  // records of the bucket being sorted, the sort, and the last line kept.
  std::optional<KeyRanges> ranges_;
  bool holdsNul_ = false;
  std::vector<LineRecord> records_;
  PartSorter sorter_;
  LastLine last_;
  // The files of the buckets being dealt into, open while they are.
  std::vector<std::unique_ptr<WritableFile>> files_;
  ListWriter writer_;
  std::uint64_t written_ = 0;
  const char* fetchFailure_ = nullptr;  // set by a read ahead that failed
  // Last: they wait for the writes, the read ahead and the half of a deal, shuffle or
  // copy still running before the files and blocks they use go.
  TaskQueue helper_;
  LineDealer dealer_;
};

}  // namespace

std::size_t BucketShufflePasses(std::uint64_t listBytes, const ChunkSizes& sizes) {
  const std::uint64_t part = PartBytes(sizes);
  std::size_t passes = 1;
  for (std::uint64_t bytes = listBytes; bytes > part; ++passes) {
    const std::uint64_t buckets = BucketsFor(bytes, sizes);
    bytes = (bytes + buckets - 1) / buckets;
  }
  return passes;
}

std::optional<std::uint64_t> ShuffleInBuckets(RunContext& run, ShuffleRandom& random) {
  return BucketPass(run, &random).Run();
}

std::optional<std::uint64_t> SortInBuckets(RunContext& run, bool* holdsNul) {
  const ProcessingJob& job = run.job();
  BucketPass pass(run, nullptr, KeyOrder{job.rearrangeMode, job.foldCase, 0});
  std::optional<std::uint64_t> lines = pass.Run();
  *holdsNul = pass.holdsNul();
  return lines;
}

}  // namespace vantor
