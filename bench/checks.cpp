#include "bench/checks.h"

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <stdexcept>

namespace vantor::bench {

namespace {

std::uint64_t CountLines(const char* data, std::size_t n) {
  return static_cast<std::uint64_t>(std::count(data, data + n, '\n'));
}

std::uint64_t Mix64(std::uint64_t z) {
  z = (z ^ (z >> 30)) * 0xbf58476d1ce4e5b9ULL;
  z = (z ^ (z >> 27)) * 0x94d049bb133111ebULL;
  return z ^ (z >> 31);
}

char AsciiLower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

bool EqualIgnoringCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (AsciiLower(a[i]) != AsciiLower(b[i])) return false;
  }
  return true;
}

}  // namespace

std::uint64_t FileSize(const std::string& path) {
  struct stat st;
  return ::stat(path.c_str(), &st) == 0 ? static_cast<std::uint64_t>(st.st_size) : 0;
}

bool FileExists(const std::string& path) {
  struct stat st;
  return ::stat(path.c_str(), &st) == 0;
}

bool IsDirectory(const std::string& path) {
  struct stat st;
  return ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

std::vector<std::string> FileNamesIn(const std::string& dir) {
  std::vector<std::string> names;
  for (const auto& entry : std::filesystem::directory_iterator(dir)) {
    names.push_back(entry.path().filename().string());
  }
  std::sort(names.begin(), names.end());
  return names;
}

void RemoveOutput(const std::string& path) {
  if (path.empty()) return;
  if (IsDirectory(path)) {
    for (const std::string& name : FileNamesIn(path)) {
      std::error_code ignored;
      std::filesystem::remove_all(path + "/" + name, ignored);
    }
  } else {
    ::unlink(path.c_str());
  }
}

FileComparison CompareFiles(const std::string& a, const std::string& b) {
  std::ifstream fa(a, std::ios::binary);
  std::ifstream fb(b, std::ios::binary);
  if (!fa || !fb) throw std::runtime_error("cannot read " + (fa ? b : a));
  constexpr std::size_t kBlock = 1 << 20;
  std::vector<char> ba(kBlock);
  std::vector<char> bb(kBlock);
  FileComparison result;
  bool differs = false;
  for (;;) {
    fa.read(ba.data(), kBlock);
    fb.read(bb.data(), kBlock);
    const std::size_t na = static_cast<std::size_t>(fa.gcount());
    const std::size_t nb = static_cast<std::size_t>(fb.gcount());
    if (!differs) {
      const std::size_t common = std::min(na, nb);
      const auto mismatch = std::mismatch(ba.data(), ba.data() + common, bb.data());
      const std::size_t same = static_cast<std::size_t>(mismatch.first - ba.data());
      if (same < common || na != nb) {
        differs = true;
        result.firstDifferentLine = result.linesA + CountLines(ba.data(), same) + 1;
      }
    }
    result.linesA += CountLines(ba.data(), na);
    result.linesB += CountLines(bb.data(), nb);
    if (na < kBlock && nb < kBlock) break;
  }
  result.identical = !differs;
  return result;
}

std::uint64_t CountFileLines(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) throw std::runtime_error("cannot read " + path);
  std::vector<char> block(1 << 20);
  std::uint64_t lines = 0;
  while (in.read(block.data(), static_cast<std::streamsize>(block.size())) || in.gcount() > 0) {
    lines += CountLines(block.data(), static_cast<std::size_t>(in.gcount()));
  }
  return lines;
}

std::string LineOf(const std::string& path, std::uint64_t number) {
  std::ifstream in(path, std::ios::binary);
  std::string line;
  for (std::uint64_t i = 0; i < number; ++i) {
    if (!std::getline(in, line)) return "(end of file)";
  }
  return line;
}

std::string Thousands(std::uint64_t n) {
  const std::string digits = std::to_string(n);
  std::string out;
  for (std::size_t i = 0; i < digits.size(); ++i) {
    if (i > 0 && (digits.size() - i) % 3 == 0) out += ',';
    out += digits[i];
  }
  return out;
}

