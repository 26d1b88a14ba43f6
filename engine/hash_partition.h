// What the suppression and the keep-order duplicate removal share: the folded form of an
// address, a set of them held in memory, the division of a list (or of a suppression
// file) into part files by a hash of its folded addresses, and the last pass that writes
// the list without the lines decided against.
//
// Both actions decide in memory when the addresses fit in ChunkSizes::keysInMemory. When
// they do not, every address goes to one of k part files, with its line number, by a
// hash of its folded bytes: equal addresses meet in the same part, and each part is in
// the list's order. A part is then decided alone (a part still too large is divided
// again with another hash); the numbers of the lines to drop are written, ascending, to
// a file per part, and the list is read once more, from its start, and written without
// them. The list's order is never lost, and nothing is decided by a hash alone: the
// hash only chooses the part and the table slot, the folded bytes are compared.
//
// Used on the worker thread only.
#ifndef VANTOR_ENGINE_HASH_PARTITION_H_
#define VANTOR_ENGINE_HASH_PARTITION_H_

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "engine/format.h"
#include "engine/line_store.h"
#include "engine/list_reader.h"
#include "engine/list_writer.h"
#include "engine/platform/env.h"
#include "engine/run_context.h"
#include "engine/texts.h"

namespace vantor {

// The address of a record as the two actions compare it: without one trailing CR, the
// spaces and tabs at both ends dropped, ASCII letters in lower case (other bytes, NUL
// included, as they are). Made in `scratch`; empty for a blank line, which is no address.
std::string_view FoldAddress(const char* text, std::size_t length, std::string* scratch);

// A 64-bit hash of `key`; each seed gives a hash of its own.
std::uint64_t HashKey(std::string_view key, std::uint64_t seed);

// Folded addresses, each once, in blocks of memory that grow with them.
class KeySet {
 public:
  KeySet();
  KeySet(const KeySet&) = delete;
  KeySet& operator=(const KeySet&) = delete;

  // Adds `key`; true when it was not in the set.
  bool Insert(std::string_view key);
  bool Contains(std::string_view key) const;
  // The bytes held: the blocks of keys and the table.
  std::size_t MemoryBytes() const { return blockBytes_ + slots_.size() * sizeof(Slot); }
  // Whether the set holds more than `memory` bytes with more than one key: then dividing
  // its addresses further makes it smaller.
  bool Overflows(std::size_t memory) const { return MemoryBytes() > memory && count_ > 1; }
  // Forgets every key and gives the memory back.
  void Release();

 private:
  struct Slot {
    std::uint64_t hash;
    const char* key;  // a 4-byte length, then the bytes; null when the slot is free
  };
  // The slot of `key`: the one that holds it, or the free one it would go to.
  std::size_t Find(std::string_view key, std::uint64_t hash) const;
  void Grow();
  const char* Store(std::string_view key);

  std::vector<Slot> slots_;
  std::size_t count_ = 0;
  std::vector<std::unique_ptr<char[]>> blocks_;
  std::size_t blockBytes_ = 0;
  std::size_t used_ = 0;  // of the last block
  std::size_t blockSize_ = 0;
};

// One part file: records of a line number and a folded address, in the order written.
struct PartFile {
  std::string name;  // empty: the part got no record and has no file
  std::uint64_t bytes = 0;
  std::uint64_t records = 0;
};

// A record read back from a part file; `key` stays valid until the next Next.
struct PartRecord {
  std::uint64_t line;
  std::string_view key;
};

// Writes the records of one part file through a buffer of its own; the file is made when
// the buffer is first written out, so a part without a record has none. Raises "failed to
// get temp file name" and "failed to write data".
class PartWriter {
 public:
  PartWriter(TempFiles& temps, std::size_t bufferBytes);
  PartWriter(const PartWriter&) = delete;
  PartWriter& operator=(const PartWriter&) = delete;

  void Add(std::uint64_t line, std::string_view key);
  // Writes what is buffered and closes the file; returns it.
  PartFile Finish();

 private:
  void Flush();

  TempFiles& temps_;
  std::size_t bufferBytes_;
  std::unique_ptr<char[]> buffer_;
  std::size_t used_ = 0;
  std::unique_ptr<WritableFile> file_;
  PartFile part_;
};

// Reads the records of a part file back. Raises "failed to open file" and "failed to
// read file".
class PartReader {
 public:
  PartReader(Env* env, const std::string& name, std::size_t bufferBytes);
  PartReader(const PartReader&) = delete;
  PartReader& operator=(const PartReader&) = delete;

  // The next record; false at the end of the file.
  bool Next(PartRecord* record);

 private:
  // Makes `n` bytes from start_ on lie in the buffer; false when the file ends first.
  bool Have(std::size_t n);

