// How an action writes its result: to a new temporary file through a large buffer,
// synced to disk when finished, then moved over the destination by CommitTempFile.
// A crash at any moment leaves the destination either as it was or as the new result.
#ifndef VANTOR_ENGINE_LIST_WRITER_H_
#define VANTOR_ENGINE_LIST_WRITER_H_

#include <cstddef>
#include <memory>
#include <string>

#include "engine/line_store.h"
#include "engine/platform/env.h"

namespace vantor {

class ActionRunner;

class ListWriter {
 public:
  explicit ListWriter(ActionRunner& runner);
  // Closes a file left open by an error; the file itself stays.
  ~ListWriter();
  ListWriter(const ListWriter&) = delete;
  ListWriter& operator=(const ListWriter&) = delete;

  // Makes a temporary file and opens it. Raises "failed to get temp file name" or
  // `openError`.
  void CreateTemp(const char* openError = "failed to open output file for writing");
  // Opens `name` itself (created or truncated). Raises `openError`.
  void CreateFile(const std::string& name,
                  const char* openError = "failed to open output file for writing");

  // Raises "failed to write data".
  void Write(const char* bytes, std::size_t n);
  // The line with the byte after it: its own LF, or the one the reader supplied.
  void WriteLine(const LineRecord& line) {
    Write(line.text, static_cast<std::size_t>(line.length) + 1);
  }
  // Writes what is buffered, syncs (unless the file is an intermediate one that will
  // never be committed as it is) and closes. Raises "failed to write data".
  void Finish(bool sync = true);

  const std::string& name() const { return name_; }

 private:
  void Flush();

  ActionRunner& runner_;
  std::string name_;
  std::unique_ptr<WritableFile> file_;
  std::unique_ptr<char[]> buffer_;
  std::size_t capacity_ = 0;
  std::size_t used_ = 0;
};

// Moves the finished temporary file `tempName` over the runner's destination, which
// then becomes the next action's input. When a stop was asked for, deletes it instead
// and returns false: the destination stays as it was and the action appends no report.
// Raises "Failed to rename file" (also for a destination that is not writable); the
// temporary file then stays.
bool CommitTempFile(ActionRunner& runner, const std::string& tempName);

}  // namespace vantor

#endif  // VANTOR_ENGINE_LIST_WRITER_H_
