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

bool ListWriter::WriteBehind(const char* bytes, std::size_t n) {
  if (n < capacity_) {
    Write(bytes, n);
    return false;
  }
  Flush();
  // The block before must have been written: its failure is raised here, not lost.
  WaitForWrites();
  background_.Start(file_.get(), bytes, n, DueForWriteback(n));
  return true;
}

void ListWriter::WaitForWrites() {
  if (!background_.Wait()) RaiseFailed(kWriteFailed);
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
