// How the engine fails: the failing code throws the constant English text of the
// failure, and only the runner catches it. Nothing in between catches, retries or
// rewords, so every action reads as straight-line code.
#ifndef VANTOR_ENGINE_ERROR_H_
#define VANTOR_ENGINE_ERROR_H_

namespace vantor {

struct ActionError {
  const char* text;  // a string literal; never freed
};

[[noreturn]] inline void Raise(const char* text) { throw ActionError{text}; }

}  // namespace vantor

#endif  // VANTOR_ENGINE_ERROR_H_
