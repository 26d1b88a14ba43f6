// Realistic e-mail lists and filter files for the benchmarks. The same seed gives the
// same bytes on every machine: the generator draws from its own Rng, never from the
// standard distributions, whose results differ between libraries.
#ifndef VANTOR_BENCH_LIST_GENERATOR_H_
#define VANTOR_BENCH_LIST_GENERATOR_H_

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace vantor::bench {

// xoshiro256**, seeded through splitmix64.
class Rng {
 public:
  explicit Rng(std::uint64_t seed);
  std::uint64_t Next();
  // Uniform in [0, n); n > 0.
  std::uint32_t Below(std::uint32_t n) {
    return static_cast<std::uint32_t>(((Next() >> 32) * n) >> 32);
  }
  // Uniform in [0, 1).
  double Unit() { return static_cast<double>(Next() >> 11) * 0x1.0p-53; }
  bool Chance(double p) { return Unit() < p; }
  template <typename T, std::size_t N>
  const T& Pick(const T (&items)[N]) {
    return items[Below(static_cast<std::uint32_t>(N))];
  }

 private:
  std::uint64_t s_[4];
};

struct ListStats {
  std::uint64_t bytes = 0;
  std::uint64_t addresses = 0;
  std::uint64_t providerAddresses = 0;  // at one of the large providers
  std::uint64_t exactDuplicates = 0;
  std::uint64_t caseDuplicates = 0;  // an earlier address with other letter case
};

class ListGenerator;

// The addresses of one list, in order. Sources made from the same generator with
// different stream numbers share the domains but not the addresses (apart from the
// odd coincidence), as separately collected lists would.
class AddressSource {
 public:
  AddressSource(const ListGenerator& generator, std::uint64_t stream);
  // Replaces `*address` with the next address, without line end.
  void Next(std::string* address);
  const ListStats& stats() const { return stats_; }

 private:
  void MakeUser(bool atProvider, std::string* out);
  // Appends a domain; true when it is a large provider's.
  bool MakeDomain(std::string* out);
  void Remember(const std::string& address);

  const ListGenerator& generator_;
  Rng rng_;
  // A uniform sample of the earlier addresses, from which duplicates are drawn.
  std::vector<std::string> earlier_;
  ListStats stats_;
};

class ListGenerator {
 public:
  // Makes the domains from `seed`: a few large providers that take about half of the
  // addresses and `tailDomains` others whose popularity falls off as in a Zipf law.
  explicit ListGenerator(std::uint64_t seed, std::size_t tailDomains = 50000);

  // Writes the addresses of `stream` to `path`, one per LF-ended line, as many as fit
  // in `bytes` (the file falls short of it by less than one address). Throws
  // std::runtime_error when the file cannot be written.
  ListStats WriteList(const std::string& path, std::uint64_t bytes, std::uint64_t stream = 0) const;

  // Writes `count` distinct fragments to `path`, one per LF-ended line, in mixed
  // letter case: whole domains ("@name.tld", some without the '@'), parts of domain
  // names and parts of user names. Some occur in the lists of this generator, so that
  // about a tenth of their addresses contain one; the rest occur nowhere. Throws
  // std::runtime_error when the file cannot be written.
  void WriteFilter(const std::string& path, std::size_t count, std::uint64_t stream = 0) const;

  std::uint64_t seed() const { return seed_; }

 private:
  friend class AddressSource;

  struct Provider {
    std::string_view name;
    double share;  // of all addresses
  };

  std::string NewDomainName(Rng& rng) const;
  // A tail domain drawn by popularity.
  std::size_t DrawTail(Rng& rng) const;

  std::uint64_t seed_;
  std::vector<Provider> providers_;
  double providerShare_ = 0;
  std::vector<std::string> tail_;
  std::vector<double> tailCumulative_;  // running sum of the weights, last is 1
};

}  // namespace vantor::bench

#endif  // VANTOR_BENCH_LIST_GENERATOR_H_
