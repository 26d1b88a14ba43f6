#include "engine/list_writer.h"

#include <cstring>

#include "engine/error.h"
#include "engine/runner.h"

namespace vantor {

ListWriter::ListWriter(ActionRunner& runner) : runner_(runner) {}

ListWriter::~ListWriter() = default;

void ListWriter::CreateTemp(const char* openError) {
  CreateFile(runner_.MakeTempFileName(), openError);
}

void ListWriter::CreateFile(const std::string& name, const char* openError) {
  name_ = name;
  file_ = runner_.env()->OpenForWriting(name);
  if (!file_) Raise(openError);
  if (!buffer_) {
    capacity_ = runner_.job().chunkSizes.writeBuffer;
    buffer_.reset(new char[capacity_]);
  }
  used_ = 0;
}

void ListWriter::Write(const char* bytes, std::size_t n) {
  if (used_ + n > capacity_) {
    Flush();
    if (n >= capacity_) {
      if (!file_->Write(bytes, n)) Raise("failed to write data");
      return;
    }
  }
  std::memcpy(buffer_.get() + used_, bytes, n);
  used_ += n;
}

void ListWriter::Flush() {
  if (used_ == 0) return;
  if (!file_->Write(buffer_.get(), used_)) Raise("failed to write data");
  used_ = 0;
}

void ListWriter::Finish(bool sync) {
  Flush();
  // The result must be on the disk before it replaces anything.
  if (sync && !file_->Sync()) Raise("failed to write data");
  if (!file_->Close()) Raise("failed to write data");
  file_.reset();
}

bool CommitTempFile(ActionRunner& runner, const std::string& tempName) {
  Env* env = runner.env();
  if (!runner.KeepRunning()) {
    env->Delete(tempName);
    return false;
  }
  const std::string destination = runner.Destination();
  runner.PostInfo("Renaming temporary file into output file...");
  // The destination is never deleted first: rename replaces it in one step, so a
  // failure at any point leaves the user with the old file.
  const FileFacts facts = env->Inspect(destination);
  if (facts.exists && !facts.writable) Raise("Failed to rename file");
  const std::uint32_t mode = facts.exists ? facts.mode : env->NewFileMode();
  if (!env->SetMode(tempName, mode)) Raise("Failed to rename file");
  if (!env->Rename(tempName, destination)) Raise("Failed to rename file");
  // The file is in place whatever this says; it only makes the new name durable sooner.
  env->SyncDirectory(DirectoryOf(destination));
  runner.job().inputFileName = destination;
  return true;
}

}  // namespace vantor