  std::unique_ptr<ReadableFile> file_;
  std::vector<char> buffer_;
  std::size_t start_ = 0;
  std::size_t end_ = 0;
  bool atEnd_ = false;
};

// How the action's memory is shared out, from the job's sizes.
struct PartSizes {
  explicit PartSizes(const ChunkSizes& sizes);
  // The parts of the first division: as many as keep a list of several gigabytes in
  // parts that fit, as few as a small memory needs.
  std::size_t firstParts;
  // The buffer of each part file written by one division into `parts`.
  std::size_t WriterBuffer(std::size_t parts) const;
  // The parts a part of `bytes` is divided into when its addresses do not fit.
  std::size_t PartsFor(std::uint64_t bytes) const;
  std::size_t keys;  // ChunkSizes::keysInMemory
};

// The hash seed of the division at `depth` (1 for the first).
std::uint64_t DivisionSeed(int depth);
// A part too large is divided again at most this deep; a deeper part is decided in
// memory whatever its size (only a few very long addresses can get there).
inline constexpr int kMaxDivisionDepth = 6;

// Divides the records of the list file `name` (read in chunks of the list) with a folded
// address into `parts` part files by HashKey(address, DivisionSeed(1)), each record with
// its number among all records of the file. Checks KeepRunning after every chunk; an
// empty result when stopped. Posts `text` for each chunk.
std::vector<PartFile> DivideList(RunContext& run, const std::string& name, std::size_t parts,
                                 const std::string& text);
// Divides the part file `part` into `parts` by HashKey(address, DivisionSeed(depth)) and
// deletes it.
std::vector<PartFile> DividePart(RunContext& run, const PartFile& part, std::size_t parts,
                                 int depth);

// The union of files of ascending line numbers (the records of part files), asked line
// by line in ascending order: read through a window of bits, one stretch of lines at a
// time, each file with a small buffer. More files than ChunkSizes::mergeFanIn are first
// merged a group at a time.
class DroppedLines {
 public:
  // Deletes the files when it goes.
  DroppedLines(RunContext& run, std::vector<std::string> files);
  ~DroppedLines();
  DroppedLines(const DroppedLines&) = delete;
  DroppedLines& operator=(const DroppedLines&) = delete;

  // Whether `line` is in a file; each call's line at least the one before.
  bool Contains(std::uint64_t line) {
    if (line >= windowEnd_) Advance(line);
    const std::uint64_t bit = line - windowStart_;
    return (bits_[bit >> 6] >> (bit & 63)) & 1;
  }

 private:
  void Advance(std::uint64_t line);

  RunContext& run_;
  std::vector<std::string> names_;
  std::vector<std::unique_ptr<PartReader>> files_;
  std::vector<std::uint64_t> next_;  // each file's next number; UINT64_MAX after its end
  std::vector<std::uint64_t> bits_;
  std::uint64_t windowStart_ = 0;
  std::uint64_t windowEnd_ = 0;
};

// What a list pass decides for one record.
enum class Verdict { kKeep, kDrop, kGiveUp };

// The counts of a list pass: every record, and those dropped.
struct PassCounts {
  long long total = 0;
  long long dropped = 0;
};

// How a list pass ended.
enum class PassEnd { kDone, kStopped, kGaveUp };

// Reads run.Input() from its start and writes to `writer` every record `decide(line,
// record)` keeps. A record that is a lone CR is counted and never written, as the filter
// does; `decide` is asked about every other record, in order, `line` its number among
// all records. Posts progress like the filter, with `workingWord` ("suppressing"). Stops
// when KeepRunning turns false or `decide` gives up.
template <typename Decide>
PassEnd WriteKeptLines(RunContext& run, ListWriter& writer, const char* workingWord, Decide decide,
                       PassCounts* counts) {
  ListReader input(run.env(), NoKey);
  input.Open(run.Input(), run.chunkSizes().list);
  std::uint32_t lastPost = run.env()->TickCount();
  std::uint64_t line = 0;
  for (;;) {
    run.PostInfo(kReadingEmails);
    if (!input.ReadChunk()) break;
    if (!run.KeepRunning()) return PassEnd::kStopped;
    run.progress().Done(input.bytesRead());
    LineStore& lines = input.lines();
    if (lines.count() == 0) continue;
    run.PostInfo(Format("%d email(s) read, %s...", static_cast<int>(lines.count()), workingWord));
    for (std::size_t i = 0; i < lines.count(); ++i, ++line) {
      const LineRecord& record = lines[i];
      const long long total = counts->total++;
      if (record.length == 1 && record.text[0] == '\r') continue;
      switch (decide(line, record)) {
        case Verdict::kKeep:
          writer.WriteLine(record);
          break;
        case Verdict::kDrop:
          ++counts->dropped;
          break;
        case Verdict::kGiveUp:
          return PassEnd::kGaveUp;
      }
      const bool due =
          total % 10000 == 0 || ((total & 1023) == 0 && run.env()->TickCount() - lastPost > 2000);
      if (due) {
        run.PostInfo2(Format("%lld email(s) processed...", total));
        lastPost = run.env()->TickCount();
      }
    }
  }
  input.Close();
  return PassEnd::kDone;
}

// The last pass of a divided action: the list written without the lines that
// `droppedFiles` name (see DroppedLines), which are deleted after it.
inline PassEnd WriteWithoutDroppedLines(RunContext& run, ListWriter& writer,
                                        const char* workingWord,
                                        std::vector<std::string> droppedFiles, PassCounts* counts) {
  DroppedLines dropped(run, std::move(droppedFiles));
  return WriteKeptLines(
      run, writer, workingWord,
      [&](std::uint64_t line, const LineRecord&) {
        return dropped.Contains(line) ? Verdict::kDrop : Verdict::kKeep;
      },
      counts);
}

}  // namespace vantor

#endif  // VANTOR_ENGINE_HASH_PARTITION_H_
