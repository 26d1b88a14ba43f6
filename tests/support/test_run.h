// A run's state without the runner, for tests of what an action or its helpers do with
// it: the job's commit (never carried out), its temporary files and the RunContext over
// them, whose chain starts at the job's list and has no destination target.
#ifndef VANTOR_TESTS_SUPPORT_TEST_RUN_H_
#define VANTOR_TESTS_SUPPORT_TEST_RUN_H_

#include <optional>

#include "engine/commit.h"
#include "engine/job.h"
#include "engine/run_context.h"
#include "engine/temp_files.h"

namespace vantor::testing {

struct TestRun {
  // `job`, `sink` and `env` must outlive it; the job's temporary directory is set.
  TestRun(ProcessingJob& job, MessageSink& sink, Env* env)
      : commit(env),
        temps(env, commit, job.tempDirectory),
        run(job, sink, env, commit, temps, job.inputFileName, job.outputFileName, std::nullopt, 1) {
  }

  JobCommit commit;
  TempFiles temps;
  RunContext run;
};

}  // namespace vantor::testing

#endif  // VANTOR_TESTS_SUPPORT_TEST_RUN_H_
