// The pages of the actions' parameters: the rearrange choice and its sample lists, and
// the two modes of the split page. Their checks on Next are in page_checks_test.
#include <gtest/gtest.h>

#include <QLabel>
#include <algorithm>
#include <string>
#include <vector>

#include "engine/ordering.h"
#include "tests/wizard/wizard_driver.h"
#include "wizard/framework/qt/page_items.h"
#include "wizard/rearrange_page.h"

namespace vantor::wizard::test {
namespace {

using Choose = CChooseItemsPage;
using Split = CSplitPage;

class ParameterPagesTest : public WizardTest {};

struct RearrangeCase {
  std::vector<int> clicks;
  bool byEmail;
  bool byDomain;
};

TEST_F(ParameterPagesTest, RearrangeRadioButtonsPickOneOrderOnly) {
  using Page = CRearrangePage;
  const RearrangeCase cases[] = {
      {{}, true, false},
      {{Page::IDC_SORT_BY_DOMAIN}, false, true},
      {{Page::IDC_RANDOMIZE}, false, false},
      {{Page::IDC_RANDOMIZE, Page::IDC_SORT_BY_EMAIL}, true, false},
      {{Page::IDC_SORT_BY_DOMAIN, Page::IDC_RANDOMIZE, Page::IDC_SORT_BY_DOMAIN}, false, true},
  };
  for (const RearrangeCase& c : cases) {
    SCOPED_TRACE(c.clicks.size());
    Start({Choose::IDC_REARRANGE});
    GoTo(kRearrange);
    for (int id : c.clicks) Click(id);
    const CRearrangePage& page = *m_sheet->GetRearrangePage();
    EXPECT_EQ(page.IsSortByEmailChecked(), c.byEmail);
    EXPECT_EQ(page.IsSortByDomainChecked(), c.byDomain);
    EXPECT_EQ(page.IsDlgButtonChecked(Page::IDC_RANDOMIZE), !c.byEmail && !c.byDomain);
    const JobChoices choices = m_sheet->GetChoices();
    EXPECT_EQ(choices.sortByEmail, c.byEmail);
    EXPECT_EQ(choices.sortByDomain, c.byDomain);
    Next();
    EXPECT_EQ(ActiveId(), kSummary) << "every choice is valid";
  }
}

// The choices beside the design's: a fourth rearrange mode, letter case in a sort, the
// filter file matched by whole address, and cleaning, which counts as an action alone.
TEST_F(ParameterPagesTest, TheChoicesBesideTheDesignsReachTheJob) {
  using Page = CRearrangePage;
  struct ModeCase {
    std::vector<int> clicks;
    bool caseBoxEnabled;
    bool keepOrder;
    bool foldCase;
  };
  const ModeCase modes[] = {
      {{}, true, false, false},
      {{Page::IDC_FOLD_CASE}, true, false, true},
      {{Page::IDC_FOLD_CASE, Page::IDC_RANDOMIZE}, false, false, false},
      {{Page::IDC_KEEP_ORDER}, false, true, false},
      {{Page::IDC_KEEP_ORDER, Page::IDC_SORT_BY_DOMAIN, Page::IDC_FOLD_CASE}, true, false, true},
  };
  for (const ModeCase& c : modes) {
    SCOPED_TRACE(c.clicks.size());
    Start({Choose::IDC_REARRANGE});
    GoTo(kRearrange);
    for (int id : c.clicks) Click(id);
    EXPECT_EQ(Enabled(Page::IDC_FOLD_CASE), c.caseBoxEnabled);
    const JobChoices choices = m_sheet->GetChoices();
    EXPECT_EQ(choices.keepOrderDedupe, c.keepOrder);
    EXPECT_EQ(choices.foldCase, c.foldCase);
    if (c.keepOrder) {
      EXPECT_FALSE(choices.sortByEmail || choices.sortByDomain);
    }
    Next();
    EXPECT_EQ(ActiveId(), kSummary);
  }

  for (const bool equals : {false, true}) {
    SCOPED_TRACE(equals);
    Start({Choose::IDC_FILTER});
    GoTo(kFilter);
    EXPECT_TRUE(Active().IsDlgButtonChecked(CFilterPage::IDC_CONTAINS)) << "the design's way first";
    Type(CFilterPage::IDC_FILTER_FILE, "filter.txt");
    if (equals) Click(CFilterPage::IDC_EQUALS);
    const JobChoices choices = m_sheet->GetChoices();
    EXPECT_EQ(choices.filter, !equals);
    EXPECT_EQ(choices.suppress, equals);
    EXPECT_EQ(equals ? choices.suppressFileName : choices.filterFileName, "filter.txt");
  }

  Start({Choose::IDC_CLEAN});
  EXPECT_TRUE(m_messages.empty()) << "cleaning alone is a job";
  EXPECT_EQ(ActiveId(), kInput);
  EXPECT_TRUE(m_sheet->GetChoices().clean);
}

// The sample addresses shown under a radio button and above the next, top to bottom.
std::vector<std::string> SamplesBetween(const QWidget* above, const QWidget* below) {
  std::vector<const QLabel*> labels;
  for (const QObject* child : above->parentWidget()->children()) {
    const auto* label = qobject_cast<const QLabel*>(child);
    // The column of the buttons only: the page's own notes stand to the right.
    if (label != nullptr && label->y() > above->y() && label->y() < below->y() &&
        label->x() < above->x() + above->width()) {
      labels.push_back(label);
    }
  }
  std::sort(labels.begin(), labels.end(),
            [](const QLabel* a, const QLabel* b) { return a->y() < b->y(); });
  std::vector<std::string> texts;
  for (const QLabel* label : labels) texts.push_back(label->text().toStdString());
  return texts;
}

bool SortedBy(std::vector<std::string> lines, LineComparator compare) {
  std::vector<LineRecord> records;
  for (std::string& line : lines) {
    const std::size_t at = line.find('@');
    records.push_back({line.data(), static_cast<std::int32_t>(at == std::string::npos ? 0 : at),
                       static_cast<std::int32_t>(line.size())});
  }
  return std::is_sorted(records.begin(), records.end(),
                        [compare](const auto& a, const auto& b) { return compare(a, b) < 0; });
}

TEST_F(ParameterPagesTest, RearrangeSamplesShowTheSameFourAddressesInEachSortOrder) {
  using Page = CRearrangePage;
  Start({Choose::IDC_REARRANGE});
  GoTo(kRearrange);
  const std::vector<std::string> byEmail =
      SamplesBetween(framework::qt::Item(Active(), Page::IDC_SORT_BY_EMAIL),
                     framework::qt::Item(Active(), Page::IDC_SORT_BY_DOMAIN));
  const std::vector<std::string> byDomain =
      SamplesBetween(framework::qt::Item(Active(), Page::IDC_SORT_BY_DOMAIN),
                     framework::qt::Item(Active(), Page::IDC_RANDOMIZE));
  ASSERT_EQ(byEmail.size(), 4u);
  ASSERT_EQ(byDomain.size(), 4u);

  // User names start with a, b, c, d; the first and third share a domain, the second
  // and fourth another one that sorts before it.
  const auto domain = [](const std::string& address) { return address.substr(address.find('@')); };
  for (int i = 0; i < 4; ++i) EXPECT_EQ(byEmail[i][0], 'a' + i) << byEmail[i];
  EXPECT_EQ(domain(byEmail[0]), domain(byEmail[2]));
  EXPECT_EQ(domain(byEmail[1]), domain(byEmail[3]));
  EXPECT_LT(domain(byEmail[1]), domain(byEmail[0]));

  EXPECT_EQ(byDomain, (std::vector<std::string>{byEmail[1], byEmail[3], byEmail[0], byEmail[2]}));
  EXPECT_TRUE(SortedBy(byEmail, CompareEntireEmail));
  EXPECT_TRUE(SortedBy(byDomain, CompareDomainThenUser));
}

TEST_F(ParameterPagesTest, SplitModeEnablesOnlyItsFieldAndKeepsBothTexts) {
  Start({Choose::IDC_SPLIT});
  GoTo(kSplit);
  const CSplitPage& split = *m_sheet->GetSplitPage();
  EXPECT_TRUE(split.IsSplitByCountChecked());
  EXPECT_TRUE(Enabled(Split::IDC_EMAILS_PER_PART));
  EXPECT_FALSE(Enabled(Split::IDC_KILOBYTES_PER_PART));
  EXPECT_EQ(Text(Split::IDC_EMAILS_PER_PART), "");
  EXPECT_EQ(Text(Split::IDC_KILOBYTES_PER_PART), "");
  EXPECT_EQ(split.GetPartSize(), -1);

  Type(Split::IDC_EMAILS_PER_PART, "5000");
  EXPECT_EQ(split.GetPartSize(), 5000);

  Click(Split::IDC_SPLIT_BY_SIZE);
  EXPECT_FALSE(split.IsSplitByCountChecked());
  EXPECT_FALSE(Enabled(Split::IDC_EMAILS_PER_PART));
  EXPECT_TRUE(Enabled(Split::IDC_KILOBYTES_PER_PART));
  EXPECT_EQ(split.GetPartSize(), -1) << "only the field of the checked mode is read";
  Type(Split::IDC_KILOBYTES_PER_PART, "512");
  EXPECT_EQ(split.GetPartSize(), 512 * 1024);

  Click(Split::IDC_SPLIT_BY_SIZE);  // clicking the checked button changes nothing
  EXPECT_FALSE(Enabled(Split::IDC_EMAILS_PER_PART));
  EXPECT_TRUE(Enabled(Split::IDC_KILOBYTES_PER_PART));

  Click(Split::IDC_SPLIT_BY_COUNT);
  EXPECT_TRUE(split.IsSplitByCountChecked());
  EXPECT_TRUE(Enabled(Split::IDC_EMAILS_PER_PART));
  EXPECT_FALSE(Enabled(Split::IDC_KILOBYTES_PER_PART));
  EXPECT_EQ(Text(Split::IDC_EMAILS_PER_PART), "5000");
  EXPECT_EQ(Text(Split::IDC_KILOBYTES_PER_PART), "512");
  EXPECT_EQ(split.GetPartSize(), 5000);

  Click(Split::IDC_SPLIT_BY_SIZE);
  const JobChoices choices = m_sheet->GetChoices();
  EXPECT_FALSE(choices.splitByCount);
  EXPECT_EQ(choices.splitSize, 512 * 1024);
}

}  // namespace
}  // namespace vantor::wizard::test
