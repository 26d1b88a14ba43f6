#include "engine/merge_tree.h"

#include <algorithm>
#include <cstring>
#include <memory>
#include <utility>
#include <vector>

#include "engine/list_reader.h"
#include "engine/list_writer.h"
#include "engine/ordering.h"
#include "engine/platform/tasks.h"
#include "engine/progress.h"
#include "engine/run_context.h"
#include "engine/texts.h"

namespace vantor {

namespace {

// All the part files read at once share this much buffer. With short lines their
// records take more than the lines: a list of 10-byte lines needs 2.6 times as much.
constexpr std::size_t kLeafBuffers = 24 << 20;
constexpr std::uint32_t kSmallestLeafChunk = 64 << 10;
constexpr std::uint32_t kLinesPerReport = 1 << 16;

// A line on its way up the tree, with the sixteen bytes that settle most comparisons
// (lines next to each other in the order often share the first eight).
struct Head {
  const LineRecord* line;
  std::uint64_t prefix;
  std::uint64_t next;  // the eight bytes after the prefix
  bool exact;
  bool nextExact;
};

// Which of two lines goes first: by the sixteen bytes where they settle it, else by the
// comparator.
int Order(const Head& a, const Head& b, LineComparator compare) {
  if (a.exact && b.exact) {
    if (a.prefix != b.prefix) return a.prefix < b.prefix ? -1 : 1;
    if (a.nextExact && b.nextExact && a.next != b.next) return a.next < b.next ? -1 : 1;
  }
  return compare(*a.line, *b.line);
}

class MergeNode;

class Node {
 public:
  virtual ~Node() = default;
  // The node's next line, or null at its end. The line stays valid until the caller
  // asks again.
  virtual const Head* Next() = 0;
};

// One part file, read chunk by chunk.
class Leaf final : public Node {
 public:
  Leaf(RunContext& run, const std::string& name, std::uint32_t chunk, RearrangeMode mode, bool fold)
      : run_(run), mode_(mode), fold_(fold), reader_(run.env(), KeyModeFor(mode)) {
    reader_.KeepLinesWhole();
    reader_.Open(name, chunk);
  }

  // The merges above this file, whose memory of the last line written may point into
  // its buffer.
  void AddAncestor(MergeNode* node) { ancestors_.push_back(node); }

  const Head* Next() override;

 private:
  RunContext& run_;
  RearrangeMode mode_;
  bool fold_;
  ListReader reader_;
  std::vector<MergeNode*> ancestors_;
  const LineRecord* at_ = nullptr;
  const LineRecord* end_ = nullptr;
  bool done_ = false;
  Head head_{};
};

// One pairwise merge: the left file was taken first from the queue.
class MergeNode final : public Node {
 public:
  MergeNode(LineComparator compare, bool removeDuplicates, std::uint64_t* duplicates)
      : compare_(compare), removeDuplicates_(removeDuplicates), duplicates_(duplicates) {}

  void SetInputs(Node* left, Node* right) {
    left_ = left;
    right_ = right;
  }

  const Head* Next() override {
    for (;;) {
      if (needLeft_) {
        a_ = left_->Next();
        needLeft_ = false;
      }
      if (needRight_) {
        b_ = right_->Next();
        needRight_ = false;
      }
      const Head* out;
      if (a_ && (!b_ || Order(*a_, *b_, compare_) < 0)) {
        out = a_;
        needLeft_ = true;
      } else if (b_) {
        out = b_;  // on equal lines the right one goes first
        needRight_ = true;
      } else {
        return nullptr;
      }
      if (removeDuplicates_) {
        if (last_.Repeats(*out->line)) {
          ++*duplicates_;
          continue;
        }
        last_.Set(*out->line);
      }
      return out;
    }
  }

  // Keeps its own copy of the last line written when that line lies in
  // [begin, end), a buffer about to be refilled.
  void DetachFrom(const char* begin, const char* end) { last_.DetachFrom(begin, end); }

