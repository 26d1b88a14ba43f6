#include "engine/bucket_shuffle.h"

#include <algorithm>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "engine/error.h"
#include "engine/format.h"
#include "engine/line_bytes.h"
#include "engine/line_store.h"
#include "engine/list_reader.h"
#include "engine/list_writer.h"
#include "engine/platform/env.h"
#include "engine/platform/tasks.h"
#include "engine/run_context.h"
#include "engine/shuffle_random.h"
#include "engine/texts.h"

namespace vantor {

namespace {

constexpr char kReadingText[] = "Reading strings...";
constexpr char kSavingText[] = "Saving randomized strings into temp file...";
constexpr char kJoiningText[] = "Merge previously randomized parts";
constexpr char kCompleteText[] = "Randomize complete!";
constexpr char kReadFailed[] = "failed to read file";

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

std::string PhaseText(std::uint64_t part, long done) {
  return Format("Randomizing emails list by parts of %ld bytes, %ld part(s) done",
                static_cast<long>(part), done);
}

class BucketShuffle {
 public:
  BucketShuffle(RunContext& run, ShuffleRandom& random)
      : run_(run),
        sizes_(run.chunkSizes()),
        part_(PartBytes(sizes_)),
        random_(random),
        writer_(run.temps(), sizes_.writeBuffer) {
    // Not value-initialised: a block's pages are touched by what fills them, and a
    // small list touches few.
    for (auto& block : blocks_) block.reset(new char[BlockBytes()]);
  }

  std::optional<std::uint64_t> Run() {
    const std::uint64_t listBytes = run_.InputBytes();
    std::size_t passes = BucketShufflePasses(listBytes, sizes_);
    run_.progress().Stage(0, passes, listBytes);
    run_.PostInfo2(PhaseText(part_, 0));
    run_.PostInfo(kReadingText);

    // A list of one part is gathered into the first block and shuffled there.
    bool gathering = listBytes <= part_;
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
        run_.PostInfo2(PhaseText(part_, chunks++));
        run_.PostInfo(ReadText(dealt));
        run_.PostInfo(kSavingText);
        lines += dealt;
      };
      while (reader.ReadWholeLines()) {
        if (!run_.KeepRunning()) {
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
          StartDeal(buckets, BucketsFor(listBytes, sizes_));
        }
        deal(data, bytes);
        run_.progress().Done(reader.bytesRead());
      }
      if (!gathering) EndDeal();
    }

    if (gathering) {
      lines = Arrange(blocks_[0].get(), gathered);
      if (lines > 0) {
        run_.PostInfo2(PhaseText(part_, 0));
        run_.PostInfo(ReadText(lines));
        run_.PostInfo(kSavingText);
      }
      writer_.CreateTemp(run_.CommitIsFinal());
      ShuffleAndWrite(gathered);
      run_.PostInfo2(kJoiningText);
    } else {
      std::uint64_t dealt = 0;
      for (const Bucket& bucket : buckets) dealt += bucket.bytes;
      run_.progress().Stage(1, passes, dealt, passes - 1);
      run_.PostInfo2(kJoiningText);
      writer_.CreateTemp(run_.CommitIsFinal());
      if (!Collect(buckets, 0)) {
        writer_.Finish(/*sync=*/false);
        run_.temps().Delete(writer_.name());
        return std::nullopt;
      }
    }
    writer_.Finish(run_.CommitIsFinal());
    if (!CommitTempFile(run_, writer_.name())) return std::nullopt;
    run_.PostInfo(kCompleteText);
    return lines;
  }

 private:
  // A block holds a part's lines with the line end a reader may supply after the last,
  // and the slack after them that WriteLine may read.
  std::size_t BlockBytes() const { return part_ + 2 + ListReader::kSlack; }

  static std::string ReadText(std::uint64_t lines) {
    return Format("%llu strings were read, randomizing...", static_cast<unsigned long long>(lines));
  }

  // Dealing a file into `count` buckets begins: none of them has a file yet.
  void StartDeal(std::vector<Bucket>& buckets, std::size_t count) {
    buckets.assign(count, Bucket());
    files_.clear();
    files_.resize(count);
  }

