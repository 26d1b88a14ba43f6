#include "wizard/framework/win32/dialog_template_ex.h"

#include <cstddef>
#include <limits>
#include <stdexcept>
#include <string>
#include <string_view>
#include <utility>

namespace vantor::framework {

namespace {

// The Win32 values written here, as <windows.h> and <commctrl.h> define them.
constexpr std::uint32_t WS_POPUP = 0x80000000;
constexpr std::uint32_t WS_CHILD = 0x40000000;
constexpr std::uint32_t WS_VISIBLE = 0x10000000;
constexpr std::uint32_t WS_DISABLED = 0x08000000;
constexpr std::uint32_t WS_CAPTION = 0x00C00000;
constexpr std::uint32_t WS_BORDER = 0x00800000;
constexpr std::uint32_t WS_VSCROLL = 0x00200000;
constexpr std::uint32_t WS_HSCROLL = 0x00100000;
constexpr std::uint32_t WS_SYSMENU = 0x00080000;
constexpr std::uint32_t WS_GROUP = 0x00020000;
constexpr std::uint32_t WS_TABSTOP = 0x00010000;

constexpr std::uint32_t WS_EX_TRANSPARENT = 0x00000020;
constexpr std::uint32_t WS_EX_CONTROLPARENT = 0x00010000;
constexpr std::uint32_t WS_EX_STATICEDGE = 0x00020000;

constexpr std::uint32_t DS_FIXEDSYS = 0x0008;
constexpr std::uint32_t DS_SETFONT = 0x0040;
constexpr std::uint32_t DS_MODALFRAME = 0x0080;
constexpr std::uint32_t DS_CONTROL = 0x0400;
constexpr std::uint32_t DS_SHELLFONT = DS_SETFONT | DS_FIXEDSYS;

constexpr std::uint32_t SS_LEFT = 0x0000;
constexpr std::uint32_t SS_LEFTNOWORDWRAP = 0x000C;
constexpr std::uint32_t SS_BITMAP = 0x000E;
constexpr std::uint32_t SS_NOPREFIX = 0x0080;
constexpr std::uint32_t SS_CENTERIMAGE = 0x0200;
constexpr std::uint32_t SS_ENDELLIPSIS = 0x4000;
constexpr std::uint32_t SS_WORDELLIPSIS = 0xC000;

constexpr std::uint32_t ES_MULTILINE = 0x0004;
constexpr std::uint32_t ES_AUTOVSCROLL = 0x0040;
constexpr std::uint32_t ES_AUTOHSCROLL = 0x0080;
constexpr std::uint32_t ES_READONLY = 0x0800;
constexpr std::uint32_t ES_WANTRETURN = 0x1000;

constexpr std::uint32_t BS_PUSHBUTTON = 0x0000;
constexpr std::uint32_t BS_AUTOCHECKBOX = 0x0003;
constexpr std::uint32_t BS_AUTORADIOBUTTON = 0x0009;

constexpr std::uint32_t LBS_NOTIFY = 0x0001;
constexpr std::uint32_t LBS_NOINTEGRALHEIGHT = 0x0100;

constexpr std::uint32_t PBS_SMOOTH = 0x01;

constexpr std::uint16_t FW_NORMAL = 400;
constexpr std::uint8_t DEFAULT_CHARSET = 1;

// The predefined classes a dialog item names by atom.
constexpr std::uint16_t kButtonAtom = 0x0080;
constexpr std::uint16_t kEditAtom = 0x0081;
constexpr std::uint16_t kStaticAtom = 0x0082;
constexpr std::uint16_t kListBoxAtom = 0x0083;
constexpr char kProgressClass[] = "msctls_progress32";

constexpr std::uint16_t kOrdinalMark = 0xFFFF;
constexpr char16_t kReplacement = 0xFFFD;

// UTF-16 of `utf8`. Each maximal part of an ill-formed sequence (a byte that cannot start
// one, or a start whose next byte does not fit) becomes one U+FFFD, and so does U+FFFF.
std::u16string Utf16FromUtf8(std::string_view utf8) {
  std::u16string out;
  out.reserve(utf8.size());
  std::size_t at = 0;
  while (at < utf8.size()) {
    const auto lead = static_cast<unsigned char>(utf8[at]);
    if (lead < 0x80) {
      out.push_back(lead);
      ++at;
      continue;
    }
    // The length a lead byte announces, and the range its first continuation byte must
    // lie in: narrower after E0, ED, F0 and F4, which rules out overlong forms,
    // surrogates and values past U+10FFFF.
    std::size_t length = 0;
    char32_t value = 0;
    unsigned char low = 0x80;
    unsigned char high = 0xBF;
    if (lead >= 0xC2 && lead <= 0xDF) {
      length = 2;
      value = lead & 0x1F;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
      length = 3;
      value = lead & 0x0F;
      if (lead == 0xE0) low = 0xA0;
      if (lead == 0xED) high = 0x9F;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
      length = 4;
      value = lead & 0x07;
      if (lead == 0xF0) low = 0x90;
      if (lead == 0xF4) high = 0x8F;
    } else {
      out.push_back(kReplacement);
      ++at;
      continue;
    }
    std::size_t taken = 1;
    for (; taken < length && at + taken < utf8.size(); ++taken) {
      const auto next = static_cast<unsigned char>(utf8[at + taken]);
      if (next < low || next > high) break;
      value = (value << 6) | (next & 0x3F);
      low = 0x80;
      high = 0xBF;
    }
    at += taken;
    if (taken < length || value == 0xFFFF) {
      out.push_back(kReplacement);
    } else if (value >= 0x10000) {
      value -= 0x10000;
      out.push_back(static_cast<char16_t>(0xD800 + (value >> 10)));
      out.push_back(static_cast<char16_t>(0xDC00 + (value & 0x3FF)));
    } else {
      out.push_back(static_cast<char16_t>(value));
    }
  }
  return out;
}

// `text` with every LF that no CR precedes turned into CR LF.
std::string WithCrLf(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\n' && (i == 0 || text[i - 1] != '\r')) out.push_back('\r');
    out.push_back(text[i]);
  }
  return out;
}

std::string_view TextOf(const char* text) { return text != nullptr ? text : ""; }

// Appends little-endian fields to a growing template.
class TemplateWriter {
 public:
  void Byte(std::uint8_t value) { m_bytes.push_back(value); }