 private:
  Node* left_ = nullptr;
  Node* right_ = nullptr;
  LineComparator compare_;
  bool removeDuplicates_;
  std::uint64_t* duplicates_;
  const Head* a_ = nullptr;
  const Head* b_ = nullptr;
  bool needLeft_ = true;
  bool needRight_ = true;
  LastLine last_;
};

// The merge of many nodes at once, where no duplicate is removed: a tournament tree that
// keeps the loser of each match, so that the next line takes one comparison a level on
// its way up and no call. Of lines that compare equal, those of a later node come
// first, as they do when each merge of two puts its second input first on ties.
class LoserTree final : public Node {
 public:
  LoserTree(LineComparator compare, std::vector<Node*> inputs)
      : compare_(compare), inputs_(std::move(inputs)) {}

  const Head* Next() override {
    const std::size_t count = inputs_.size();
    if (heads_.empty()) {
      heads_.resize(count);
      for (std::size_t i = 0; i < count; ++i) heads_[i] = inputs_[i]->Next();
      // Input i is leaf count + i of the tree; node p's children are 2p and 2p + 1.
      std::vector<std::size_t> winners(2 * count);
      for (std::size_t i = 0; i < count; ++i) winners[count + i] = i;
      losers_.resize(count);
      for (std::size_t p = count - 1; p >= 1; --p) {
        const std::size_t left = winners[2 * p];
        const std::size_t right = winners[2 * p + 1];
        const bool leftFirst = Before(left, right);
        winners[p] = leftFirst ? left : right;
        losers_[p] = leftFirst ? right : left;
      }
      winner_ = winners[1];
    } else {
      // The line given last was the winner's: its input moves on, and its next line
      // plays the losers on the way up.
      std::size_t i = winner_;
      heads_[i] = inputs_[i]->Next();
      for (std::size_t p = (count + i) / 2; p >= 1; p /= 2) {
        if (Before(losers_[p], i)) std::swap(losers_[p], i);
      }
      winner_ = i;
    }
    return heads_[winner_];
  }

 private:
  // Whether input i's line goes before input j's: an input at its end goes last.
  bool Before(std::size_t i, std::size_t j) const {
    const Head* a = heads_[i];
    const Head* b = heads_[j];
    if (!a || !b) return a != nullptr;
    const int order = Order(*a, *b, compare_);
    return order < 0 || (order == 0 && i > j);
  }

  LineComparator compare_;
  std::vector<Node*> inputs_;
  std::vector<const Head*> heads_;   // each input's line, null at its end
  std::vector<std::size_t> losers_;  // of the match at each inner node, from 1
  std::size_t winner_ = 0;
};

const Head* Leaf::Next() {
  while (at_ == end_) {
    if (done_) return nullptr;
    // The refill overwrites the buffer; also a stop is noticed here, within a chunk.
    const char* begin = reader_.buffer();
    const char* end = begin + reader_.chunkSize() + 2;
    for (MergeNode* node : ancestors_) node->DetachFrom(begin, end);
    if (!run_.KeepRunning() || !reader_.ReadChunk()) {
      done_ = true;
      reader_.Close();
      return nullptr;
    }
    at_ = reader_.lines().records();
    end_ = at_ + reader_.lines().count();
  }
  head_.line = at_++;
  head_.prefix = SortPrefix(*head_.line, mode_, &head_.exact, 0, fold_);
  head_.next = SortPrefix(*head_.line, mode_, &head_.nextExact, 8, fold_);
  return &head_;
}

// The lines of one subtree, merged on the helper thread and handed to the main one in
// batches: each line's bytes copied with the byte after it, so that the subtree's
// buffers can be refilled meanwhile. The helper fills one batch while the main thread
// reads the other.
class Handoff {
 public:
  static constexpr std::size_t kBatchBytes = 1 << 20;
  static constexpr std::size_t kBatchLines = 1 << 16;

