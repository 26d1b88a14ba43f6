// A page's dialog template in the form Win32 creates dialogs from: the bytes of an
// extended in-memory template (a DLGTEMPLATEEX header, then one DLGITEMTEMPLATEEX per
// control), ready for CreateDialogIndirectParamW or DialogBoxIndirectParamW. Standard
// C++ only: the Win32 values it writes are defined beside the code, so it builds and is
// tested on Linux too.
//
// How each control comes out. Every control is WS_CHILD | WS_VISIBLE, its id and its
// rectangle (dialog units) as in the template.
//
//   kind         class                styles
//   Static       0x0082 (static)      SS_LEFT | SS_NOPREFIX: the text wraps and shows "&"
//                                     as itself, as the Qt label (plain text) does.
//                                     kEndEllipsis / kWordEllipsis: SS_LEFTNOWORDWRAP |
//                                     SS_ENDELLIPSIS / SS_WORDELLIPSIS, one line as the
//                                     eliding label; kWordEllipsis wins over kEndEllipsis.
//   Picture      0x0082 (static)      SS_BITMAP, kCenterImage: SS_CENTERIMAGE. The title is
//                                     empty: a static bitmap's title names a resource.
//   Edit         0x0081 (edit)        one line: ES_AUTOHSCROLL always (a Qt line edit
//                                     scrolls sideways whatever the bits say).
//                                     kMultiLine: ES_MULTILINE | ES_AUTOVSCROLL (the Qt text
//                                     box follows the caret down), ES_WANTRETURN unless
//                                     kReadOnly, ES_AUTOHSCROLL only with kAutoHScroll (else
//                                     lines wrap, as in Qt); a lone LF in its text becomes
//                                     CR LF, the only line end the edit breaks at.
//                                     kReadOnly: ES_READONLY.
//   PushButton   0x0080 (button)      BS_PUSHBUTTON; "&" marks the mnemonic, as in Qt.
//   CheckBox     0x0080 (button)      BS_AUTOCHECKBOX: a click toggles it.
//   RadioButton  0x0080 (button)      BS_AUTORADIOBUTTON: a click checks it and unchecks the
//                                     others from the last WS_GROUP to the next, as the Qt
//                                     builder's group between kGroup marks.
//   ListBox      0x0083 (list box)    LBS_NOTIFY | LBS_NOINTEGRALHEIGHT: single selection,
//                                     not sorted, tells its parent of selection changes (a
//                                     Qt list always does) and keeps its rectangle instead
//                                     of shrinking to whole rows.
//   ProgressBar  "msctls_progress32"  kSmooth: PBS_SMOOTH.
//   Custom       its customClass     the bits for every kind only; the class reads the rest.
//
// Bits for every kind: kDisabled WS_DISABLED, kGroup WS_GROUP, kTabStop WS_TABSTOP, kBorder
// WS_BORDER, kVScroll WS_VSCROLL, kHScroll WS_HSCROLL, kStaticEdge WS_EX_STATICEDGE,
// kTransparent WS_EX_TRANSPARENT. A bit meant for another kind (kReadOnly on a button,
// kSmooth on an edit) is dropped, as the Qt builder ignores it.
//
// What the Qt builder does that the bytes leave to others:
// - Tab stops come from kTabStop alone, as in Qt, where every other control takes the
//   focus on a click only; no kind is a tab stop by default. The hyperlink is, in Qt, by
//   its own focus policy: its Win32 class has to add WS_TABSTOP itself.
// - Z-order: Win32 stacks the controls in template order (the tab order), while the Qt
//   builder lowers static panels (kStaticEdge) and raises kTransparent controls; the Win32
//   page moves those after creation.
// - Ids are DWORDs: kNoId is written as 0xFFFFFFFF, so that GetDlgCtrlID gives back -1,
//   which is kNoId (and Win32's IDC_STATIC).
// Once created, the controls carry a little more than these bytes: the dialog manager
// adds WS_EX_NOPARENTNOTIFY, and turns the WS_BORDER of an edit or list box into
// WS_EX_CLIENTEDGE, the sunken frame the Qt builder draws for kBorder.
//
// Texts are UTF-8 in the template and UTF-16 in the bytes; a byte that is not part of
// well-formed UTF-8 becomes U+FFFD (one per maximal ill-formed part), as does U+FFFF, which
// at the start of a string would read as the mark of a resource ordinal.
#ifndef VANTOR_WIZARD_FRAMEWORK_WIN32_DIALOG_TEMPLATE_EX_H_
#define VANTOR_WIZARD_FRAMEWORK_WIN32_DIALOG_TEMPLATE_EX_H_

#include <cstdint>
#include <functional>
#include <vector>

#include "wizard/framework/dialog_template.h"

namespace vantor::framework {

// What window the template makes.
enum class DialogFrame {
  // A page inside the sheet: DS_CONTROL | WS_CHILD with WS_EX_CONTROLPARENT (Tab moves
  // through its controls as through the sheet's own), no caption bar, no title.
  ChildPage,
  // A dialog of its own: WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME, titled with the
  // template's caption.
  TopLevel,
};

struct DialogTemplateOptions {
  DialogFrame frame = DialogFrame::ChildPage;
};

// The bytes of `dialogTemplate` as an extended dialog template. Any thread may call it. Neither
// window is visible at first (no WS_VISIBLE): the caller shows it. The font is DS_SHELLFONT
// (DS_SETFONT | DS_FIXEDSYS) with the template's face and point size, normal weight,
// DEFAULT_CHARSET. The vector's storage meets the DWORD alignment Win32 needs of a template.
//
// Throws std::invalid_argument when the template cannot be written as it is instead of
// writing a different one: a rectangle value outside a 16-bit signed range, more than
// 65535 controls, a point size outside 0..65535, a custom control without a class name.
std::vector<std::uint8_t> SerializeDialogTemplate(const DialogTemplate& dialogTemplate,
                                                  const DialogTemplateOptions& options);

}  // namespace vantor::framework

#endif  // VANTOR_WIZARD_FRAMEWORK_WIN32_DIALOG_TEMPLATE_EX_H_
