#include "engine/progress.h"

#include <algorithm>

#include "engine/format.h"

namespace vantor {

namespace {

constexpr std::uint32_t kLeastElapsedMs = 2000;
constexpr std::uint32_t kLeastDone = JobFraction::kWhole / 50;

// Short of the whole: only Complete says the job is done, however far the last action
// believes it got.
constexpr std::uint32_t kMostBeforeEnd = JobFraction::kWhole - 1;

std::uint32_t PartsPerMillion(long double share) {
  const long double ppm = std::clamp(share, 0.0L, 1.0L) * JobFraction::kWhole;
  return std::min(static_cast<std::uint32_t>(ppm), kMostBeforeEnd);
}

}  // namespace

RunProgress::RunProgress(JobFraction& fraction) : fraction_(fraction), starts_{0, 1} {}

void RunProgress::Plan(const std::vector<std::uint64_t>& weights) {
  starts_.assign(1, 0);
  for (std::uint64_t weight : weights) {
    // An empty list still takes a step of its own: its action is not over before it began.
    starts_.push_back(starts_.back() + std::max<std::uint64_t>(weight, 1));
  }
  if (weights.empty()) starts_.push_back(1);
  action_ = 0;
  fraction_.Reset();
}

void RunProgress::StartAction(std::size_t index) {
  action_ = std::min(index, starts_.size() - 2);
  Stage(0, 1, 0);
}

void RunProgress::Stage(std::size_t stage, std::size_t stages, std::uint64_t total,
                        std::size_t span) {
  stages_ = std::max<std::size_t>(stages, 1);
  first_ = std::min(stage, stages_ - 1);
  span_ = std::clamp<std::size_t>(span, 1, stages_ - first_);
  total_ = total;
  Done(0);
}

void RunProgress::Done(std::uint64_t done) {
  // A stage of nothing to do is done when the next one begins.
  const long double inStage =
      total_ == 0 ? 0.0L : static_cast<long double>(std::min(done, total_)) / total_;
  const long double inAction = (first_ + span_ * inStage) / stages_;
  const long double from = starts_[action_];
  const long double width = starts_[action_ + 1] - from;
  fraction_.Raise(PartsPerMillion((from + width * inAction) / starts_.back()));
}

void RunProgress::Complete() { fraction_.Raise(JobFraction::kWhole); }

std::optional<std::uint32_t> EstimateTimeLeft(std::uint32_t elapsedMs, std::uint32_t ppm) {
  if (elapsedMs < kLeastElapsedMs || ppm < kLeastDone || ppm >= JobFraction::kWhole) {
    return std::nullopt;
  }
  const std::uint64_t left =
      static_cast<std::uint64_t>(elapsedMs) * (JobFraction::kWhole - ppm) / ppm;
  // A run not yet done has a second left at least: "about 00:00:00 left" is no answer.
  const std::uint64_t seconds = std::max<std::uint64_t>((left + 999) / 1000, 1);
  return static_cast<std::uint32_t>(std::min<std::uint64_t>(seconds * 1000, UINT32_MAX));
}

std::string FormatElapsedAndLeft(std::uint32_t elapsedMs, std::uint32_t ppm) {
  std::string text = FormatElapsed(elapsedMs);
  if (const std::optional<std::uint32_t> left = EstimateTimeLeft(elapsedMs, ppm)) {
    text += " (about " + FormatElapsed(*left) + " left)";
  }
  return text;
}

}  // namespace vantor
