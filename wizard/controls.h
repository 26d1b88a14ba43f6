// The wizard's own controls, as the pages see them whatever toolkit draws them: the
// window class names their templates ask for, and what a page can tell them.
#ifndef VANTOR_WIZARD_CONTROLS_H_
#define VANTOR_WIZARD_CONTROLS_H_

#include <string>

#include "wizard/framework/types.h"

namespace vantor::wizard {

inline constexpr char kArrowCheckClass[] = "VantorArrowCheck";
inline constexpr char kHyperLinkClass[] = "VantorHyperLink";

// Makes the two classes known to the toolkit, so that page windows can be made with
// them; once is enough, more calls do nothing. User-interface thread.
void RegisterControlClasses();

// The mark beside each action on the processing page (arrow_check_static.h).
class ArrowCheck : public framework::CustomControl {
 public:
  enum { StateEmpty = 0, StateArrow = 1, StateCheck = 2 };

  // Stores the state; any value other than StateArrow and StateCheck shows nothing.
  // With `redraw` the control is repainted before the call returns (when it is visible),
  // so the new mark is on screen even while the event loop is busy.
  virtual void SetState(int nState, bool redraw) = 0;
  virtual bool IsChecked() const = 0;
  virtual bool IsArrow() const = 0;
};

// A link that opens a web address (hyperlink.h).
class LinkControl : public framework::CustomControl {
 public:
  // The address to open (UTF-8); the visible text stays.
  virtual void SetLinkTarget(const std::string& target) = 0;
};

}  // namespace vantor::wizard

#endif  // VANTOR_WIZARD_CONTROLS_H_