  struct Entry {
    LineRecord line;
    std::uint64_t prefix;
    std::uint64_t next;
    bool exact;
    bool nextExact;
  };
  struct Batch {
    std::vector<char> bytes;  // the lines, then at least ListReader::kSlack bytes
    std::size_t used = 0;
    std::vector<Entry> entries;
    bool last = false;  // the subtree has no more lines
  };

  Handoff() {
    for (Batch& batch : batches_) {
      batch.bytes.resize(kBatchBytes + ListReader::kSlack);
      batch.entries.reserve(kBatchLines);
    }
  }

  // Starts merging `source` into the first batch on `helper`. Stop must be called
  // before the source goes.
  void Begin(TaskQueue& helper, Node* source) {
    helper_ = &helper;
    source_ = source;
    Fill(&batches_[0]);
  }
  // The next batch of lines, waiting for it; the batch the main thread read before is
  // filled again meanwhile, unless this is the last. Raises the error the helper met.
  Batch* TakeFull() {
    helper_->Wait();
    Batch* ready = std::exchange(filling_, nullptr);
    if (!ready->last) Fill(ready == &batches_[0] ? &batches_[1] : &batches_[0]);
    return ready;
  }
  // Waits for a batch still being filled. What the helper met there is dropped: the
  // merge is ending anyway.
  void Stop() {
    if (!filling_) return;
    try {
      helper_->Wait();
    } catch (...) {
    }
    filling_ = nullptr;
  }

 private:
  void Fill(Batch* batch) {
    filling_ = batch;
    helper_->Start([this, batch] { Produce(batch); });
  }

  // Merges the source's next lines into `batch`, on the helper thread.
  void Produce(Batch* batch) {
    batch->used = 0;
    batch->entries.clear();
    batch->last = false;
    while (batch->entries.size() < kBatchLines) {
      const Head* head = carried_ ? carried_ : source_->Next();
      carried_ = nullptr;
      if (!head) {
        batch->last = true;
        break;
      }
      const std::size_t n = static_cast<std::size_t>(head->line->length) + 1;
      if (batch->used + n + ListReader::kSlack > batch->bytes.size()) {
        if (!batch->entries.empty()) {
          carried_ = head;  // valid until the source is asked again
          break;
        }
        batch->bytes.resize(n + ListReader::kSlack);
      }
      char* text = batch->bytes.data() + batch->used;
      std::memcpy(text, head->line->text, n);
      batch->entries.push_back(Entry{LineRecord{text, head->line->key, head->line->length},
                                     head->prefix, head->next, head->exact, head->nextExact});
      batch->used += n;
    }
  }

  Batch batches_[2];
  TaskQueue* helper_ = nullptr;
  Node* source_ = nullptr;
  Batch* filling_ = nullptr;       // the batch the helper is given
  const Head* carried_ = nullptr;  // taken from the source, for the next batch
};

// The lines of a Handoff, read on the main thread.
class Remote final : public Node {
 public:
  explicit Remote(Handoff& handoff) : handoff_(handoff) {}

  void AddAncestor(MergeNode* node) { ancestors_.push_back(node); }

  const Head* Next() override {
    while (at_ == end_) {
      if (batch_) {
        const char* begin = batch_->bytes.data();
        for (MergeNode* node : ancestors_) node->DetachFrom(begin, begin + batch_->bytes.size());
        const bool last = batch_->last;
        batch_ = nullptr;
        if (last) done_ = true;
      }
      if (done_) return nullptr;
      batch_ = handoff_.TakeFull();
      at_ = batch_->entries.data();
      end_ = at_ + batch_->entries.size();
    }
    const Handoff::Entry& entry = *at_++;
    head_ = Head{&entry.line, entry.prefix, entry.next, entry.exact, entry.nextExact};
    return &head_;
  }

