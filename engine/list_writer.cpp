#include "engine/list_writer.h"

#include <algorithm>
#include <cstring>
#include <utility>

#include "engine/error.h"
#include "engine/temp_files.h"
#include "engine/texts.h"

namespace vantor {

bool WriteInSlices(WritableFile* file, const char* data, std::size_t n) {
  // Copying into the page cache costs several times more per byte in writes of
  // megabytes than in writes of a hundred kilobytes or so, even from the same buffer.
  constexpr std::size_t kSlice = 128 << 10;
  for (std::size_t done = 0; done < n; done += kSlice) {
    if (!file->Write(data + done, std::min(kSlice, n - done))) return false;
  }
  return true;
}

BlockWriter::~BlockWriter() {
  if (!thread_.joinable()) return;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    quit_ = true;
  }
  changed_.notify_all();
  thread_.join();
}

void BlockWriter::Start(WritableFile* file, const char* data, std::size_t n, bool thenWriteback) {
  if (!thread_.joinable()) thread_ = std::thread([this] { Loop(); });
  std::unique_lock<std::mutex> lock(mutex_);
  changed_.wait(lock, [this] { return !busy_; });
  file_ = file;
  data_ = data;
  size_ = n;
  writeback_ = thenWriteback;
  busy_ = true;
  lock.unlock();
  changed_.notify_all();
}

bool BlockWriter::Wait() {
  std::unique_lock<std::mutex> lock(mutex_);
  changed_.wait(lock, [this] { return !busy_; });
  const bool ok = ok_;
  ok_ = true;
  if (!ok) NoteFailure(std::exchange(note_, std::string()));
  return ok;
}

void BlockWriter::Loop() {
  std::unique_lock<std::mutex> lock(mutex_);
  for (;;) {
    changed_.wait(lock, [this] { return busy_ || quit_; });
    if (!busy_) return;
    lock.unlock();
    const bool ok = WriteInSlices(file_, data_, size_);
    if (ok && writeback_) file_->StartWriteback();
    std::string note = ok ? std::string() : TakeFailureNote();
    lock.lock();
    if (ok_ && !ok) note_ = std::move(note);
    ok_ = ok_ && ok;
    busy_ = false;
    changed_.notify_all();
  }
}

ListWriter::~ListWriter() = default;

void ListWriter::CreateTemp(bool willSync, Folder* folder) {
  if (!folder && willSync) folder = temps_.ResultFolder();
  file_ = temps_.Create(&name_, folder);
  writeBack_ = willSync;
  sinceWriteback_ = 0;
  if (!buffer_) {
    capacity_ = bufferSize_;
    buffer_.reset(new char[capacity_]);
    spare_.reset(new char[capacity_]);
  }
  used_ = 0;
}

void ListWriter::Write(const char* bytes, std::size_t n) {
  if (used_ + n > capacity_) {
    Flush();
    if (n >= capacity_) {
      // Written in place, after the block before it.
      if (!background_.Wait() || !WriteInSlices(file_.get(), bytes, n)) {
        RaiseFailed(kWriteFailed);
      }
      if (DueForWriteback(n)) file_->StartWriteback();
      return;
    }
  }
  std::memcpy(buffer_.get() + used_, bytes, n);
  used_ += n;
}

std::uint64_t ListWriter::CopyFrom(ReadableFile& source, std::uint64_t n, char* buffer,
                                   std::size_t size) {
  Flush();
  if (!background_.Wait()) RaiseFailed(kWriteFailed);
  std::uint64_t copied = 0;
  char last = 0;
  if (!file_->CopyFrom(source, n, buffer, size, &copied, &last)) RaiseFailed(kWriteFailed);
  if (DueForWriteback(copied)) file_->StartWriteback();
  return copied;
}

void ListWriter::Flush() {
  if (used_ == 0) return;
  // The spare buffer is free once the block before has been written.
  if (!background_.Wait()) RaiseFailed(kWriteFailed);
  background_.Start(file_.get(), buffer_.get(), used_, DueForWriteback(used_));
  std::swap(buffer_, spare_);
  used_ = 0;
}

bool ListWriter::DueForWriteback(std::uint64_t n) {
  if (!writeBack_) return false;
  sinceWriteback_ += n;
  if (sinceWriteback_ < kWritebackStep) return false;
  sinceWriteback_ = 0;
  return true;
}

void ListWriter::Finish(bool sync) {
  Flush();
  if (!background_.Wait()) RaiseFailed(kWriteFailed);
  // The result must be on the disk before it replaces anything.
  if (sync && !file_->Sync()) RaiseFailed(kWriteFailed);
  if (!file_->Close()) RaiseFailed(kWriteFailed);
  file_.reset();
}

std::unique_ptr<WritableFile> ListWriter::FinishLater() {
  Flush();
  if (!background_.Wait()) RaiseFailed(kWriteFailed);
  file_->StartWriteback();
  return std::move(file_);
}

}  // namespace vantor