bool ReportIdentical(const std::string& ours, const std::string& peer, const char* peerName) {
  const FileComparison same = CompareFiles(ours, peer);
  if (same.identical) {
    std::printf("              outputs identical: %s lines\n", Thousands(same.linesA).c_str());
  } else {
    std::printf(
        "              MISMATCH: vantor-cli wrote %s lines, %s %s; first difference "
        "at line %s:\n                vantor-cli: %s\n                %-11s %s\n",
        Thousands(same.linesA).c_str(), peerName, Thousands(same.linesB).c_str(),
        Thousands(same.firstDifferentLine).c_str(), LineOf(ours, same.firstDifferentLine).c_str(),
        (std::string(peerName) + ":").c_str(), LineOf(peer, same.firstDifferentLine).c_str());
  }
  return same.identical;
}

std::string ReportLine(const std::string& reportPath, std::string_view word) {
  std::ifstream in(reportPath);
  std::string line;
  while (std::getline(in, line)) {
    if (line.find(word) != std::string::npos) {
      if (!line.empty() && line.back() == '\r') line.pop_back();
      return line;
    }
  }
  return "(no count in the report)";
}

std::optional<std::uint64_t> LeadingNumber(const std::string& line) {
  if (line.empty() || line[0] < '0' || line[0] > '9') return std::nullopt;
  return std::strtoull(line.c_str(), nullptr, 10);
}

LineReader::LineReader(const std::string& path)
    : path_(path), in_(path, std::ios::binary), buffer_(1 << 20) {
  if (!in_) throw std::runtime_error("cannot read " + path);
}

bool LineReader::Next(std::string_view* line) {
  for (;;) {
    const char* begin = buffer_.data() + at_;
    const std::size_t left = filled_ - at_;
    if (const void* lf = std::memchr(begin, '\n', left)) {
      const char* end = static_cast<const char*>(lf);
      *line = std::string_view(begin, static_cast<std::size_t>(end - begin));
      at_ += line->size() + 1;
      return true;
    }
    if (ended_) {
      if (left == 0) return false;
      *line = std::string_view(begin, left);
      at_ = filled_;
      return true;
    }
    std::memmove(buffer_.data(), begin, left);  // the start of a line that goes on
    at_ = 0;
    filled_ = left;
    if (filled_ == buffer_.size()) buffer_.resize(buffer_.size() * 2);
    in_.read(buffer_.data() + filled_, static_cast<std::streamsize>(buffer_.size() - filled_));
    const std::size_t got = static_cast<std::size_t>(in_.gcount());
    if (in_.bad()) throw std::runtime_error("cannot read " + path_);
    filled_ += got;
    ended_ = got < buffer_.size() - left;
  }
}

std::uint64_t HashLine(std::string_view line, bool ignoreCase) {
  std::uint64_t h = 0xcbf29ce484222325ULL;
  if (ignoreCase) {
    for (const char c : line) {
      h = (h ^ static_cast<unsigned char>(AsciiLower(c))) * 0x100000001b3ULL;
    }
  } else {
    for (const char c : line) h = (h ^ static_cast<unsigned char>(c)) * 0x100000001b3ULL;
  }
  return Mix64(h ^ line.size());
}

void LinesSignature::Add(std::string_view line) {
  const std::uint64_t h = HashLine(line);
  ++lines;
  sum += h;
  sumOfMixed += Mix64(h ^ 0x5bd1e9955bd1e995ULL);
}