 private:
  Handoff& handoff_;
  std::vector<MergeNode*> ancestors_;
  Handoff::Batch* batch_ = nullptr;
  const Handoff::Entry* at_ = nullptr;
  const Handoff::Entry* end_ = nullptr;
  bool done_ = false;
  Head head_{};
};

// Runs the producer of a Handoff on the helper thread; waits for it when it goes, also
// when an error ends the merge early.
class ProducerRun {
 public:
  ProducerRun(TaskQueue& helper, Handoff& handoff, Node* source) : handoff_(handoff) {
    handoff_.Begin(helper, source);
  }
  ~ProducerRun() { handoff_.Stop(); }
  ProducerRun(const ProducerRun&) = delete;
  ProducerRun& operator=(const ProducerRun&) = delete;

 private:
  Handoff& handoff_;
};

// The pairwise merges as the queue makes them: a node is a file, or the merge of two
// earlier nodes.
struct PlanNode {
  std::string file;  // set for a file
  int left = -1;
  int right = -1;
  std::size_t files = 1;  // files below it
};

class TreeMerger {
 public:
  TreeMerger(RunContext& run, std::deque<std::string>& queue, ListWriter& writer)
      : run_(run), job_(run.job()), queue_(queue), writer_(writer) {}

  bool Run() {
    std::deque<std::string>& queue = queue_;
    std::deque<int> order;
    for (const std::string& name : queue) {
      plan_.push_back(PlanNode{name});
      order.push_back(static_cast<int>(plan_.size() - 1));
    }
    const std::size_t maxFiles = std::max<std::size_t>(run_.chunkSizes().mergeFanIn, 2);
    while (order.size() >= 2) {
      const int a = order.front();
      order.pop_front();
      const int b = order.front();
      order.pop_front();
      run_.PostInfo(MergingTempFilesText(order.size()));
      // Too many files at once: what is below each side is merged into a file first.
      if (plan_[a].files + plan_[b].files > maxFiles) {
        if (!Materialize(a, false) || !Materialize(b, false)) return false;
      }
      plan_.push_back(PlanNode{std::string(), a, b, plan_[a].files + plan_[b].files});
      order.push_back(static_cast<int>(plan_.size() - 1));
    }
    return Materialize(order.front(), true);
  }

 private:
  // Merges what is below node `n` into a new file, which takes its place.
  bool Materialize(int n, bool last) {
    if (plan_[n].left < 0) return true;
    std::vector<std::unique_ptr<Node>> nodes;
    std::vector<std::string> files;
    std::vector<MergeNode*> path;
    const std::uint32_t share =
        std::max(static_cast<std::uint32_t>(kLeafBuffers / plan_[n].files), kSmallestLeafChunk);
    const std::uint32_t chunk = std::min(share, run_.chunkSizes().merge);
    // One side of the merge is merged on the helper thread, the one of more files: this
    // thread has the merge itself and the writing besides. The helper's merges count
    // their duplicates apart: they are added when it is done.
    std::uint64_t helperDuplicates = 0;
    auto root = std::make_unique<MergeNode>(ComparatorFor(job_.rearrangeMode, job_.foldCase),
                                            job_.removeDuplicates, &run_.duplicatesFound());
    auto handoff = std::make_unique<Handoff>();
    auto remote = std::make_unique<Remote>(*handoff);
    remote->AddAncestor(root.get());
    const int sides[2] = {plan_[n].left, plan_[n].right};
    const int helped = plan_[sides[0]].files >= plan_[sides[1]].files ? 0 : 1;
    Node* inputs[2];
    Node* helperSide = nullptr;
    for (int side = 0; side < 2; ++side) {
      if (side == helped) {
        helperSide = Build(sides[side], chunk, &nodes, &files, &path, &helperDuplicates);
        inputs[side] = remote.get();
      } else {
        path.push_back(root.get());
        inputs[side] = Build(sides[side], chunk, &nodes, &files, &path, &run_.duplicatesFound());
        path.pop_back();
      }
    }
    root->SetInputs(inputs[0], inputs[1]);

    writer_.CreateTemp(last && run_.CommitIsFinal());
    const std::string name = writer_.name();
    queue_.push_back(name);
    {
      // Declared after the nodes: the helper is done with them before they go.
      ProducerRun producer(helper_, *handoff, helperSide);
      // The bytes written tell the progress how far the merge is; the lines are counted
      // so that it is asked only now and then.
      std::uint32_t sinceReport = 0;
      while (const Head* head = root->Next()) {
        writer_.WriteLine(*head->line);
        written_ += static_cast<std::uint64_t>(head->line->length) + 1;
        if (++sinceReport == kLinesPerReport) {
          run_.progress().Done(written_);
          sinceReport = 0;
        }
      }
      run_.progress().Done(written_);
    }
    run_.duplicatesFound() += helperDuplicates;
    if (!run_.KeepRunning()) return false;
    writer_.Finish(/*sync=*/last && run_.CommitIsFinal());
    nodes.clear();
    for (const std::string& file : files) {
      run_.temps().Delete(file);
      auto& queue = queue_;
      queue.erase(std::find(queue.begin(), queue.end(), file));
    }
    plan_[n] = PlanNode{name};
    return true;
  }

