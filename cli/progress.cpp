#include "cli/progress.h"

#include <chrono>

#include "cli/console.h"
#include "engine/format.h"
#include "engine/progress.h"

namespace vantor::cli {

void ProgressSink::Post(RunnerMessage message) {
  std::lock_guard<std::mutex> lock(mutex_);
  switch (message.code) {
    case WMU_INFO:
      info_ = std::move(message.text);
      break;
    case WMU_INFO2:
      info2_ = std::move(message.text);
      break;
    case WMU_ERROR:
      failed_ = true;
      error_ = std::move(message.text);
      done_ = true;
      ended_.notify_all();
      break;
    case WMU_DONE:
      done_ = true;
      ended_.notify_all();
      break;
    case WMU_ACTION_START:
    case WMU_ACTION_END:
      break;
  }
}

bool ProgressSink::WaitForEnd(int ms) {
  std::unique_lock<std::mutex> lock(mutex_);
  return ended_.wait_for(lock, std::chrono::milliseconds(ms), [this] { return done_; });
}

void ProgressSink::Draw(std::FILE* out, std::uint32_t elapsedMs, std::uint32_t ppm) {
  std::string info, info2;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    info = info_;
    info2 = info2_;
  }
  // A line wider than the terminal would wrap and throw the cursor off by a line.
  if (const std::size_t columns = TerminalWidth(out); columns > 1) {
    const std::size_t width = columns - 1u;
    if (info.size() > width) info.resize(width);
    if (info2.size() > width) info2.resize(width);
  }
  // Back to the first of the three lines, each rewritten and cleared to its end.
  if (drawn_) std::fputs("\r\033[2A", out);
  // Whole percents, rounded down: 100% only once the job is done.
  std::fprintf(out, "%s\033[K\n%s\033[K\nTime elapsed: %s, %u%% done\033[K", info2.c_str(),
               info.c_str(), FormatElapsedAndLeft(elapsedMs, ppm).c_str(),
               static_cast<unsigned>(ppm / (JobFraction::kWhole / 100)));
  std::fflush(out);
  drawn_ = true;
}

void ProgressSink::Erase(std::FILE* out) {
  if (!drawn_) return;
  std::fputs("\r\033[2A\033[J", out);
  std::fflush(out);
  drawn_ = false;
}

}  // namespace vantor::cli
