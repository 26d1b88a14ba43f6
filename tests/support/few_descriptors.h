// Lowers the process's limit of open files (`ulimit -n`) to leave a few descriptors
// beside those open now, for as long as it lives. POSIX only.
#ifndef VANTOR_TESTS_SUPPORT_FEW_DESCRIPTORS_H_
#define VANTOR_TESTS_SUPPORT_FEW_DESCRIPTORS_H_

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/resource.h>

namespace vantor::testing {

class FewDescriptors {
 public:
  explicit FewDescriptors(rlim_t left) {
    EXPECT_EQ(::getrlimit(RLIMIT_NOFILE, &before_), 0);
    rlim_t open = 0;
    for (int fd = 0; fd < 4096; ++fd) open += ::fcntl(fd, F_GETFD) != -1;
    const struct rlimit few = {open + left, before_.rlim_max};
    EXPECT_EQ(::setrlimit(RLIMIT_NOFILE, &few), 0);
  }
  ~FewDescriptors() { ::setrlimit(RLIMIT_NOFILE, &before_); }
  FewDescriptors(const FewDescriptors&) = delete;
  FewDescriptors& operator=(const FewDescriptors&) = delete;

 private:
  struct rlimit before_;
};

}  // namespace vantor::testing

#endif  // VANTOR_TESTS_SUPPORT_FEW_DESCRIPTORS_H_
