// The batch tool's end of the worker's messages: keeps the two progress lines and the
// outcome of the run, and draws them on a terminal with the share of the job done, the
// elapsed time and the time left.
#ifndef VANTOR_CLI_PROGRESS_H_
#define VANTOR_CLI_PROGRESS_H_

#include <condition_variable>
#include <cstdint>
#include <cstdio>
#include <mutex>
#include <string>

#include "engine/job.h"

namespace vantor::cli {

class ProgressSink final : public MessageSink {
 public:
  // Called on the worker's thread.
  void Post(RunnerMessage message) override;

  // Waits up to `ms` for the run to end; true once it has.
  bool WaitForEnd(int ms);
  bool failed() const { return failed_; }
  const std::string& error() const { return error_; }

  // Draws Info2, Info, and the elapsed time with the time left and the share of the job
  // done (`ppm`, see JobFraction) over what the last call drew.
  void Draw(std::FILE* out, std::uint32_t elapsedMs, std::uint32_t ppm);
  // Removes what Draw put on the screen.
  void Erase(std::FILE* out);

 private:
  std::mutex mutex_;
  std::condition_variable ended_;
  bool done_ = false;
  bool failed_ = false;
  std::string error_;
  std::string info_;
  std::string info2_;
  bool drawn_ = false;
};

}  // namespace vantor::cli

#endif  // VANTOR_CLI_PROGRESS_H_