  // Deals the lines of `bytes` bytes at `data`, each ending in LF, to the buckets, each
  // line to one drawn with equal chance. The lines of each bucket are gathered in the
  // next block and written to its file on the helper thread, while the caller reads the
  // next chunk and deals it into the other block. Returns the lines dealt.
  std::uint64_t Deal(const char* data, std::size_t bytes, std::vector<Bucket>& buckets) {
    const std::size_t count = buckets.size();
    const char* const end = data + bytes;
    chunkBytes_.assign(count, 0);
    lengths_.clear();
    picks_.clear();
    ForEachLine(data, end, [&](const char*, std::size_t n) {
      const auto length = static_cast<std::uint32_t>(n);
      lengths_.push_back(length);
      // A blank line is no line.
      if (length > 1) {
        const auto pick = static_cast<std::uint16_t>(random_.Below(count));
        picks_.push_back(pick);
        chunkBytes_[pick] += length;
        ++buckets[pick].lines;
      }
    });
    if (picks_.empty()) return 0;

    char* const block = blocks_[next_].get();
    next_ ^= 1;
    places_.resize(count);
    ends_.resize(count);
    std::size_t at = 0;
    for (std::size_t b = 0; b < count; ++b) {
      places_[b] = at;
      at += chunkBytes_[b];
      ends_[b] = at;
    }
    Scatter(data, block);

    // The block written before this one is free once its writes have ended.
    if (!helper_.Wait()) RaiseFailed(kWriteFailed);
    std::vector<Slice> slices;
    for (std::size_t b = 0; b < count; ++b) {
      const std::size_t n = chunkBytes_[b];
      if (n == 0) continue;
      if (!files_[b]) files_[b] = run_.temps().Create(&buckets[b].name);
      buckets[b].bytes += n;
      slices.push_back(Slice{files_[b].get(), block + places_[b] - n, n});
    }
    helper_.Start([slices = std::move(slices)] {
      for (const Slice& slice : slices) {
        if (!WriteInSlices(slice.file, slice.data, slice.bytes)) return false;
      }
      return true;
    });
    return picks_.size();
  }

  // The last chunk is dealt: waits for its writes and closes the bucket files.
  void EndDeal() {
    if (!helper_.Wait()) RaiseFailed(kWriteFailed);
    for (auto& file : files_) {
      if (file && !file->Close()) RaiseFailed(kWriteFailed);
    }
    files_.clear();
  }

  // Stopped: the buckets not yet shuffled are deleted, after the helper has let go of
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

  // Appends each bucket in turn to the result, shuffled; a bucket larger than a part is
  // dealt again into buckets of its own first, at `depth` + 1. While one bucket is
  // shuffled, the helper reads the next into the other block. False when stopped.
  bool Collect(std::vector<Bucket>& buckets, int depth) {
    constexpr std::size_t kNone = static_cast<std::size_t>(-1);
    std::size_t fetching = kNone;  // the bucket being read ahead into the other block
    int current = 0;
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
        if (!Divide(bucket, depth)) {
          Abandon(buckets);
          return false;
        }
        Done(i, buckets.size(), depth);
        continue;
      }
      std::unique_ptr<char[]> large;
      char* data = blocks_[current].get();
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
      Arrange(data, static_cast<std::size_t>(bucket.bytes));