  // The nodes below plan node `n`, each file read in chunks of `chunk` bytes; their
  // merges count the duplicates they drop in `duplicates`.
  Node* Build(int n, std::uint32_t chunk, std::vector<std::unique_ptr<Node>>* nodes,
              std::vector<std::string>* files, std::vector<MergeNode*>* path,
              std::uint64_t* duplicates) {
    const PlanNode& node = plan_[n];
    if (node.left < 0) {
      auto leaf = std::make_unique<Leaf>(run_, node.file, chunk, job_.rearrangeMode, job_.foldCase);
      for (MergeNode* ancestor : *path) leaf->AddAncestor(ancestor);
      files->push_back(node.file);
      nodes->push_back(std::move(leaf));
      return nodes->back().get();
    }
    if (!job_.removeDuplicates) {
      // Without duplicates to remove, a merge of merges gives the lines of all its files
      // in order, whatever the shape: one tournament of all of them does it.
      std::vector<Node*> inputs;
      AddLeaves(n, chunk, nodes, files, path, &inputs);
      nodes->push_back(std::make_unique<LoserTree>(ComparatorFor(job_.rearrangeMode, job_.foldCase),
                                                   std::move(inputs)));
      return nodes->back().get();
    }
    // Children first in the order the merge opens them: the left file, then the right.
    auto merge = std::make_unique<MergeNode>(ComparatorFor(job_.rearrangeMode, job_.foldCase),
                                             job_.removeDuplicates, duplicates);
    MergeNode* self = merge.get();
    nodes->push_back(std::move(merge));
    const int left = node.left;
    const int right = node.right;
    path->push_back(self);
    Node* leftNode = Build(left, chunk, nodes, files, path, duplicates);
    Node* rightNode = Build(right, chunk, nodes, files, path, duplicates);
    path->pop_back();
    self->SetInputs(leftNode, rightNode);
    return self;
  }

  // The files below plan node `n`, left to right, opened as leaves.
  void AddLeaves(int n, std::uint32_t chunk, std::vector<std::unique_ptr<Node>>* nodes,
                 std::vector<std::string>* files, std::vector<MergeNode*>* path,
                 std::vector<Node*>* leaves) {
    const PlanNode& node = plan_[n];
    if (node.left < 0) {
      leaves->push_back(Build(n, chunk, nodes, files, path, nullptr));
      return;
    }
    const int left = node.left;
    const int right = node.right;
    AddLeaves(left, chunk, nodes, files, path, leaves);
    AddLeaves(right, chunk, nodes, files, path, leaves);
  }

  RunContext& run_;
  const ProcessingJob& job_;
  std::deque<std::string>& queue_;
  ListWriter& writer_;
  std::vector<PlanNode> plan_;
  std::uint64_t written_ = 0;  // by every merge of the run
  TaskQueue helper_;
};

}  // namespace

bool MergeSortedParts(RunContext& run, std::deque<std::string>& queue, ListWriter& writer) {
  return TreeMerger(run, queue, writer).Run();
}

}  // namespace vantor
