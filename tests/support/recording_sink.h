// A MessageSink that keeps every message, and can run a hook on each (to ask for a
// stop at a chosen moment, say); the messages written as a trace of text lines.
#ifndef VANTOR_TESTS_SUPPORT_RECORDING_SINK_H_
#define VANTOR_TESTS_SUPPORT_RECORDING_SINK_H_

#include <functional>
#include <string>
#include <vector>

#include "engine/job.h"

namespace vantor::testing {

// One message as a line of a trace, to compare runs by: "start 0", "info Reading
// emails...", "info2 12", "end 0", "done", "error <text>".
inline std::string TraceLine(const RunnerMessage& m) {
  switch (m.code) {
    case WMU_INFO:
      return "info " + m.text;
    case WMU_INFO2:
      return "info2 " + m.text;
    case WMU_DONE:
      return "done";
    case WMU_ERROR:
      return "error " + m.text;
    case WMU_ACTION_START:
      return "start " + std::to_string(m.slot);
    case WMU_ACTION_END:
      return "end " + std::to_string(m.slot);
  }
  return "code " + std::to_string(static_cast<int>(m.code));
}

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

  // Every message as TraceLine writes it.
  std::vector<std::string> Trace() const {
    std::vector<std::string> trace;
    for (const RunnerMessage& m : messages) trace.push_back(TraceLine(m));
    return trace;
  }

  std::vector<RunnerMessage> messages;
  std::function<void(const RunnerMessage&)> onPost;
};

}  // namespace vantor::testing

#endif  // VANTOR_TESTS_SUPPORT_RECORDING_SINK_H_