      fetching = kNone;
      std::size_t next = i + 1;
      while (next < buckets.size() && buckets[next].lines == 0) ++next;
      if (next < buckets.size() && buckets[next].bytes <= part_) {
        current ^= 1;
        Fetch(buckets[next], blocks_[current].get());
        fetching = next;
      }
      ShuffleAndWrite(static_cast<std::size_t>(bucket.bytes));
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
    std::vector<Bucket> buckets;
    std::size_t count = BucketsFor(bucket.bytes, sizes_);
    // A bucket of a few long lines is dealt into many more buckets than its bytes ask
    // for, so that its lines soon go their own ways.
    if (bucket.lines < 256) {
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

  // Copies each line picked for a bucket or group (lengths_ and picks_) from `data` to
  // the place of its bucket or group in `block` (places_, up to ends_).
  void Scatter(const char* data, char* block) {
    const std::uint16_t* pick = picks_.data();
    const char* p = data;
    for (const std::uint32_t length : lengths_) {
      if (length > 1) {
        const std::size_t at = places_[*pick];
        CopyLine(block + at, p, length, ends_[*pick] - at);
        places_[*pick++] = at + length;
      }
      p += length;
    }
  }

  // Copies the lines of `bytes` bytes at `data`, each ending in LF, to the grouping
  // block in groups: each line goes to one of the groups, each drawn with equal chance,
  // in the order read. Shuffling each group alone then orders the lines with the same
  // chances as one shuffle of them all, but each group's lines and records stay in the
  // processor's cache, where a shuffle of a part would miss it at nearly every line.
  // Returns the number of lines.
  std::size_t Arrange(const char* data, std::size_t bytes) {
    const std::uint64_t groupBytes = std::max<std::uint64_t>(part_ / kGroupsPerPart, 1);
    const auto groups = static_cast<std::size_t>(
        std::clamp<std::uint64_t>((bytes + groupBytes - 1) / groupBytes, 1, kMostBuckets));
    grouped_ = blocks_[2].get();
    if (bytes + ListReader::kSlack > BlockBytes()) {
      largeGrouped_.reset(new char[bytes + ListReader::kSlack]);
      grouped_ = largeGrouped_.get();
    }
    groupStarts_.assign(groups + 1, 0);
    lengths_.clear();
    picks_.clear();
    const char* const end = data + bytes;
    ForEachLine(data, end, [&](const char*, std::size_t n) {
      const auto length = static_cast<std::uint32_t>(n);
      lengths_.push_back(length);
      if (length > 1) {
        const auto pick = static_cast<std::uint16_t>(groups > 1 ? random_.Below(groups) : 0);
        picks_.push_back(pick);
        groupStarts_[pick + 1] += length;
      }
    });
    for (std::size_t g = 0; g < groups; ++g) groupStarts_[g + 1] += groupStarts_[g];
    places_.assign(groupStarts_.begin(), groupStarts_.end() - 1);
    ends_.assign(groupStarts_.begin() + 1, groupStarts_.end());
    Scatter(data, grouped_);
    return picks_.size();
  }

  // Shuffles each group Arrange made, of `bytes` bytes in all, and appends it to the
  // result.
  void ShuffleAndWrite(std::size_t bytes) {
    for (std::size_t g = 0; g + 1 < groupStarts_.size(); ++g) {
      records_.clear();
      ForEachLine(grouped_ + groupStarts_[g], grouped_ + groupStarts_[g + 1],
                  [&](char* line, std::size_t n) {
                    records_.push_back(LineRecord{line, 0, static_cast<std::int32_t>(n - 1)});
                  });
      random_.Shuffle(records_.data(), records_.size());
      for (const LineRecord& line : records_) writer_.WriteLine(line);
    }
    largeGrouped_.reset();
    written_ += bytes;
    run_.progress().Done(written_);
  }

  RunContext& run_;
  const ChunkSizes& sizes_;
  const std::uint64_t part_;
  ShuffleRandom& random_;
  // Three blocks of a part each: the first two take the lines of a chunk dealt to the
  // buckets, a bucket read whole, or a list of one part; the third, the lines of a
  // bucket or list in groups.
  std::unique_ptr<char[]> blocks_[3];
  char* grouped_ = nullptr;  // the third block, or largeGrouped_
  std::unique_ptr<char[]> largeGrouped_;
  int next_ = 0;  // the block the next chunk is dealt into
  // Of the chunk being dealt, or of the bucket being arranged: each line's length with
  // its LF, each line's bucket or group, the bytes of each bucket, where the next line
  // of each bucket or group goes and where its room ends, and where each group begins.
  std::vector<std::uint32_t> lengths_;
  std::vector<std::uint16_t> picks_;
  std::vector<std::size_t> chunkBytes_;
  std::vector<std::size_t> places_;
  std::vector<std::size_t> ends_;
  std::vector<std::size_t> groupStarts_;
  // The files of the buckets being dealt into, open while they are.
  std::vector<std::unique_ptr<WritableFile>> files_;
  std::vector<LineRecord> records_;
  ListWriter writer_;
  std::uint64_t written_ = 0;
  const char* fetchFailure_ = nullptr;  // set by a read ahead that failed
  // Last: it waits for the writes and the read ahead still running before the files
  // and blocks they use go.
  TaskQueue helper_;
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
  return BucketShuffle(run, random).Run();
}

}  // namespace vantor
