#include "engine/hash_partition.h"

#include <algorithm>
#include <cstring>
#include <functional>
#include <limits>
#include <queue>
#include <utility>

#include "engine/error.h"
#include "engine/temp_files.h"

namespace vantor {

namespace {

// A record of a part file: the line number, the length of the address, the address.
constexpr std::size_t kRecordHead = sizeof(std::uint64_t) + sizeof(std::uint32_t);

// The table's own seed: a division and the table of one of its parts must not use the
// same bits, or every address of a part would crowd into a few slots.
constexpr std::uint64_t kTableSeed = 0x2545f4914f6cdd1dULL;

std::uint64_t Mix(std::uint64_t h) {
  h ^= h >> 33;
  h *= 0xff51afd7ed558ccdULL;
  h ^= h >> 33;
  h *= 0xc4ceb9fe1a85ec53ULL;
  h ^= h >> 33;
  return h;
}

// The part of `parts` a hash goes to, from its high bits.
std::size_t PartOf(std::uint64_t hash, std::size_t parts) {
  return static_cast<std::size_t>(((hash >> 32) * parts) >> 32);
}

}  // namespace

std::string_view FoldAddress(const char* text, std::size_t length, std::string* scratch) {
  if (length > 0 && text[length - 1] == '\r') --length;
  std::size_t begin = 0;
  while (begin < length && (text[begin] == ' ' || text[begin] == '\t')) ++begin;
  while (length > begin && (text[length - 1] == ' ' || text[length - 1] == '\t')) --length;
  const std::size_t n = length - begin;
  if (scratch->size() < n) scratch->resize(std::max(n, 2 * scratch->size()));
  char* out = scratch->data();
  for (std::size_t i = 0; i < n; ++i) {
    const char c = text[begin + i];
    out[i] = c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
  }
  return std::string_view(out, n);
}

std::uint64_t HashKey(std::string_view key, std::uint64_t seed) {
  std::uint64_t h = seed ^ (key.size() * 0x9e3779b97f4a7c15ULL);
  const char* p = key.data();
  std::size_t n = key.size();
  for (; n >= 8; p += 8, n -= 8) {
    std::uint64_t word;
    std::memcpy(&word, p, 8);
    h = (h ^ word) * 0xbf58476d1ce4e5b9ULL;
    h ^= h >> 31;
  }
  if (n > 0) {
    std::uint64_t word = 0;
    std::memcpy(&word, p, n);
    h = (h ^ word) * 0x94d049bb133111ebULL;
  }
  return Mix(h);
}

// ---------------------------------------------------------------------------------
// KeySet

KeySet::KeySet() { Release(); }

void KeySet::Release() {
  slots_.clear();
  slots_.shrink_to_fit();
  blocks_.clear();
  blockBytes_ = 0;
  used_ = 0;
  blockSize_ = 0;
  count_ = 0;
}

std::size_t KeySet::Find(std::string_view key, std::uint64_t hash) const {
  const std::size_t mask = slots_.size() - 1;
  for (std::size_t i = static_cast<std::size_t>(hash) & mask;; i = (i + 1) & mask) {
    const Slot& slot = slots_[i];
    if (slot.key == nullptr) return i;
    if (slot.hash != hash) continue;
    std::uint32_t length;
    std::memcpy(&length, slot.key, sizeof length);
    if (length == key.size() && std::memcmp(slot.key + sizeof length, key.data(), length) == 0) {
      return i;
    }
  }
}

bool KeySet::Contains(std::string_view key) const {
  if (count_ == 0) return false;
  const std::uint64_t hash = HashKey(key, kTableSeed);
  return slots_[Find(key, hash)].key != nullptr;
}

bool KeySet::Insert(std::string_view key) {
  // At most seven slots in ten taken: the runs a lookup walks stay short.
  if (10 * (count_ + 1) > 7 * slots_.size()) Grow();
  const std::uint64_t hash = HashKey(key, kTableSeed);
  Slot& slot = slots_[Find(key, hash)];
  if (slot.key != nullptr) return false;
  slot = Slot{hash, Store(key)};
  ++count_;
  return true;
}

void KeySet::Grow() {
  std::vector<Slot> old = std::move(slots_);
  slots_.assign(old.empty() ? 16 : 2 * old.size(), Slot{0, nullptr});
  const std::size_t mask = slots_.size() - 1;
  for (const Slot& slot : old) {
    if (slot.key == nullptr) continue;
    std::size_t i = static_cast<std::size_t>(slot.hash) & mask;
    while (slots_[i].key != nullptr) i = (i + 1) & mask;
    slots_[i] = slot;
  }
}

const char* KeySet::Store(std::string_view key) {
  const std::size_t need = sizeof(std::uint32_t) + key.size();
  if (blocks_.empty() || used_ + need > blockSize_) {
    // Blocks grow with the set, so that a small set takes little memory and a large one
    // few allocations; an address longer than a block gets one of its own.
    const std::size_t next = blocks_.empty() ? 256 : std::min<std::size_t>(2 * blockSize_, 1 << 20);
    blockSize_ = std::max(next, need);
    blocks_.emplace_back(new char[blockSize_]);
    blockBytes_ += blockSize_;
    used_ = 0;
  }
  char* at = blocks_.back().get() + used_;
  const auto length = static_cast<std::uint32_t>(key.size());
  std::memcpy(at, &length, sizeof length);
  std::memcpy(at + sizeof length, key.data(), key.size());
  used_ += need;
  return at;
}

// ---------------------------------------------------------------------------------
// Part files

PartWriter::PartWriter(TempFiles& temps, std::size_t bufferBytes)
    : temps_(temps), bufferBytes_(std::max(bufferBytes, kRecordHead)) {}

void PartWriter::Add(std::uint64_t line, std::string_view key) {
  if (!buffer_) buffer_.reset(new char[bufferBytes_]);
  const auto length = static_cast<std::uint32_t>(key.size());
  if (used_ + kRecordHead > bufferBytes_) Flush();
  std::memcpy(buffer_.get() + used_, &line, sizeof line);
  std::memcpy(buffer_.get() + used_ + sizeof line, &length, sizeof length);
  used_ += kRecordHead;
  for (std::size_t done = 0; done < key.size();) {
    if (used_ == bufferBytes_) Flush();
    const std::size_t n = std::min(key.size() - done, bufferBytes_ - used_);
    std::memcpy(buffer_.get() + used_, key.data() + done, n);
    used_ += n;
    done += n;
  }
  part_.bytes += kRecordHead + key.size();
  ++part_.records;
}

void PartWriter::Flush() {
  if (used_ == 0) return;
  if (!file_) file_ = temps_.Create(&part_.name);
  if (!file_->Write(buffer_.get(), used_)) RaiseFailed(kWriteFailed);
  used_ = 0;
}

PartFile PartWriter::Finish() {
  Flush();
  buffer_.reset();
  if (file_) {
    if (!file_->Close()) RaiseFailed(kWriteFailed);
    file_.reset();
  }
  PartFile part = std::move(part_);
  part_ = PartFile();
  return part;
}

PartReader::PartReader(Env* env, const std::string& name, std::size_t bufferBytes)
    : file_(env->OpenForReading(name)), buffer_(std::max(bufferBytes, kRecordHead)) {
  if (!file_) RaiseFailed("failed to open file");
}

bool PartReader::Have(std::size_t n) {
  if (end_ - start_ >= n) return true;
  if (start_ > 0) {
    std::memmove(buffer_.data(), buffer_.data() + start_, end_ - start_);
    end_ -= start_;
    start_ = 0;
  }
  if (buffer_.size() < n) buffer_.resize(n);
  while (end_ < n && !atEnd_) {
    std::size_t got = 0;
    const std::size_t want = buffer_.size() - end_;
    if (!file_->Read(buffer_.data() + end_, want, &got)) RaiseFailed("failed to read file");
    end_ += got;
    if (got < want) atEnd_ = true;
  }
  return end_ >= n;
}

bool PartReader::Next(PartRecord* record) {
  if (!Have(kRecordHead)) return false;
  std::uint32_t length;
  std::memcpy(&record->line, buffer_.data() + start_, sizeof record->line);
  std::memcpy(&length, buffer_.data() + start_ + sizeof record->line, sizeof length);
  if (!Have(kRecordHead + length)) return false;
  record->key = std::string_view(buffer_.data() + start_ + kRecordHead, length);
  start_ += kRecordHead + length;
  return true;
}

// ---------------------------------------------------------------------------------
// Divisions

PartSizes::PartSizes(const ChunkSizes& sizes) : keys(std::max<std::size_t>(sizes.keysInMemory, 1)) {
  // A part's records take about as many bytes as its addresses do in a set: at 20 MiB,
  // 256 parts keep a list of some four gigabytes in one division.
  firstParts = std::clamp<std::size_t>(keys / (80 << 10), 4, 256);
}

std::size_t PartSizes::WriterBuffer(std::size_t parts) const {
  return std::clamp<std::size_t>(keys / (2 * parts), 64, 64 << 10);
}

std::size_t PartSizes::PartsFor(std::uint64_t bytes) const {
  return static_cast<std::size_t>(std::clamp<std::uint64_t>(2 * bytes / keys + 1, 2, 256));
}

std::uint64_t DivisionSeed(int depth) {
  return 0x9e3779b97f4a7c15ULL * static_cast<std::uint64_t>(depth) + 0x632be59bd9b4e019ULL;
}

namespace {

std::vector<PartFile> FinishAll(std::vector<std::unique_ptr<PartWriter>>& writers) {
  std::vector<PartFile> parts;
  for (auto& writer : writers) parts.push_back(writer->Finish());
  return parts;
}

std::vector<std::unique_ptr<PartWriter>> MakeWriters(RunContext& run, std::size_t parts) {
  const PartSizes sizes(run.chunkSizes());
  std::vector<std::unique_ptr<PartWriter>> writers;
  for (std::size_t i = 0; i < parts; ++i) {
    writers.push_back(std::make_unique<PartWriter>(run.temps(), sizes.WriterBuffer(parts)));
  }
  return writers;
}

}  // namespace

std::vector<PartFile> DivideList(RunContext& run, const std::string& name, std::size_t parts,
                                 const std::string& text) {
  auto writers = MakeWriters(run, parts);
  const std::uint64_t seed = DivisionSeed(1);
  ListReader reader(run.env(), NoKey);
  reader.Open(name, run.chunkSizes().list);
  std::string scratch;
  std::uint64_t line = 0;
  for (;;) {
    run.PostInfo(text);
    if (!reader.ReadChunk()) break;
    if (!run.KeepRunning()) return {};
    run.progress().Done(reader.bytesRead());
    LineStore& lines = reader.lines();
    for (std::size_t i = 0; i < lines.count(); ++i, ++line) {
      const LineRecord& record = lines[i];
      const std::string_view key =
          FoldAddress(record.text, static_cast<std::size_t>(record.length), &scratch);
      if (key.empty()) continue;
      writers[PartOf(HashKey(key, seed), parts)]->Add(line, key);
    }
  }
  reader.Close();
  return FinishAll(writers);
}

std::vector<PartFile> DividePart(RunContext& run, const PartFile& part, std::size_t parts,
                                 int depth) {
  auto writers = MakeWriters(run, parts);
  const std::uint64_t seed = DivisionSeed(depth);
  {
    PartReader reader(run.env(), part.name, PartSizes(run.chunkSizes()).WriterBuffer(1));
    PartRecord record;
    while (reader.Next(&record)) {
      writers[PartOf(HashKey(record.key, seed), parts)]->Add(record.line, record.key);
    }
  }
  run.temps().Delete(part.name);
  return FinishAll(writers);
}

// ---------------------------------------------------------------------------------
// DroppedLines

namespace {

// Merges the files of ascending line numbers `names`, a group of ChunkSizes::mergeFanIn
// at a time, until no more are left than may be open at once: a list of many gigabytes
// divided again and again leaves a file for each of thousands of parts.
void MergeLineFiles(RunContext& run, std::vector<std::string>* names) {
  const std::size_t fanIn = std::max<std::size_t>(run.chunkSizes().mergeFanIn, 2);
  const std::size_t buffer = PartSizes(run.chunkSizes()).WriterBuffer(fanIn + 1);
  using Head = std::pair<std::uint64_t, std::size_t>;  // a line, and the file it is from
  while (names->size() > fanIn) {
    std::vector<std::string> merged;
    for (std::size_t first = 0; first < names->size(); first += fanIn) {
      const std::size_t end = std::min(first + fanIn, names->size());
      PartWriter writer(run.temps(), buffer);
      {
        std::vector<std::unique_ptr<PartReader>> readers;
        std::priority_queue<Head, std::vector<Head>, std::greater<Head>> heads;
        PartRecord record;
        for (std::size_t i = first; i < end; ++i) {
          readers.push_back(std::make_unique<PartReader>(run.env(), (*names)[i], buffer));
          if (readers.back()->Next(&record)) heads.push({record.line, readers.size() - 1});
        }
        while (!heads.empty()) {
          const Head head = heads.top();
          heads.pop();
          writer.Add(head.first, std::string_view());
          if (readers[head.second]->Next(&record)) heads.push({record.line, head.second});
        }
      }
      for (std::size_t i = first; i < end; ++i) run.temps().Delete((*names)[i]);
      const PartFile file = writer.Finish();
      if (!file.name.empty()) merged.push_back(file.name);
    }
    *names = std::move(merged);
  }
}

}  // namespace

DroppedLines::DroppedLines(RunContext& run, std::vector<std::string> files)
    : run_(run), names_(std::move(files)) {
  MergeLineFiles(run, &names_);
  const PartSizes sizes(run.chunkSizes());
  // A quarter of the memory for the window, the rest shared by the files' buffers.
  const std::size_t words = std::max<std::size_t>(sizes.keys / 4 / sizeof(std::uint64_t), 1);
  bits_.assign(words, 0);
  const std::size_t buffer = std::clamp<std::size_t>(
      sizes.keys / 2 / std::max<std::size_t>(names_.size(), 1), 64, 64 << 10);
  for (const std::string& name : names_) {
    files_.push_back(std::make_unique<PartReader>(run.env(), name, buffer));
    next_.push_back(0);
  }
  for (std::size_t i = 0; i < files_.size(); ++i) {
    PartRecord record;
    next_[i] = files_[i]->Next(&record) ? record.line : std::numeric_limits<std::uint64_t>::max();
  }
}

DroppedLines::~DroppedLines() {
  files_.clear();
  for (const std::string& name : names_) run_.temps().Delete(name);
}

void DroppedLines::Advance(std::uint64_t line) {
  const std::uint64_t span = 64 * static_cast<std::uint64_t>(bits_.size());
  windowStart_ = line / span * span;
  windowEnd_ = windowStart_ + span;
  std::fill(bits_.begin(), bits_.end(), 0);
  for (std::size_t i = 0; i < files_.size(); ++i) {
    PartRecord record;
    while (next_[i] < windowEnd_) {
      if (next_[i] >= windowStart_) {
        const std::uint64_t bit = next_[i] - windowStart_;
        bits_[bit >> 6] |= std::uint64_t{1} << (bit & 63);
      }
      next_[i] = files_[i]->Next(&record) ? record.line : std::numeric_limits<std::uint64_t>::max();
    }
  }
}

}  // namespace vantor
