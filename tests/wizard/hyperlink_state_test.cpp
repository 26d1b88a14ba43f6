#include "wizard/hyperlink_state.h"

#include <gtest/gtest.h>

#include <ostream>
#include <string>
#include <vector>

namespace vantor::wizard {

void PrintTo(const LinkRequests& r, std::ostream* os) {
  *os << "{" << (r.takeFocus ? " focus" : "") << (r.open ? " open" : "") << (r.beep ? " beep" : "")
      << (r.showError ? " error" : "") << (r.repaint ? " repaint" : "") << " }";
}

void PrintTo(Rgb c, std::ostream* os) {
  *os << "rgb(" << int{c.red} << ", " << int{c.green} << ", " << int{c.blue} << ")";
}

namespace {

using State = HyperLinkState;

enum class Event {
  Enter,
  Leave,
  MoveIn,
  MoveOut,
  Press,
  ReleaseIn,
  ReleaseOut,
  Space,
  SpaceRepeat,
  FocusIn,
  FocusOut,
  Opened,
  OpenFailed,
};

LinkRequests Apply(State& state, Event event) {
  switch (event) {
    case Event::Enter:
      return state.OnMouseEnter();
    case Event::Leave:
      return state.OnMouseLeave();
    case Event::MoveIn:
      return state.OnMouseMove(true);
    case Event::MoveOut:
      return state.OnMouseMove(false);
    case Event::Press:
      return state.OnLeftButtonDown();
    case Event::ReleaseIn:
      return state.OnLeftButtonUp(true);
    case Event::ReleaseOut:
      return state.OnLeftButtonUp(false);
    case Event::Space:
      return state.OnSpaceDown(false);
    case Event::SpaceRepeat:
      return state.OnSpaceDown(true);
    case Event::FocusIn:
      return state.OnFocusIn();
    case Event::FocusOut:
      return state.OnFocusOut();
    case Event::Opened:
      return state.OnOpened();
    case Event::OpenFailed:
      return state.OnOpenFailed();
  }
  return {};
}

State After(std::uint32_t flags, const std::vector<Event>& events) {
  State state;
  state.SetFlags(flags);
  for (const Event event : events) Apply(state, event);
  return state;
}

constexpr std::uint32_t kDefault = State::DefaultLinkFlags;
constexpr LinkRequests kNothing{};
constexpr LinkRequests kRepaint{.repaint = true};
constexpr LinkRequests kOpen{.open = true};

// "A", "H", "V" for armed, hot and visited, "-" for not.
std::string Summary(const State& state) {
  return std::string(state.IsArmed() ? "A" : "-") + (state.IsHot() ? "H" : "-") +
         (state.IsVisited() ? "V" : "-");
}

// Each event on a link in a given state: what it asks for and the state it leaves.
TEST(HyperLinkStateTest, EventsAskAndChange) {
  struct Case {
    std::uint32_t flags;
    std::vector<Event> before;
    Event event;
    LinkRequests asks;
    const char* after;
  };
  using enum Event;
  constexpr std::uint32_t kNoFocus = State::LinkUnderline;  // no focus on click
  constexpr std::uint32_t kOnPress = kDefault | State::LinkOpenOnPress;
  constexpr LinkRequests kFocusRepaint{.takeFocus = true, .repaint = true};
  constexpr LinkRequests kOpenRepaint{.open = true, .repaint = true};
  constexpr LinkRequests kFailed{.beep = true, .showError = true};
  const Case cases[] = {
      // The left button: a press arms, a release inside opens, one outside takes it back.
      {kDefault, {}, Press, kFocusRepaint, "A--"},
      {kNoFocus, {}, Press, kRepaint, "A--"},
      {kNoFocus | State::LinkOpenOnPress, {}, Press, kOpenRepaint, "A--"},
      {kDefault, {Press}, ReleaseIn, kOpen, "A--"},
      {kDefault, {Press}, ReleaseOut, kNothing, "A--"},
      {kDefault, {}, ReleaseIn, kNothing, "---"},
      {kOnPress, {Press}, ReleaseIn, kNothing, "A--"},
      // The space bar opens once per press.
      {kDefault, {FocusIn}, Space, kOpen, "A--"},
      {kDefault, {FocusIn, Space}, SpaceRepeat, kNothing, "A--"},
      // The mouse over the link.
      {kDefault, {}, Enter, kRepaint, "-H-"},
      {kDefault, {Enter}, Leave, kRepaint, "---"},
      {kDefault, {}, MoveIn, kRepaint, "-H-"},
      {kDefault, {Enter}, MoveIn, kNothing, "-H-"},
      {kDefault, {Press}, MoveOut, kNothing, "A--"},
      // The focus; losing it ends the hover too, until the next move over the link.
      {kDefault, {}, FocusIn, kRepaint, "A--"},
      {kDefault, {Enter, Press, FocusIn}, FocusOut, kRepaint, "---"},
      {kDefault, {Enter, FocusIn, FocusOut}, MoveIn, kRepaint, "-H-"},
      // What came of opening.
      {kDefault, {}, Opened, kRepaint, "--V"},
      {kDefault, {}, OpenFailed, kFailed, "---"},
      {kDefault, {Opened}, OpenFailed, kFailed, "--V"},
  };
  for (std::size_t i = 0; i < std::size(cases); ++i) {
    SCOPED_TRACE(i);
    const Case& c = cases[i];
    State state = After(c.flags, c.before);
    EXPECT_EQ(Apply(state, c.event), c.asks);
    EXPECT_EQ(Summary(state), c.after);
  }
}

// Hover wins over armed, armed over visited; each only where the flags allow.
TEST(HyperLinkStateTest, ColourByStateAndFlags) {
  struct Case {
    std::uint32_t flags;
    std::vector<Event> events;
    Rgb colour;
  };
  using enum Event;
  constexpr std::uint32_t kHover = kDefault | State::LinkHoverColour;
  constexpr std::uint32_t kNoActive = kDefault | State::LinkNoActiveColour;
  const Case cases[] = {
      {kDefault, {}, State::LinkColour},
      {kDefault, {FocusIn}, State::ActiveColour},
      {kDefault, {Press}, State::ActiveColour},
      {kDefault, {Opened}, State::VisitedColour},
      {kDefault, {FocusIn, Opened}, State::ActiveColour},
      {kDefault, {FocusIn, Opened, FocusOut}, State::VisitedColour},
      {kDefault, {FocusIn, OpenFailed, FocusOut}, State::LinkColour},
      {kDefault, {Enter}, State::LinkColour},
      {kHover, {Enter}, State::HoverColour},
      {kHover, {Enter, FocusIn, Opened}, State::HoverColour},
      {kHover, {Enter, Leave, Opened}, State::VisitedColour},
      {kHover, {Enter, FocusIn, FocusOut}, State::LinkColour},
      {kNoActive, {FocusIn}, State::LinkColour},
      {kNoActive, {Press, Opened}, State::VisitedColour},
      {kNoActive | State::LinkHoverColour, {FocusIn, Enter}, State::HoverColour},
  };
  for (std::size_t i = 0; i < std::size(cases); ++i) {
    SCOPED_TRACE(i);
    EXPECT_EQ(After(cases[i].flags, cases[i].events).TextColour(), cases[i].colour);
  }
}

TEST(HyperLinkStateTest, ColourFlagsTakeEffectAtOnce) {
  State state = After(kDefault, {Event::Enter, Event::FocusIn});
  EXPECT_EQ(state.SetFlags(kDefault | State::LinkHoverColour), kRepaint);
  EXPECT_EQ(state.TextColour(), State::HoverColour);
  EXPECT_EQ(state.SetFlags(kDefault | State::LinkNoActiveColour), kRepaint);
  EXPECT_EQ(state.TextColour(), State::LinkColour);
}

// A control as a toolkit would drive the state: it does what each answer asks, in order.
struct FakeControl {
  void Do(const LinkRequests& asks) {
    if (asks.takeFocus && !focused) {
      focused = true;
      Do(state.OnFocusIn());
    }
    if (asks.open) {
      ++opens;
      Do(browserWorks ? state.OnOpened() : state.OnOpenFailed());
    }
    beeps += asks.beep;
    errors += asks.showError;
    repaints += asks.repaint;
  }