  void Word(std::uint16_t value) {
    Byte(static_cast<std::uint8_t>(value));
    Byte(static_cast<std::uint8_t>(value >> 8));
  }

  void Dword(std::uint32_t value) {
    Word(static_cast<std::uint16_t>(value));
    Word(static_cast<std::uint16_t>(value >> 16));
  }

  // A `short` of the template: a value that does not fit would come out as another.
  void Short(int value) {
    if (value < std::numeric_limits<std::int16_t>::min() ||
        value > std::numeric_limits<std::int16_t>::max()) {
      throw std::invalid_argument("a dialog rectangle value does not fit in 16 bits");
    }
    Word(static_cast<std::uint16_t>(value));
  }

  void Rect(const DialogRect& rect) {
    Short(rect.x);
    Short(rect.y);
    Short(rect.width);
    Short(rect.height);
  }

  // A NUL-terminated UTF-16 string.
  void String(std::string_view utf8) {
    for (char16_t unit : Utf16FromUtf8(utf8)) Word(unit);
    Word(0);
  }

  void Atom(std::uint16_t atom) {
    Word(kOrdinalMark);
    Word(atom);
  }

  void AlignToDword() {
    while (m_bytes.size() % 4 != 0) Byte(0);
  }

  std::vector<std::uint8_t> Take() { return std::move(m_bytes); }

