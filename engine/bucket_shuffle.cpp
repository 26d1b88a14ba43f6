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
      writer_.CreateTemp(run_.CommitIsFinal());
      lines = ShuffleLines(blocks_[0].get(), gathered, [] {});
      if (lines > 0) {
        run_.PostInfo2(PhaseText(part_, 0));
        run_.PostInfo(ReadText(lines));
        run_.PostInfo(kSavingText);
      }
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
    const std::size_t dealt = Draw(data, bytes, count);
    if (dealt == 0) return 0;

    char* const block = blocks_[next_].get();
    next_ ^= 1;
    Lay(count);
    OnBoth([&](int h) { Scatter(halves_[h], block); });

    // The block written before this one is free once its writes have ended.
    if (!helper_.Wait()) RaiseFailed(kWriteFailed);
    std::vector<Slice> slices;
    for (std::size_t b = 0; b < count; ++b) {
      const std::size_t n = starts_[b + 1] - starts_[b];
      if (n == 0) continue;
      if (!files_[b]) files_[b] = run_.temps().Create(&buckets[b].name);
      buckets[b].bytes += n;
      buckets[b].lines += halves_[0].lines[b] + halves_[1].lines[b];
      slices.push_back(Slice{files_[b].get(), block + starts_[b], n});
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
  // shuffled, the helper reads the next into the first block. False when stopped.
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
      // left it for their groups.
      ShuffleLines(data, static_cast<std::size_t>(bucket.bytes), [&] {
        if (!fetchNext) return;
        Fetch(buckets[next], blocks_[0].get());
        fetching = next;
      });
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
    // Dealing fills the first two blocks: the result's lines are written from the second
    // or third.
    writer_.WaitForWrites();
    writing_ = -1;
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
    // The groups are made in the second or third block, whichever the writer is not
    // writing the last bucket from.
    const int out = writing_ == 1 ? 2 : 1;
    if (writing_ == out) {
      writer_.WaitForWrites();
      writing_ = -1;
    }
    char* block = blocks_[out].get();
    std::unique_ptr<char[]> large;
    if (bytes + ListReader::kSlack > BlockBytes()) {
      large.reset(new char[bytes + ListReader::kSlack]);
      block = large.get();
    }

    Draw(data, bytes, groups);
    const std::size_t at = Lay(groups);
    OnBoth([&](int h) { Scatter(halves_[h], block); });
    grouped();

    seeds_.resize(groups);
    for (std::uint64_t& seed : seeds_) seed = random_.Next();
    // The groups of the first half of the bytes on this thread, the rest on the other.
    const auto split = static_cast<std::size_t>(
        std::lower_bound(starts_.begin(), starts_.end() - 1, at / 2) - starts_.begin());
    OnBoth([&](int h) {
      ShuffleGroups(block, h == 0 ? 0 : split, h == 0 ? split : groups, scratch_[h]);
    });

    if (writer_.WriteBehind(block, at)) writing_ = large ? -1 : out;
    if (large) writer_.WaitForWrites();
    written_ += bytes;
    run_.progress().Done(written_);
    return halves_[0].picks.size() + halves_[1].picks.size();
  }

  // The lines of half a chunk or bucket, and the bins (buckets or groups) they go to.
  struct Half {
    const char* begin = nullptr;
    const char* end = nullptr;
    std::vector<std::uint32_t> lengths;  // of each line, with its LF
    std::vector<std::uint16_t> picks;    // the bin of each line that is not blank
    std::vector<std::size_t> bytes;      // of the half's lines in each bin
    std::vector<std::uint64_t> lines;    // of the half in each bin
    std::vector<std::size_t> places;     // where its next line in each bin goes
    std::vector<std::size_t> ends;       // where its room in each bin ends
  };

  // What a thread shuffling groups keeps from one group to the next.
  struct Scratch {
    std::vector<LineRecord> records;
    std::unique_ptr<char[]> lines;
    std::size_t room = 0;
  };

  // Draws one of `bins` for each line of `bytes` bytes at `data`, each ending in LF,
  // each bin equally likely: the two halves of the lines on two threads, by two
  // generators seeded from the run's. Returns the lines that are not blank.
  std::size_t Draw(const char* data, std::size_t bytes, std::size_t bins) {
    const char* const end = data + bytes;
    const char* middle = end;
    if (bytes > 1) {
      const std::size_t half = bytes / 2;
      const void* lf = std::memchr(data + half, '\n', bytes - half);
      if (lf) middle = static_cast<const char*>(lf) + 1;
    }
    halves_[0].begin = data;
    halves_[0].end = middle;
    halves_[1].begin = middle;
    halves_[1].end = end;
    ShuffleRandom draws[2] = {ShuffleRandom(random_.Next()), ShuffleRandom(random_.Next())};
    OnBoth([&](int h) { DrawHalf(halves_[h], bins, draws[h]); });
    return halves_[0].picks.size() + halves_[1].picks.size();
  }

  static void DrawHalf(Half& half, std::size_t bins, ShuffleRandom& random) {
    half.lengths.clear();
    half.picks.clear();
    half.bytes.assign(bins, 0);
    half.lines.assign(bins, 0);
    half.places.resize(bins);
    half.ends.resize(bins);
    ForEachLine(half.begin, half.end, [&](const char*, std::size_t n) {
      const auto length = static_cast<std::uint32_t>(n);
      half.lengths.push_back(length);
      // A blank line is no line.
      if (length > 1) {
        const auto pick = static_cast<std::uint16_t>(bins > 1 ? random.Below(bins) : 0);
        half.picks.push_back(pick);
        half.bytes[pick] += length;
        ++half.lines[pick];
      }
    });
  }

  // Lays the bins out one after the other, each with the lines of the first half drawn
  // for it, then those of the second: where each begins (and the end of the last) in
  // starts_. Returns the bytes of them all.
  std::size_t Lay(std::size_t bins) {
    starts_.resize(bins + 1);
    std::size_t at = 0;
    for (std::size_t b = 0; b < bins; ++b) {
      starts_[b] = at;
      for (Half& half : halves_) {
        half.places[b] = at;
        at += half.bytes[b];
        half.ends[b] = at;
      }
    }
    starts_[bins] = at;
    return at;
  }

  // Shuffles groups `first` to `last` (not included) in `block`, each in its place.
  void ShuffleGroups(char* block, std::size_t first, std::size_t last, Scratch& scratch) const {
    for (std::size_t g = first; g < last; ++g) {
      char* const begin = block + starts_[g];
      char* const end = block + starts_[g + 1];
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

  // Runs `work(1)` on the partner thread while this one runs `work(0)`, and waits for
  // both.
  template <typename Work>
  void OnBoth(Work&& work) {
    partner_.Start([&work] { work(1); });
    try {
      work(0);
    } catch (...) {
      // The other half may use what is about to go.
      try {
        partner_.Wait();
      } catch (...) {
      }
      throw;
    }
    partner_.Wait();
  }

  // Copies each line of the half that is not blank to the place of its bin in `block`.
  static void Scatter(Half& half, char* block) {
    const std::uint16_t* pick = half.picks.data();
    const char* p = half.begin;
    for (const std::uint32_t length : half.lengths) {
      if (length > 1) {
        const std::size_t at = half.places[*pick];
        CopyLine(block + at, p, length, half.ends[*pick] - at);
        half.places[*pick++] = at + length;
      }
      p += length;
    }
  }

  RunContext& run_;
  const ChunkSizes& sizes_;
  const std::uint64_t part_;
  ShuffleRandom& random_;
  // Three blocks of a part each: the first two take the lines of a chunk dealt to the
  // buckets; the first, a bucket read whole or a list of one part; the second and third
  // in turn, the lines of a bucket or list in groups, shuffled and written from there.
  std::unique_ptr<char[]> blocks_[3];
  int next_ = 0;      // the block the next chunk is dealt into
  int writing_ = -1;  // the block the writer may still be writing from, if any
  // Of the chunk being dealt or the bucket being shuffled: its halves, where each bin
  // begins (and the end of the last); the seed each group is shuffled with, and each
  // thread's scratch.
  Half halves_[2];
  std::vector<std::size_t> starts_;
  std::vector<std::uint64_t> seeds_;
  Scratch scratch_[2];
  // The files of the buckets being dealt into, open while they are.
  std::vector<std::unique_ptr<WritableFile>> files_;
  ListWriter writer_;
  std::uint64_t written_ = 0;
  const char* fetchFailure_ = nullptr;  // set by a read ahead that failed
  // Last: they wait for the writes, the read ahead and the half of a shuffle still
  // running before the files and blocks they use go.
  TaskQueue helper_;
  TaskQueue partner_;
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
