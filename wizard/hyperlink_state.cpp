#include "wizard/hyperlink_state.h"

namespace vantor::wizard {

namespace {

constexpr LinkRequests kRepaint{.repaint = true};

struct OpenError {
  int code;
  const char* text;
};

// The texts of a shell's open failures; Windows' ShellExecute answers exactly these
// codes.
constexpr OpenError kOpenErrors[] = {
    {0, "The operating system is out\nof memory or resources."},
    {2, "The specified file was not found."},
    {3, "The specified path was not found."},
    {5, "The operating system denied\naccess to the specified file."},
    {8, "There was not enough memory to complete the operation."},
    {11, "The .EXE file is invalid\n(non-Win32 .EXE or error in .EXE image)."},
    {26, "A sharing violation occurred. "},
    {27, "The filename association is\nincomplete or invalid."},
    {28, "The DDE transaction could not\nbe completed because the request timed out."},
    {29, "The DDE transaction failed."},
    {30,
     "The DDE transaction could not\nbe completed because other DDE transactions\nwere being "
     "processed."},
    {kNoAssociation, "There is no application associated\nwith the given filename extension."},
    {32, "The specified dynamic-link library was not found."},
};

}  // namespace

LinkRequests HyperLinkState::SetFlags(std::uint32_t flags) {
  m_dwLinkFlags = flags;
  return kRepaint;
}

Rgb HyperLinkState::TextColour() const {
  if (m_bHot && (m_dwLinkFlags & LinkHoverColour)) return HoverColour;
  if (m_bArmed && !(m_dwLinkFlags & LinkNoActiveColour)) return ActiveColour;
  return m_bVisited ? VisitedColour : LinkColour;
}

LinkRequests HyperLinkState::OnMouseEnter() {
  m_bHot = true;
  return kRepaint;
}

LinkRequests HyperLinkState::OnMouseLeave() {
  m_bHot = false;
  return kRepaint;
}

// Losing the focus also ends the hover; the next move over the link brings it back.
LinkRequests HyperLinkState::OnMouseMove(bool inside) {
  if (m_bHot || !inside) return {};
  m_bHot = true;
  return kRepaint;
}

LinkRequests HyperLinkState::OnLeftButtonDown() {
  m_bArmed = true;
  return {.takeFocus = (m_dwLinkFlags & LinkFocusOnClick) != 0,
          .open = (m_dwLinkFlags & LinkOpenOnPress) != 0,
          .repaint = true};
}

// Letting go outside the link is how a press is taken back.
LinkRequests HyperLinkState::OnLeftButtonUp(bool inside) {
  return {.open = m_bArmed && !(m_dwLinkFlags & LinkOpenOnPress) && inside};
}

// Holding the bar down opens the address once, not once per repeat.
LinkRequests HyperLinkState::OnSpaceDown(bool autoRepeat) { return {.open = !autoRepeat}; }

LinkRequests HyperLinkState::OnFocusIn() {
  m_bArmed = true;
  return kRepaint;
}

LinkRequests HyperLinkState::OnFocusOut() {
  m_bHot = false;
  m_bArmed = false;
  return kRepaint;
}

LinkRequests HyperLinkState::OnOpened() {
  m_bVisited = true;
  return kRepaint;
}

LinkRequests HyperLinkState::OnOpenFailed() { return {.beep = true, .showError = true}; }

std::string OpenErrorText(int code) {
  for (const OpenError& error : kOpenErrors) {
    if (error.code == code) return error.text;
  }
  return "Unknown Error (" + std::to_string(code) + ") occurred.";
}

std::string OpenErrorMessage(int code) { return "Can't open link:\n\n" + OpenErrorText(code); }

LinkRect FitToText(LinkRect control, LinkSize text, LinkSize borders, LinkHAlign hAlign,
                   LinkVAlign vAlign) {
  LinkRect fitted = control;
  if (vAlign == LinkVAlign::Centre) fitted.top += (control.height - text.height) / 2;
  if (hAlign == LinkHAlign::Centre) {
    fitted.left += (control.width - text.width) / 2;
  } else if (hAlign == LinkHAlign::Right) {
    fitted.left += control.width - text.width;
  }
  fitted.width = text.width + borders.width;
  fitted.height = text.height + borders.height;
  return fitted;
}

}  // namespace vantor::wizard