 private:
  std::vector<std::uint8_t> m_bytes;
};

struct ItemStyles {
  std::uint32_t style = 0;
  std::uint32_t exStyle = 0;
};

ItemStyles StylesOf(const ControlTemplate& control) {
  const std::uint32_t bits = control.style;
  ItemStyles styles;
  styles.style = WS_CHILD | WS_VISIBLE;
  if (bits & kDisabled) styles.style |= WS_DISABLED;
  if (bits & kGroup) styles.style |= WS_GROUP;
  if (bits & kTabStop) styles.style |= WS_TABSTOP;
  if (bits & kBorder) styles.style |= WS_BORDER;
  if (bits & kVScroll) styles.style |= WS_VSCROLL;
  if (bits & kHScroll) styles.style |= WS_HSCROLL;
  if (bits & kStaticEdge) styles.exStyle |= WS_EX_STATICEDGE;
  if (bits & kTransparent) styles.exStyle |= WS_EX_TRANSPARENT;

  switch (control.kind) {
    case ControlKind::Static:
      if (bits & kWordEllipsis) {
        styles.style |= SS_LEFTNOWORDWRAP | SS_WORDELLIPSIS;
      } else if (bits & kEndEllipsis) {
        styles.style |= SS_LEFTNOWORDWRAP | SS_ENDELLIPSIS;
      } else {
        styles.style |= SS_LEFT;
      }
      styles.style |= SS_NOPREFIX;
      break;
    case ControlKind::Picture:
      styles.style |= SS_BITMAP;
      if (bits & kCenterImage) styles.style |= SS_CENTERIMAGE;
      break;
    case ControlKind::Edit:
      if (bits & kMultiLine) {
        styles.style |= ES_MULTILINE | ES_AUTOVSCROLL;
        if (!(bits & kReadOnly)) styles.style |= ES_WANTRETURN;
        if (bits & kAutoHScroll) styles.style |= ES_AUTOHSCROLL;
      } else {
        styles.style |= ES_AUTOHSCROLL;
      }
      if (bits & kReadOnly) styles.style |= ES_READONLY;
      break;
    case ControlKind::PushButton:
      styles.style |= BS_PUSHBUTTON;
      break;
    case ControlKind::CheckBox:
      styles.style |= BS_AUTOCHECKBOX;
      break;
    case ControlKind::RadioButton:
      styles.style |= BS_AUTORADIOBUTTON;
      break;
    case ControlKind::ListBox:
      styles.style |= LBS_NOTIFY | LBS_NOINTEGRALHEIGHT;
      break;
    case ControlKind::ProgressBar:
      if (bits & kSmooth) styles.style |= PBS_SMOOTH;
      break;
    case ControlKind::Custom:
      break;
  }
  return styles;
}

void WriteClass(const ControlTemplate& control, TemplateWriter* out) {
  switch (control.kind) {
    case ControlKind::Static:
    case ControlKind::Picture:
      out->Atom(kStaticAtom);
      return;
    case ControlKind::Edit:
      out->Atom(kEditAtom);
      return;
    case ControlKind::PushButton:
    case ControlKind::CheckBox:
    case ControlKind::RadioButton:
      out->Atom(kButtonAtom);
      return;
    case ControlKind::ListBox:
      out->Atom(kListBoxAtom);
      return;
    case ControlKind::ProgressBar:
      out->String(kProgressClass);
      return;
    case ControlKind::Custom:
      break;
  }
  const char* name = control.customClass;
  // An empty name would read as "no class" and the whole dialog would fail to open.
  if (name == nullptr || *name == '\0') {
    throw std::invalid_argument("a custom control has no window class name");
  }
  out->String(name);
}

void WriteTitle(const ControlTemplate& control, TemplateWriter* out) {
  if (control.kind == ControlKind::Picture) {
    out->String("");
  } else if (control.kind == ControlKind::Edit && (control.style & kMultiLine)) {
    out->String(WithCrLf(TextOf(control.text)));
  } else {
    out->String(TextOf(control.text));
  }
}

}  // namespace

std::vector<std::uint8_t> SerializeDialogTemplate(const DialogTemplate& dialogTemplate,
                                                  const DialogTemplateOptions& options) {
  const std::vector<ControlTemplate>& controls = dialogTemplate.controls;
  if (controls.size() > std::numeric_limits<std::uint16_t>::max()) {
    throw std::invalid_argument("a dialog template has more than 65535 controls");
  }
  if (dialogTemplate.fontPointSize < 0 ||
      dialogTemplate.fontPointSize > std::numeric_limits<std::uint16_t>::max()) {
    throw std::invalid_argument("a dialog template's point size does not fit in 16 bits");
  }
  const bool childPage = options.frame == DialogFrame::ChildPage;

  TemplateWriter out;
  out.Word(1);             // dlgVer
  out.Word(kOrdinalMark);  // signature: the extended form
  out.Dword(0);            // helpID
  out.Dword(childPage ? WS_EX_CONTROLPARENT : 0);
  out.Dword(DS_SHELLFONT | (childPage ? WS_CHILD | DS_CONTROL
                                      : WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME));
  out.Word(static_cast<std::uint16_t>(controls.size()));
  out.Rect({0, 0, dialogTemplate.width, dialogTemplate.height});
  out.Word(0);  // no menu
  out.Word(0);  // the dialog manager's own class
  out.String(childPage ? "" : TextOf(dialogTemplate.caption));
  out.Word(static_cast<std::uint16_t>(dialogTemplate.fontPointSize));
  out.Word(FW_NORMAL);
  out.Byte(0);  // not italic
  out.Byte(DEFAULT_CHARSET);
  out.String(TextOf(dialogTemplate.fontFamily));

  for (const ControlTemplate& control : controls) {
    out.AlignToDword();
    const ItemStyles styles = StylesOf(control);
    out.Dword(0);  // helpID
    out.Dword(styles.exStyle);
    out.Dword(styles.style);
    out.Rect(control.rect);
    out.Dword(static_cast<std::uint32_t>(control.id));
    WriteClass(control, &out);
    WriteTitle(control, &out);
    out.Word(0);  // no creation data
  }
  return out.Take();
}

}  // namespace vantor::framework
