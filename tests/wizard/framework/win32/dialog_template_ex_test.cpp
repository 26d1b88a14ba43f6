// Extended dialog templates: the byte layout read back by an independent reader, the
// Win32 styles each kind and bit comes out as, UTF-16 texts, and what cannot be written.
#include "wizard/framework/win32/dialog_template_ex.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <iterator>
#include <stdexcept>
#include <string>
#include <vector>

#include "tests/wizard/framework/win32/template_reader.h"

#if defined(_WIN32)
#include <windows.h>
// windows.h first: commctrl.h needs its types.
#include <commctrl.h>
#endif

namespace vantor::framework {
namespace {

using testing::ReadDialog;
using testing::ReadItem;
using testing::ReadTemplate;

// The Win32 values the expectations are written in, checked against the SDK's headers
// where those exist (the Windows build of this test).
constexpr std::uint32_t kWsPopup = 0x80000000, kWsChild = 0x40000000, kWsVisible = 0x10000000,
                        kWsDisabled = 0x08000000, kWsCaption = 0x00C00000, kWsBorder = 0x00800000,
                        kWsVScroll = 0x00200000, kWsHScroll = 0x00100000, kWsSysMenu = 0x00080000,
                        kWsGroup = 0x00020000, kWsTabStop = 0x00010000;
constexpr std::uint32_t kWsExTransparent = 0x20, kWsExControlParent = 0x10000,
                        kWsExStaticEdge = 0x20000;
constexpr std::uint32_t kDsSetFont = 0x40, kDsFixedSys = 0x08, kDsModalFrame = 0x80,
                        kDsControl = 0x400;
constexpr std::uint32_t kSsLeftNoWordWrap = 0xC, kSsBitmap = 0xE, kSsNoPrefix = 0x80,
                        kSsCenterImage = 0x200, kSsEndEllipsis = 0x4000, kSsWordEllipsis = 0xC000;
constexpr std::uint32_t kEsMultiLine = 0x4, kEsAutoVScroll = 0x40, kEsAutoHScroll = 0x80,
                        kEsReadOnly = 0x800, kEsWantReturn = 0x1000;
constexpr std::uint32_t kBsAutoCheckBox = 3, kBsAutoRadioButton = 9;
constexpr std::uint32_t kLbsNotify = 1, kLbsNoIntegralHeight = 0x100;
constexpr std::uint32_t kPbsSmooth = 1;
constexpr std::uint16_t kButton = 0x80, kEdit = 0x81, kStatic = 0x82, kListBox = 0x83;

#if defined(_WIN32)
static_assert(kWsPopup == WS_POPUP && kWsChild == WS_CHILD && kWsVisible == WS_VISIBLE &&
              kWsDisabled == WS_DISABLED && kWsCaption == WS_CAPTION && kWsBorder == WS_BORDER &&
              kWsVScroll == WS_VSCROLL && kWsHScroll == WS_HSCROLL && kWsSysMenu == WS_SYSMENU &&
              kWsGroup == WS_GROUP && kWsTabStop == WS_TABSTOP);
static_assert(kWsExTransparent == WS_EX_TRANSPARENT && kWsExControlParent == WS_EX_CONTROLPARENT &&
              kWsExStaticEdge == WS_EX_STATICEDGE);
static_assert(kDsSetFont == DS_SETFONT && kDsFixedSys == DS_FIXEDSYS &&
              kDsModalFrame == DS_MODALFRAME && kDsControl == DS_CONTROL &&
              (kDsSetFont | kDsFixedSys) == DS_SHELLFONT);
static_assert(kSsLeftNoWordWrap == SS_LEFTNOWORDWRAP && kSsBitmap == SS_BITMAP &&
              kSsNoPrefix == SS_NOPREFIX && kSsCenterImage == SS_CENTERIMAGE &&
              kSsEndEllipsis == SS_ENDELLIPSIS && kSsWordEllipsis == SS_WORDELLIPSIS);
static_assert(kEsMultiLine == ES_MULTILINE && kEsAutoVScroll == ES_AUTOVSCROLL &&
              kEsAutoHScroll == ES_AUTOHSCROLL && kEsReadOnly == ES_READONLY &&
              kEsWantReturn == ES_WANTRETURN);
static_assert(kBsAutoCheckBox == BS_AUTOCHECKBOX && kBsAutoRadioButton == BS_AUTORADIOBUTTON &&
              kLbsNotify == LBS_NOTIFY && kLbsNoIntegralHeight == LBS_NOINTEGRALHEIGHT &&
              kPbsSmooth == PBS_SMOOTH);
static_assert(FW_NORMAL == 400 && DEFAULT_CHARSET == 1);
#endif

constexpr std::uint32_t kShellFont = kDsSetFont | kDsFixedSys;

DialogTemplateOptions Options(DialogFrame frame) {
  DialogTemplateOptions options;
  options.frame = frame;
  return options;
}

TEST(DialogTemplateExTest, LaysOutHeaderFontAndDwordAlignedItems) {
  // "Gr", U+00FC, U+00DF (two bytes each), "e ", U+1F600 (four bytes), "!".
  DialogTemplate dialog{7, 310, 178, "Gr\xc3\xbc\xc3\x9f\x65 \xf0\x9f\x98\x80!", {}};
  dialog.fontFamily = "MS Shell Dlg";
  dialog.fontPointSize = 9;
  dialog.controls = {
      {kNoId, ControlKind::Static, {1, 2, 30, 8}, "Odd"},
      {101, ControlKind::Custom, {-5, 40, 53, 8}, "www.example.com", 0, "VantorHyperLink"},
      {102, ControlKind::ProgressBar, {28, 148, 253, 14}, "", kSmooth},
      {103, ControlKind::Edit, {38, 63, 235, 14}, "x", kTabStop},
  };
  const std::vector<std::uint8_t> bytes =
      SerializeDialogTemplate(dialog, Options(DialogFrame::TopLevel));

  // The fixed part of the header, byte by byte.
  const std::vector<std::uint8_t> head = {
      0x01, 0x00, 0xFF, 0xFF,  // dlgVer 1, signature 0xFFFF
      0x00, 0x00, 0x00, 0x00,  // helpID
      0x00, 0x00, 0x00, 0x00,  // exStyle
      0xC8, 0x00, 0xC8, 0x80,  // WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME | shell font
      0x04, 0x00,              // four items
      0x00, 0x00, 0x00, 0x00, 0x36, 0x01, 0xB2, 0x00,  // 0, 0, 310, 178
      0x00, 0x00, 0x00, 0x00,                          // no menu, the dialog class
  };
  ASSERT_GE(bytes.size(), head.size());
  EXPECT_EQ(std::vector<std::uint8_t>(bytes.begin(), bytes.begin() + head.size()), head);

  const ReadDialog read = ReadTemplate(bytes);
  EXPECT_EQ(read.style, kWsPopup | kWsCaption | kWsSysMenu | kDsModalFrame | kShellFont);
  EXPECT_EQ(read.title, u"Gr\u00fc\u00dfe \xD83D\xDE00!");
  EXPECT_EQ(read.pointSize, 9);
  EXPECT_EQ(read.weight, 400);
  EXPECT_EQ(read.italic, 0);
  EXPECT_EQ(read.charset, 1);  // DEFAULT_CHARSET
  EXPECT_EQ(read.typeface, u"MS Shell Dlg");
  ASSERT_EQ(read.items.size(), 4u);

  // Header 26 bytes, menu and class 4, title 9 units + NUL, font 6, typeface 12 + NUL:
  // 82, and the first item after two bytes of padding.
  EXPECT_EQ(read.items[0].offset, 84u);
  for (const ReadItem& item : read.items) {
    EXPECT_EQ(item.offset % 4, 0u);
    EXPECT_EQ(item.helpId, 0u);
    EXPECT_EQ(item.extraCount, 0);
  }
  // "Odd" ends its item two bytes short of a DWORD: the next item starts after padding.
  EXPECT_EQ(read.items[1].offset, read.items[0].offset + 24 + 4 + 8 + 2 + 2);

  const ReadItem& label = read.items[0];
  EXPECT_EQ(label.id, 0xFFFFFFFFu);
  EXPECT_EQ((std::vector<int>{label.x, label.y, label.cx, label.cy}),
            (std::vector<int>{1, 2, 30, 8}));
  EXPECT_TRUE(label.windowClass.isAtom);
  EXPECT_EQ(label.windowClass.atom, kStatic);
  EXPECT_EQ(label.title.name, u"Odd");

  const ReadItem& link = read.items[1];
  EXPECT_EQ(link.id, 101u);
  EXPECT_EQ(link.x, -5);
  EXPECT_FALSE(link.windowClass.isAtom);
  EXPECT_EQ(link.windowClass.name, u"VantorHyperLink");
  EXPECT_EQ(link.title.name, u"www.example.com");

  EXPECT_EQ(read.items[2].windowClass.name, u"msctls_progress32");
  EXPECT_EQ(read.items[2].title.name, u"");
  EXPECT_EQ(read.items[3].windowClass.atom, kEdit);
  EXPECT_EQ(read.items[3].title.name, u"x");
}

TEST(DialogTemplateExTest, ChildPageIsAControlParentWithoutCaption) {
  const DialogTemplate dialog{7, 310, 178, "Zelcor Vantor - Choose Actions", {}};
  const ReadDialog read =
      ReadTemplate(SerializeDialogTemplate(dialog, Options(DialogFrame::ChildPage)));
  EXPECT_EQ(read.style, kWsChild | kDsControl | kShellFont);
  EXPECT_EQ(read.exStyle, kWsExControlParent);
  EXPECT_EQ(read.title, u"");
  EXPECT_EQ(read.cx, 310);
  EXPECT_EQ(read.cy, 178);
  EXPECT_TRUE(read.items.empty());
}

TEST(DialogTemplateExTest, MapsEachKindAndBitToWin32Styles) {
  const struct {
    ControlKind kind;
    std::uint32_t bits;
    std::uint32_t style;  // besides WS_CHILD | WS_VISIBLE
    std::uint32_t exStyle;
    std::uint16_t atom;  // 0: the class is a name
  } cases[] = {
      {ControlKind::Static, 0, kSsNoPrefix, 0, kStatic},
      {ControlKind::Static, kStaticEdge | kGroup, kSsNoPrefix | kWsGroup, kWsExStaticEdge, kStatic},
      {ControlKind::Static, kTransparent, kSsNoPrefix, kWsExTransparent, kStatic},
      {ControlKind::Static, kEndEllipsis, kSsLeftNoWordWrap | kSsEndEllipsis | kSsNoPrefix, 0,
       kStatic},
      {ControlKind::Static, kEndEllipsis | kWordEllipsis,
       kSsLeftNoWordWrap | kSsWordEllipsis | kSsNoPrefix, 0, kStatic},
      {ControlKind::Static, kCenterImage | kReadOnly, kSsNoPrefix, 0, kStatic},
      {ControlKind::Picture, 0, kSsBitmap, 0, kStatic},
      {ControlKind::Picture, kCenterImage, kSsBitmap | kSsCenterImage, 0, kStatic},
      {ControlKind::Edit, 0, kEsAutoHScroll, 0, kEdit},
      {ControlKind::Edit, kBorder | kAutoHScroll | kTabStop,
       kEsAutoHScroll | kWsBorder | kWsTabStop, 0, kEdit},
      {ControlKind::Edit, kReadOnly | kDisabled, kEsAutoHScroll | kEsReadOnly | kWsDisabled, 0,
       kEdit},
      {ControlKind::Edit, kMultiLine, kEsMultiLine | kEsAutoVScroll | kEsWantReturn, 0, kEdit},
      {ControlKind::Edit,
       kMultiLine | kReadOnly | kAutoHScroll | kVScroll | kHScroll | kStaticEdge | kTabStop,
       kEsMultiLine | kEsAutoVScroll | kEsAutoHScroll | kEsReadOnly | kWsVScroll | kWsHScroll |
           kWsTabStop,
       kWsExStaticEdge, kEdit},
      {ControlKind::PushButton, 0, 0, 0, kButton},
      {ControlKind::PushButton, kTabStop | kSmooth, kWsTabStop, 0, kButton},
      {ControlKind::CheckBox, kDisabled | kTabStop, kBsAutoCheckBox | kWsDisabled | kWsTabStop, 0,
       kButton},
      {ControlKind::RadioButton, kGroup | kTabStop, kBsAutoRadioButton | kWsGroup | kWsTabStop, 0,
       kButton},
      {ControlKind::ListBox, kBorder | kVScroll | kTabStop,
       kLbsNotify | kLbsNoIntegralHeight | kWsBorder | kWsVScroll | kWsTabStop, 0, kListBox},
      {ControlKind::ProgressBar, kBorder | kSmooth, kPbsSmooth | kWsBorder, 0, 0},
      {ControlKind::ProgressBar, kMultiLine, 0, 0, 0},
      {ControlKind::Custom, kTabStop | kEndEllipsis | kStaticEdge, kWsTabStop, kWsExStaticEdge, 0},
  };
  DialogTemplate dialog{1, 100, 100, "", {}};
  for (const auto& c : cases) {
    dialog.controls.push_back({1, c.kind, {0, 0, 10, 10}, "", c.bits, "VantorArrowCheck"});
  }
  const ReadDialog read =
      ReadTemplate(SerializeDialogTemplate(dialog, Options(DialogFrame::ChildPage)));
  ASSERT_EQ(read.items.size(), std::size(cases));
  for (std::size_t i = 0; i < std::size(cases); ++i) {
    SCOPED_TRACE(i);
    const ReadItem& item = read.items[i];
    EXPECT_EQ(item.style, kWsChild | kWsVisible | cases[i].style) << std::hex << item.style;
    EXPECT_EQ(item.exStyle, cases[i].exStyle) << std::hex << item.exStyle;
    EXPECT_EQ(item.windowClass.isAtom, cases[i].atom != 0);
    EXPECT_EQ(item.windowClass.atom, cases[i].atom);
  }
}

TEST(DialogTemplateExTest, WritesTextsAsUtf16WithReplacementsForBadBytes) {
  const struct {
    ControlKind kind;
    std::uint32_t bits;
    const char* text;
    std::u16string expected;
  } cases[] = {
      {ControlKind::Static, 0, "Save &as", u"Save &as"},
      {ControlKind::Static, 0, "caf\xc3\xa9 \xe2\x82\xac", u"caf\u00e9 \u20ac"},
      {ControlKind::Static, 0, "\xf0\x9f\x98\x80!", u"\xD83D\xDE00!"},
      {ControlKind::Static, 0, "\xf4\x8f\xbf\xbf", u"\xDBFF\xDFFF"},    // U+10FFFF
      {ControlKind::Static, 0, "a\x80z", u"a\uFFFDz"},                  // stray continuation
      {ControlKind::Static, 0, "\xe2\x82", u"\uFFFD"},                  // cut short at the end
      {ControlKind::Static, 0, "\xe2\x82z", u"\uFFFDz"},                // cut short before ASCII
      {ControlKind::Static, 0, "\xc0\xaf", u"\uFFFD\uFFFD"},            // overlong
      {ControlKind::Static, 0, "\xed\xa0\x80", u"\uFFFD\uFFFD\uFFFD"},  // a surrogate
      {ControlKind::Static, 0, "\xf4\x90\x80\x80", u"\uFFFD\uFFFD\uFFFD\uFFFD"},  // > U+10FFFF
      {ControlKind::Static, 0, "\xff\xfe", u"\uFFFD\uFFFD"},
      {ControlKind::Static, 0, "\xef\xbf\xbfx", u"\uFFFDx"},  // U+FFFF would mark an ordinal
      {ControlKind::Static, 0, "one\ntwo", u"one\ntwo"},
      {ControlKind::Edit, kMultiLine, "one\ntwo\r\nthree\n", u"one\r\ntwo\r\nthree\r\n"},
      {ControlKind::Edit, 0, "one\ntwo", u"one\ntwo"},
      {ControlKind::Picture, 0, "picture", u""},
  };
  DialogTemplate dialog{1, 100, 100, "", {}};
  for (const auto& c : cases) dialog.controls.push_back({1, c.kind, {}, c.text, c.bits});
  const ReadDialog read =
      ReadTemplate(SerializeDialogTemplate(dialog, Options(DialogFrame::ChildPage)));
  ASSERT_EQ(read.items.size(), std::size(cases));
  for (std::size_t i = 0; i < std::size(cases); ++i) {
    SCOPED_TRACE(i);
    EXPECT_FALSE(read.items[i].title.isAtom);
    EXPECT_EQ(read.items[i].title.name, cases[i].expected);
  }
}

TEST(DialogTemplateExTest, RefusesWhatItCannotWriteAsItIs) {
  const auto withControl = [](ControlTemplate control) {
    return DialogTemplate{1, 100, 100, "", {control}};
  };
  DialogTemplate tooMany{1, 100, 100, "", {}};
  tooMany.controls.resize(65536);
  DialogTemplate hugeFont{1, 100, 100, "", {}};
  hugeFont.fontPointSize = 65536;
  const DialogTemplate cases[] = {
      {1, 32768, 100, "", {}},
      withControl({1, ControlKind::Static, {-32769, 0, 10, 10}}),
      withControl({1, ControlKind::Static, {0, 0, 10, 40000}}),
      tooMany,
      hugeFont,
  };
  for (const DialogTemplate& dialog : cases) {
    EXPECT_THROW(SerializeDialogTemplate(dialog, Options(DialogFrame::ChildPage)),
                 std::invalid_argument);
  }

  // A custom control's class name: none given, or an empty one.
  const DialogTemplate custom = withControl({1, ControlKind::Custom, {0, 0, 10, 10}});
  EXPECT_THROW(SerializeDialogTemplate(custom, {}), std::invalid_argument);
  EXPECT_THROW(
      SerializeDialogTemplate(withControl({1, ControlKind::Custom, {0, 0, 10, 10}, "", 0, ""}), {}),
      std::invalid_argument);
  // The largest values that fit still do.
  EXPECT_NO_THROW(
      SerializeDialogTemplate(withControl({1, ControlKind::Static, {-32768, 32767, 0, 10}}), {}));
}

}  // namespace
}  // namespace vantor::framework
