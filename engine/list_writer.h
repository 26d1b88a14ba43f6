// How an action writes its result: to a new temporary file through a large buffer,
// synced to disk when finished, then handed on by CommitTempFile: to the next action,
// or to the job's commit, which puts it in place of the destination. A crash at any
// moment leaves the destination either as it was or as the new result.
#ifndef VANTOR_ENGINE_LIST_WRITER_H_
#define VANTOR_ENGINE_LIST_WRITER_H_

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>
#include <string>
#include <utility>

#include "engine/line_store.h"
#include "engine/list_reader.h"
#include "engine/platform/env.h"
#include "engine/platform/tasks.h"

namespace vantor {

class TempFiles;

// Writes all `n` bytes in slices of a size the page cache takes fastest.
bool WriteInSlices(WritableFile* file, const char* data, std::size_t n);

// A file that will be synced is written back by the disk while the rest of it is
// written, a step this large at a time, so that the sync at the end finds little left
// to do.
constexpr std::uint64_t kWritebackStep = 64u << 20;

// Writes one block at a time on a thread of its own, so that copying a block into the
// file overlaps with the work that fills the next one. The thread starts with the
// first block; the writer waits for the block being written when it goes.
class BlockWriter {
 public:
  // Starts writing `n` bytes of `data` to `file`, after the block before, then (with
  // `thenWriteback`) the file's writeback to the disk; the bytes must stay as they are
  // until Wait returns.
  void Start(WritableFile* file, const char* data, std::size_t n, bool thenWriteback = false) {
    Collect();
    thread_.Start([file, data, n, thenWriteback] {
      const bool ok = WriteInSlices(file, data, n);
      if (ok && thenWriteback) file->StartWriteback();
      return ok;
    });
  }
  // Waits until no block is being written. False when a write failed since the last
  // call; the failure's note is then this thread's.
  bool Wait() {
    Collect();
    if (ok_) return true;
    ok_ = true;
    NoteFailure(std::exchange(note_, std::string()));
    return false;
  }

 private:
  // Waits for the block before and keeps the note of the first that failed.
  void Collect() {
    if (thread_.Wait()) return;
    std::string note = TakeFailureNote();
    if (ok_) note_ = std::move(note);
    ok_ = false;
  }

  bool ok_ = true;
  std::string note_;
  TaskQueue thread_;
};

class ListWriter {
 public:
  // Writes through buffers of `bufferSize` bytes (two of them) to files made in `temps`,
  // which must outlive the writer.
  ListWriter(TempFiles& temps, std::uint32_t bufferSize) : temps_(temps), bufferSize_(bufferSize) {}
  // Closes a file left open by an error; the file itself stays.
  ~ListWriter();
  ListWriter(const ListWriter&) = delete;
  ListWriter& operator=(const ListWriter&) = delete;

  // Makes a new temporary file of the run and opens it: every list is written to one.
  // A file that `willSync` is the job's result: it is made beside the destination
  // (unless `folder` names the place) and written back to the disk as it grows. Other
  // lists go to the run's temporary folder, or to `folder`. Raises "failed to get temp
  // file name".
  void CreateTemp(bool willSync = false, Folder* folder = nullptr);

  // Raises "failed to write data".
  void Write(const char* bytes, std::size_t n);
  // Writes `n` bytes as Write does, but a run of a buffer's size or more is written on
  // the writer's thread straight from `bytes`, which must then stay as they are until
  // the next call of the writer that waits for it (WriteBehind, Flush by way of Write,
  // WaitForWrites, Finish). True when the run was handed over: every earlier write has
  // then ended. Raises "failed to write data" for a write before that failed.
  bool WriteBehind(const char* bytes, std::size_t n);
  // Waits until every write handed over has ended. Raises "failed to write data".
  void WaitForWrites();
  // The line with the byte after it: its own LF, or the one the reader supplied. The
  // line must lie in a ListReader's buffer, whose slack allows a short line to be
  // copied by one fixed-size move.
  void WriteLine(const LineRecord& line) {
    const std::size_t n = static_cast<std::size_t>(line.length) + 1;
    if (n <= kShortLine && used_ + kShortLine <= capacity_) {
      std::memcpy(buffer_.get() + used_, line.text, kShortLine);
      used_ += n;
      return;
    }
    Write(line.text, n);
  }
  // Appends the next `n` bytes of `source`, or those up to its end: after what is
  // buffered, through `buffer` (`size` bytes) where the system cannot copy between
  // the files itself. Returns the count. Raises "failed to write data".
  std::uint64_t CopyFrom(ReadableFile& source, std::uint64_t n, char* buffer, std::size_t size);
  // Writes what is buffered, syncs (unless the file is an intermediate one that will
  // never be committed as it is) and closes. Raises "failed to write data".
  void Finish(bool sync = true);
  // Writes what is buffered, starts writing the file to the disk without waiting, and
  // hands over the file, still open: for a caller that syncs and closes it elsewhere,
  // so that writing it back overlaps with the work in between. Raises "failed to write
  // data".
  std::unique_ptr<WritableFile> FinishLater();

  const std::string& name() const { return name_; }

 private:
  static constexpr std::size_t kShortLine = 64;
  static_assert(kShortLine <= 2 + ListReader::kSlack);
  void Flush();
  // Counts `n` more bytes written; true when the file's writeback is to start.
  bool DueForWriteback(std::uint64_t n);

  TempFiles& temps_;
  std::uint32_t bufferSize_;
  std::string name_;
  std::unique_ptr<WritableFile> file_;
  std::unique_ptr<char[]> buffer_;  // being filled
  std::unique_ptr<char[]> spare_;   // being written by background_
  std::size_t capacity_ = 0;
  std::size_t used_ = 0;
  bool writeBack_ = false;
  std::uint64_t sinceWriteback_ = 0;
  // Last, so that it is gone (its block written) before the file and the buffers.
  BlockWriter background_;
};

}  // namespace vantor

#endif  // VANTOR_ENGINE_LIST_WRITER_H_