std::string CheckDedupedSort(const std::string& ours, const std::string& unique,
                             std::uint64_t* oursLines) {
  // Walks ours and sort -u's output side by side up to the first thing wrong, if any.
  std::string problem;
  std::uint64_t lines = 0;
  std::vector<std::uint64_t> dropped;  // lower-case hashes of sort -u's lines not in ours
  {
    LineReader oursReader(ours);
    LineReader peerReader(unique);
    std::string previous;
    std::string_view o;
    std::string_view u;
    bool haveU = peerReader.Next(&u);
    while (oursReader.Next(&o)) {
      ++lines;
      if (!problem.empty()) continue;
      const std::string at = "line " + Thousands(lines) + " of vantor-cli's output ";
      if (lines > 1 && !(std::string_view(previous) < o)) {
        problem = at + "is not above the line before it: " + std::string(o);
        continue;
      }
      if (lines > 1 && EqualIgnoringCase(previous, o)) {
        problem = at + "equals the line before it ignoring case: " + std::string(o);
        continue;
      }
      while (haveU && u < o) {
        dropped.push_back(HashLine(u, /*ignoreCase=*/true));
        haveU = peerReader.Next(&u);
      }
      if (!haveU || u != o) {
        problem = at + "is not in sort -u's output: " + std::string(o);
        continue;
      }
      haveU = peerReader.Next(&u);
      previous.assign(o);
    }
    while (problem.empty() && haveU) {
      dropped.push_back(HashLine(u, /*ignoreCase=*/true));
      haveU = peerReader.Next(&u);
    }
  }
  if (problem.empty()) {
    // Each line of sort -u's output that ours lacks must be there in another case.
    std::sort(dropped.begin(), dropped.end());
    dropped.erase(std::unique(dropped.begin(), dropped.end()), dropped.end());
    std::vector<bool> covered(dropped.size());
    LineReader oursReader(ours);
    std::string_view o;
    while (oursReader.Next(&o)) {
      const std::uint64_t h = HashLine(o, /*ignoreCase=*/true);
      const auto it = std::lower_bound(dropped.begin(), dropped.end(), h);
      if (it != dropped.end() && *it == h) {
        covered[static_cast<std::size_t>(it - dropped.begin())] = true;
      }
    }
    const auto uncovered = std::count(covered.begin(), covered.end(), false);
    if (uncovered > 0) {
      problem = Thousands(static_cast<std::uint64_t>(uncovered)) +
                " line(s) of sort -u's output are not in vantor-cli's in any letter case";
    }
  }
  *oursLines = lines;
  return problem;
}

ShuffleCheck CheckShuffle(const std::string& output, const std::string& input,
                          LinesSignature* inputSignature) {
  ShuffleCheck check;
  LineReader out(output);
  LineReader in(input);
  std::string previous;
  std::string_view o;
  std::string_view i;
  bool haveIn = true;
  while (out.Next(&o)) {
    if (check.signature.lines > 0 && std::string_view(previous) < o) ++check.ascending;
    check.signature.Add(o);
    if (haveIn) haveIn = in.Next(&i);
    if (haveIn) {
      if (inputSignature) inputSignature->Add(i);
      if (i == o) ++check.inPlace;
    }
    previous.assign(o);
  }
  if (inputSignature) {
    while (haveIn && (haveIn = in.Next(&i))) inputSignature->Add(i);
  }
  return check;
}

SublistCheck::SublistCheck(const std::string& path) {
  LineReader reader(path);
  std::string_view line;
  while (reader.Next(&line)) {
    ++lines_;
    ++counts_[HashLine(line)].taken;
  }
}

void SublistCheck::See(std::uint64_t hash, bool firstHalf) {
  const auto it = counts_.find(hash);
  if (it == counts_.end()) return;
  ++it->second.inList;
  if (firstHalf) ++it->second.inFirstHalf;
}

std::uint64_t SublistCheck::Unaccounted() const {
  std::uint64_t n = 0;
  for (const auto& [hash, c] : counts_) n += c.taken - std::min(c.taken, c.inList);
  return n;
}

double SublistCheck::FirstHalfPercent() const {
  double sum = 0;
  for (const auto& [hash, c] : counts_) {
    if (c.inList > 0) {
      sum += static_cast<double>(c.taken) * static_cast<double>(c.inFirstHalf) /
             static_cast<double>(c.inList);
    }
  }
  return 100.0 * sum / static_cast<double>(std::max<std::uint64_t>(lines_, 1));
}

