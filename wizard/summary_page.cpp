#include "wizard/summary_page.h"

#include <QEvent>
#include <QPlainTextEdit>
#include <QTextCursor>
#include <QTextDocument>

#include "engine/summary.h"
#include "wizard/file_fields.h"
#include "wizard/sheet.h"

namespace vantor::wizard {

using framework::DialogTemplate;

const DialogTemplate& CSummaryPage::Template() {
  using namespace framework;
  static const DialogTemplate kTemplate = [] {
    DialogTemplate dialog{kSummary, 310, 178, "Zelcor Vantor - Summary Information", {}};
    AddHeader(
        &dialog,
        {.title = "Summary Information",
         .subtitle =
             "Check the summary information. You can click Back and modify any entered data."});
    // clang-format off
    dialog.controls.insert(dialog.controls.end(), {
        {IDC_SUMMARY, ControlKind::Edit, {28, 48, 254, 108},
          "", kMultiLine | kReadOnly | kAutoHScroll | kVScroll | kHScroll | kBorder | kTabStop},
        {kNoId, ControlKind::Static, {28, 163, 100, 8}, "To start processing, click Next."},
    });
    // clang-format on
    return dialog;
  }();
  return kTemplate;
}

CSummaryPage::CSummaryPage() : CHeaderPage(Template()) {}

void CSummaryPage::OnInitDialog() {
  CHeaderPage::OnInitDialog();
  if (QWidget* box = GetDlgItem(IDC_SUMMARY)) box->installEventFilter(this);
}

void CSummaryPage::OnSetActive() {
  const CVantorSheet* sheet = CVantorSheet::Of(this);
  if (sheet == nullptr) return;
  SetDlgItemText(IDC_SUMMARY, QString::fromStdString(BuildSummaryText(sheet->GetChoices())));
}

int CSummaryPage::OnWizardNext() {
  CVantorSheet* sheet = CVantorSheet::Of(this);
  return sheet == nullptr || CheckFilesBeforeRun(*sheet) ? 0 : -1;
}

QString CSummaryPage::SummaryText() const {
  const auto* box = GetDlgItemAs<QPlainTextEdit>(IDC_SUMMARY);
  if (box == nullptr) return QString();
  // The raw text, not toPlainText(): that one turns a no-break space in a file name
  // into a plain one. Lines are separated by U+2029 there.
  return box->document()->toRawText().replace(QChar::ParagraphSeparator, QStringLiteral("\r\n"));
}

bool CSummaryPage::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() == QEvent::FocusIn) {
    if (auto* box = qobject_cast<QPlainTextEdit*>(watched)) {
      // Drop any selection but leave the caret where it is, and bring it into view.
      QTextCursor cursor = box->textCursor();
      cursor.clearSelection();
      box->setTextCursor(cursor);
      box->ensureCursorVisible();
    }
  }
  return CHeaderPage::eventFilter(watched, event);
}

}  // namespace vantor::wizard
