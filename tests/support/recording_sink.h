// A MessageSink that keeps every message, and can run a hook on each (to ask for a
// stop at a chosen moment, say).
#ifndef VANTOR_TESTS_SUPPORT_RECORDING_SINK_H_
#define VANTOR_TESTS_SUPPORT_RECORDING_SINK_H_

#include <functional>
#include <string>
#include <vector>

#include "engine/job.h"

namespace vantor::testing {

class RecordingSink final : public MessageSink {
 public:
  void Post(RunnerMessage message) override {
    messages.push_back(message);
    if (onPost) onPost(messages.back());
  }

  // The texts of one kind of message, in order.
  std::vector<std::string> Texts(MessageCode code) const {
    std::vector<std::string> texts;
    for (const RunnerMessage& m : messages) {
      if (m.code == code) texts.push_back(m.text);
    }
    return texts;
  }

  // "start 0", "info Reading emails...", "end 0", "done", "error <text>" ...
  std::vector<std::string> Trace() const {
    std::vector<std::string> trace;
    for (const RunnerMessage& m : messages) {
      switch (m.code) {
        case WMU_INFO:
          trace.push_back("info " + m.text);
          break;
        case WMU_INFO2:
          trace.push_back("info2 " + m.text);
          break;
        case WMU_DONE:
          trace.push_back("done");
          break;
        case WMU_ERROR:
          trace.push_back("error " + m.text);
          break;
        case WMU_ACTION_START:
          trace.push_back("start " + std::to_string(m.slot));
          break;
        case WMU_ACTION_END:
          trace.push_back("end " + std::to_string(m.slot));
          break;
      }
    }
    return trace;
  }

  std::vector<RunnerMessage> messages;
  std::function<void(const RunnerMessage&)> onPost;
};

}  // namespace vantor::testing

#endif  // VANTOR_TESTS_SUPPORT_RECORDING_SINK_H_
