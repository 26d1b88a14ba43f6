// The thirteen page templates, for the tests that go through all of them.
#ifndef VANTOR_TESTS_WIZARD_PAGE_TEMPLATE_LIST_H_
#define VANTOR_TESTS_WIZARD_PAGE_TEMPLATE_LIST_H_

#include "wizard/choose_items_page.h"
#include "wizard/completion_page.h"
#include "wizard/extract_page.h"
#include "wizard/filter_page.h"
#include "wizard/include_page.h"
#include "wizard/merge_page.h"
#include "wizard/output_page.h"
#include "wizard/processing_page.h"
#include "wizard/rearrange_page.h"
#include "wizard/single_list_page.h"
#include "wizard/split_page.h"
#include "wizard/summary_page.h"
#include "wizard/welcome_page.h"

namespace vantor::wizard::test {

inline const framework::DialogTemplate* const kPageTemplates[] = {
    &CWelcomePage::Template(),    &CChooseItemsPage::Template(), &CSingleListPage::Template(),
    &CFilterPage::Template(),     &CRearrangePage::Template(),   &CIncludePage::Template(),
    &CExtractPage::Template(),    &CSplitPage::Template(),       &COutputPage::Template(),
    &CMergePage::Template(),      &CSummaryPage::Template(),     &CProcessingPage::Template(),
    &CCompletionPage::Template(),
};

}  // namespace vantor::wizard::test

#endif  // VANTOR_TESTS_WIZARD_PAGE_TEMPLATE_LIST_H_
