// A reader of extended dialog templates for the tests, written from the layout Win32
// documents rather than from the writer: it checks the alignment rules as it goes and
// fails the test (returning what it read so far) on anything it does not expect.
#ifndef VANTOR_TESTS_WIZARD_FRAMEWORK_WIN32_TEMPLATE_READER_H_
#define VANTOR_TESTS_WIZARD_FRAMEWORK_WIN32_TEMPLATE_READER_H_

#include <gtest/gtest.h>

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace vantor::framework::testing {

// A class or title field: a predefined atom (0xFFFF then the ordinal) or a string.
struct NameOrAtom {
  bool isAtom = false;
  std::uint16_t atom = 0;
  std::u16string name;
};

struct ReadItem {
  std::size_t offset = 0;
  std::uint32_t helpId = 0;
  std::uint32_t exStyle = 0;
  std::uint32_t style = 0;
  std::int16_t x = 0, y = 0, cx = 0, cy = 0;
  std::uint32_t id = 0;
  NameOrAtom windowClass;
  NameOrAtom title;
  std::uint16_t extraCount = 0;
};

struct ReadDialog {
  std::uint16_t dlgVer = 0;
  std::uint16_t signature = 0;
  std::uint32_t helpId = 0;
  std::uint32_t exStyle = 0;
  std::uint32_t style = 0;
  std::uint16_t itemCount = 0;
  std::int16_t x = 0, y = 0, cx = 0, cy = 0;
  NameOrAtom menu;
  NameOrAtom windowClass;
  std::u16string title;
  std::uint16_t pointSize = 0;
  std::uint16_t weight = 0;
  std::uint8_t italic = 0;
  std::uint8_t charset = 0;
  std::u16string typeface;
  std::vector<ReadItem> items;
};

class TemplateReader {
 public:
  explicit TemplateReader(const std::vector<std::uint8_t>& bytes) : m_bytes(bytes) {}

  ReadDialog Read() {
    ReadDialog dialog;
    dialog.dlgVer = Word();
    dialog.signature = Word();
    dialog.helpId = Dword();
    dialog.exStyle = Dword();
    dialog.style = Dword();
    dialog.itemCount = Word();
    dialog.x = static_cast<std::int16_t>(Word());
    dialog.y = static_cast<std::int16_t>(Word());
    dialog.cx = static_cast<std::int16_t>(Word());
    dialog.cy = static_cast<std::int16_t>(Word());
    dialog.menu = NameOrOrdinal();
    dialog.windowClass = NameOrOrdinal();
    dialog.title = String();
    // DS_SETFONT: the font block follows the title.
    if (dialog.style & 0x40) {
      dialog.pointSize = Word();
      dialog.weight = Word();
      dialog.italic = Byte();
      dialog.charset = Byte();
      dialog.typeface = String();
    }
    for (int i = 0; i < dialog.itemCount && !m_failed; ++i) {
      // Padding up to each item is zeros.
      while (m_at % 4 != 0 && !m_failed) EXPECT_EQ(Byte(), 0) << "padding at " << m_at - 1;
      ReadItem item;
      item.offset = m_at;
      item.helpId = Dword();
      item.exStyle = Dword();
      item.style = Dword();
      item.x = static_cast<std::int16_t>(Word());
      item.y = static_cast<std::int16_t>(Word());
      item.cx = static_cast<std::int16_t>(Word());
      item.cy = static_cast<std::int16_t>(Word());
      item.id = Dword();
      item.windowClass = NameOrOrdinal();
      item.title = NameOrOrdinal();
      item.extraCount = Word();
      m_at += item.extraCount;
      dialog.items.push_back(item);
    }
    EXPECT_EQ(m_at, m_bytes.size()) << "bytes after the last item";
    return dialog;
  }

 private:
  std::uint8_t Byte() {
    if (m_at >= m_bytes.size()) {
      if (!m_failed) ADD_FAILURE() << "template ends early";
      m_failed = true;
      return 0;
    }
    return m_bytes[m_at++];
  }

  std::uint16_t Word() {
    EXPECT_EQ(m_at % 2, 0u) << "WORD field at an odd offset";
    const std::uint16_t low = Byte();
    return static_cast<std::uint16_t>(low | Byte() << 8);
  }

  std::uint32_t Dword() {
    const std::uint32_t low = Word();
    return low | static_cast<std::uint32_t>(Word()) << 16;
  }

  std::u16string String() {
    std::u16string text;
    for (char16_t unit = Word(); unit != 0 && !m_failed; unit = Word()) text.push_back(unit);
    return text;
  }

  // A menu, class or title: 0xFFFF and an ordinal, or a string (0 alone: an empty one,
  // which for the header's menu and class means none).
  NameOrAtom NameOrOrdinal() {
    const std::uint16_t first = Word();
    if (first == 0xFFFF) return {true, Word(), {}};
    if (first == 0) return {};
    return {false, 0, static_cast<char16_t>(first) + String()};
  }

  const std::vector<std::uint8_t>& m_bytes;
  std::size_t m_at = 0;
  bool m_failed = false;
};

inline ReadDialog ReadTemplate(const std::vector<std::uint8_t>& bytes) {
  return TemplateReader(bytes).Read();
}

}  // namespace vantor::framework::testing

#endif  // VANTOR_TESTS_WIZARD_FRAMEWORK_WIN32_TEMPLATE_READER_H_
