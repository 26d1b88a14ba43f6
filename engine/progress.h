// How far a run has got, as one fraction of the whole job.
//
// JobFraction is the number the front ends show: the share of the job done, in parts
// per million. The worker raises it as the actions read and write; during a run it
// never goes back, and it is kWhole only once every result of the run is in place. A
// stopped or failed run leaves it where it was. Any thread may read it; only the
// worker running the job writes it.
//
// RunProgress is the worker's side of it, made by the runner for one run: the job is
// cut into one band per action, as wide as the bytes the action is expected to read
// and write, and what the running action says of itself ("byte X of Y of stage S") is
// placed in its band. Worker thread only.
#ifndef VANTOR_ENGINE_PROGRESS_H_
#define VANTOR_ENGINE_PROGRESS_H_

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace vantor {

class JobFraction {
 public:
  static constexpr std::uint32_t kWhole = 1000000;

  JobFraction() = default;
  // A copy of a job starts where the original stands; it is not shared.
  JobFraction(const JobFraction& other) : ppm_(other.Get()) {}
  JobFraction& operator=(const JobFraction& other) {
    ppm_.store(other.Get(), std::memory_order_relaxed);
    return *this;
  }

  // Parts per million of the job done, 0 to kWhole.
  std::uint32_t Get() const { return ppm_.load(std::memory_order_relaxed); }

  // By the worker, or by the front end before it starts one: back to 0 for a new run,
  // and up to `ppm` (never down).
  void Reset() { ppm_.store(0, std::memory_order_relaxed); }
  void Raise(std::uint32_t ppm) {
    if (ppm > Get()) ppm_.store(ppm, std::memory_order_relaxed);
  }

 private:
  std::atomic<std::uint32_t> ppm_{0};
  static_assert(std::atomic<std::uint32_t>::is_always_lock_free);
};

class RunProgress {
 public:
  // Writes into `fraction`, which must outlive it. Until Plan is called the job counts
  // as one action.
  explicit RunProgress(JobFraction& fraction);
  RunProgress(const RunProgress&) = delete;
  RunProgress& operator=(const RunProgress&) = delete;

  // The actions about to run, in their order, each by the bytes it is expected to read
  // and write (any unit will do: only the shares count). Sets the fraction to 0.
  void Plan(const std::vector<std::uint64_t>& weights);
  // Action `index` of the plan begins: the fraction is at least where its band starts.
  void StartAction(std::size_t index);
  // The running action enters stage `stage` (from 0) of its `stages` stages of equal
  // weight, one that spans `span` stages and works through `total` bytes (or any other
  // unit its Done counts in). An action that never calls it is in one stage.
  void Stage(std::size_t stage, std::size_t stages, std::uint64_t total, std::size_t span = 1);
  // The running action is `done` of the stage's total through it. Cheap: fit to be
  // called per chunk.
  void Done(std::uint64_t done);
  // Every result of the run is in place: the fraction is kWhole.
  void Complete();

 private:
  JobFraction& fraction_;
  std::vector<std::uint64_t> starts_;  // the band of action i is [starts_[i], starts_[i + 1])
  std::size_t action_ = 0;
  // The running action's stage: [first_, first_ + span_) of stages_, over total_.
  std::size_t first_ = 0;
  std::size_t span_ = 1;
  std::size_t stages_ = 1;
  std::uint64_t total_ = 0;
};

// The time a run that has taken `elapsedMs` for `ppm` parts per million of its job
// will still take at the pace it went so far, rounded up to the second; nothing while
// too little is known to tell (under 2 seconds, or under 2% of the job, or all done).
std::optional<std::uint32_t> EstimateTimeLeft(std::uint32_t elapsedMs, std::uint32_t ppm);

// The elapsed time as both front ends show it while a run lasts: "00:00:12", and once
// EstimateTimeLeft can tell, "00:00:12 (about 00:00:30 left)".
std::string FormatElapsedAndLeft(std::uint32_t elapsedMs, std::uint32_t ppm);

}  // namespace vantor

#endif  // VANTOR_ENGINE_PROGRESS_H_
