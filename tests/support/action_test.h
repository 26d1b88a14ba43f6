// The fixture of the action tests: one job run through the runner on files in a fresh
// directory, through a FaultEnv and a RecordingSink. The list is in.txt; the
// destination out.txt starts as "previous\n", so that a run that must not touch it can
// be checked.
#ifndef VANTOR_TESTS_SUPPORT_ACTION_TEST_H_
#define VANTOR_TESTS_SUPPORT_ACTION_TEST_H_

#include <gtest/gtest.h>
#include <unistd.h>

#include <memory>
#include <string>

#include "engine/runner.h"
#include "tests/support/fault_env.h"
#include "tests/support/recording_sink.h"
#include "tests/support/test_files.h"

namespace vantor::testing {

class ActionTest : public ::testing::Test {
 protected:
  ActionTest() {
    job_.inputFileName = dir_.File("in.txt");
    job_.outputFileName = dir_.File("out.txt");
    job_.tempDirectory = dir_.path();
    job_.runPermission = std::make_unique<RunPermission>();
    WriteFile(job_.outputFileName, "previous\n");
  }

  // Runs the job on in.txt as it is now; returns the error text, empty when the run
  // completed.
  std::string RunAgain() {
    job_.resultsText.clear();
    job_.runPermission->Set();
    sink_.messages.clear();
    ActionRunner(job_, sink_, &env_).Run();
    const RunnerMessage& last = sink_.messages.back();
    return last.code == WMU_ERROR ? last.text : std::string();
  }

  std::string Output() const { return ReadFile(dir_.File("out.txt")); }

  // Deletes the temporary files an error left behind.
  void RemoveTempFiles() {
    for (const std::string& name : dir_.List()) {
      if (name.rfind("vnt", 0) == 0) ::unlink(dir_.File(name).c_str());
    }
  }

  TempDir dir_;
  FaultEnv env_;
  RecordingSink sink_;
  ProcessingJob job_;
};

}  // namespace vantor::testing

#endif  // VANTOR_TESTS_SUPPORT_ACTION_TEST_H_