  State state;
  bool browserWorks = true;
  bool focused = false;
  int opens = 0, beeps = 0, errors = 0, repaints = 0;
};

// Clicking the link, then moving the focus away: teal while it has the focus, then
// purple when it was opened or blue when it could not be.
TEST(HyperLinkStateTest, ClickThenFocusAwayShowsWhetherTheLinkWasOpened) {
  for (const bool works : {true, false}) {
    SCOPED_TRACE(works);
    FakeControl link;
    link.browserWorks = works;
    link.Do(link.state.OnLeftButtonDown());
    link.Do(link.state.OnLeftButtonUp(true));
    EXPECT_TRUE(link.focused);
    EXPECT_EQ(link.opens, 1);
    EXPECT_EQ(link.beeps, works ? 0 : 1);
    EXPECT_EQ(link.errors, works ? 0 : 1);
    EXPECT_EQ(link.state.TextColour(), State::ActiveColour);
    EXPECT_EQ(link.state.IsVisited(), works);

    const int repaints = link.repaints;
    link.Do(link.state.OnFocusOut());
    EXPECT_GT(link.repaints, repaints);
    EXPECT_EQ(link.state.TextColour(), works ? State::VisitedColour : State::LinkColour);
  }
}

// Code 31 (no program for the address) is what a failed open shows; the ends of the
// table of known codes, and codes it lacks: one in a gap, one past its end, a negative
// one.
TEST(HyperLinkStateTest, OpenErrorTextsByCode) {
  struct Case {
    int code;
    const char* text;
  };
  const Case cases[] = {
      {kNoAssociation, "There is no application associated\nwith the given filename extension."},
      {0, "The operating system is out\nof memory or resources."},
      {32, "The specified dynamic-link library was not found."},
      {1, "Unknown Error (1) occurred."},
      {33, "Unknown Error (33) occurred."},
      {-7, "Unknown Error (-7) occurred."},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.code);
    EXPECT_EQ(OpenErrorText(c.code), c.text);
    EXPECT_EQ(OpenErrorMessage(c.code), std::string("Can't open link:\n\n") + c.text);
  }
}

// A control at 10, 10, 300 x 40 fitted to a text 101 x 17 and to others: the aligned
// edge or centre stays, borders go around the text.
TEST(HyperLinkStateTest, FitToTextKeepsTheEdgeTheTextIsAlignedTo) {
  struct Case {
    LinkRect control;
    LinkSize text, borders;
    LinkHAlign h;
    LinkVAlign v;
    LinkRect fitted;
  };
  using enum LinkHAlign;
  constexpr LinkRect kBox{10, 10, 300, 40};
  const Case cases[] = {
      {kBox, {101, 17}, {}, Left, LinkVAlign::Top, {10, 10, 101, 17}},
      {kBox, {101, 17}, {}, Right, LinkVAlign::Top, {209, 10, 101, 17}},
      {kBox, {101, 17}, {}, Centre, LinkVAlign::Centre, {109, 21, 101, 17}},
      {kBox, {101, 17}, {}, Left, LinkVAlign::Centre, {10, 21, 101, 17}},
      // Centring goes by the control's whole size; the borders then add to the text's.
      {kBox, {101, 17}, {4, 2}, Centre, LinkVAlign::Centre, {109, 21, 105, 19}},
      {kBox, {101, 17}, {4, 2}, Right, LinkVAlign::Top, {209, 10, 105, 19}},
      // A text larger than the control grows it around the same edge or centre.
      {{10, 10, 50, 40}, {101, 57}, {}, Centre, LinkVAlign::Centre, {-15, 2, 101, 57}},
      {{10, 10, 50, 40}, {101, 57}, {}, Right, LinkVAlign::Top, {-41, 10, 101, 57}},
  };
  for (std::size_t i = 0; i < std::size(cases); ++i) {
    SCOPED_TRACE(i);
    const Case& c = cases[i];
    const LinkRect fitted = FitToText(c.control, c.text, c.borders, c.h, c.v);
    EXPECT_EQ(fitted, c.fitted) << fitted.left << ", " << fitted.top << ", " << fitted.width
                                << " x " << fitted.height;
  }
}

}  // namespace
}  // namespace vantor::wizard