std::uint64_t SeeList(const std::string& list, std::uint64_t listLines, const std::string& oursPath,
                      SublistCheck* ours, SublistCheck* peer) {
  LineReader listReader(list);
  LineReader oursReader(oursPath);
  std::string_view l;
  std::string_view o;
  bool haveO = oursReader.Next(&o);
  std::uint64_t at = 0;
  std::uint64_t inOrder = 0;
  while (listReader.Next(&l)) {
    const std::uint64_t h = HashLine(l);
    const bool firstHalf = at < listLines / 2;
    ours->See(h, firstHalf);
    peer->See(h, firstHalf);
    if (haveO && l == o) {
      ++inOrder;
      haveO = oursReader.Next(&o);
    }
    ++at;
  }
  return inOrder;
}

std::vector<std::string> NumberedParts(const std::string& dir, std::string* problem) {
  const std::vector<std::string> names = FileNamesIn(dir);
  std::vector<std::string> parts;
  std::vector<std::string> partNames;
  for (std::size_t n = 1;; ++n) {
    const std::string name = "out" + std::to_string(n) + ".txt";
    if (!std::binary_search(names.begin(), names.end(), name)) break;
    parts.push_back(dir + "/" + name);
    partNames.push_back(name);
  }
  std::sort(partNames.begin(), partNames.end());
  for (const std::string& name : names) {
    if (!std::binary_search(partNames.begin(), partNames.end(), name)) {
      *problem = "vantor-cli left " + name + " beside its " + Thousands(parts.size()) + " parts";
      break;
    }
  }
  return parts;
}

bool ConcatenationEquals(const std::vector<std::string>& files, const std::string& whole,
                         std::string* problem) {
  std::ifstream w(whole, std::ios::binary);
  if (!w) throw std::runtime_error("cannot read " + whole);
  constexpr std::size_t kBlock = 1 << 20;
  std::vector<char> a(kBlock);
  std::vector<char> b(kBlock);
  std::uint64_t offset = 0;
  for (const std::string& file : files) {
    std::ifstream f(file, std::ios::binary);
    if (!f) throw std::runtime_error("cannot read " + file);
    for (;;) {
      f.read(a.data(), kBlock);
      const std::size_t n = static_cast<std::size_t>(f.gcount());
      if (n == 0) break;
      w.read(b.data(), static_cast<std::streamsize>(n));
      const std::size_t m = static_cast<std::size_t>(w.gcount());
      const std::size_t common = std::min(n, m);
      const std::size_t same = static_cast<std::size_t>(
          std::mismatch(a.data(), a.data() + common, b.data()).first - a.data());
      if (same < n) {
        *problem = same < m ? "the parts differ from the list at its byte " +
                                  Thousands(offset + same) + ", in " + file
                            : "the parts go on after the list's end, in " + file;
        return false;
      }
      offset += n;
    }
  }
  w.read(b.data(), 1);
  if (w.gcount() != 0) {
    *problem = "the parts end at byte " + Thousands(offset) + ", before the list does";
    return false;
  }
  return true;
}

std::string CompareParts(const std::vector<std::string>& ours, const std::vector<std::string>& peer,
                         std::uint64_t maxLines, std::uint64_t maxBytes,
                         std::uint64_t* largestLines, std::uint64_t* largestBytes) {
  *largestLines = 0;
  *largestBytes = 0;
  for (std::size_t i = 0; i < ours.size(); ++i) {
    const FileComparison same = CompareFiles(ours[i], peer[i]);
    *largestLines = std::max(*largestLines, same.linesA);
    *largestBytes = std::max(*largestBytes, FileSize(ours[i]));
    if (!same.identical) {
      return "part " + Thousands(i + 1) + " differs from split's at its line " +
             Thousands(same.firstDifferentLine);
    }
  }
  if (maxLines > 0 && *largestLines > maxLines) {
    return "a part holds " + Thousands(*largestLines) + " lines";
  }
  if (maxBytes > 0 && *largestBytes > maxBytes) {
    return "a part holds " + Thousands(*largestBytes) + " bytes";
  }
  return "";
}

}  // namespace vantor::bench
