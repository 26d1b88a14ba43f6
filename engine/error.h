// How the engine fails: the failing code throws the constant English text of the
// failure, and only the runner catches it. Nothing in between catches, retries or
// rewords (a TaskQueue only carries one back from its thread to its owner), so every
// action reads as straight-line code.
#ifndef VANTOR_ENGINE_ERROR_H_
#define VANTOR_ENGINE_ERROR_H_

#include <string>

#include "engine/platform/env.h"

namespace vantor {

struct ActionError {
  const char* text;    // a string literal; never freed
  std::string detail;  // the file and the system's reason, when a failed call noted them
};

[[noreturn]] inline void Raise(const char* text) { throw ActionError{text, std::string()}; }

// For the failure of the Env call this thread made last: the error carries its note.
[[noreturn]] inline void RaiseFailed(const char* text) {
  throw ActionError{text, TakeFailureNote()};
}

}  // namespace vantor

#endif  // VANTOR_ENGINE_ERROR_H_
