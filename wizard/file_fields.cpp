#include "wizard/file_fields.h"

#include <vector>

#include "engine/choices.h"
#include "engine/platform/env.h"
#include "engine/split.h"
#include "wizard/filter_page.h"
#include "wizard/framework/dialog_hooks.h"
#include "wizard/framework/utf8.h"
#include "wizard/merge_page.h"
#include "wizard/output_page.h"
#include "wizard/sheet.h"
#include "wizard/single_list_page.h"

namespace vantor::wizard {

namespace {

constexpr char kFileCaption[] = "File cannot be used";
// The characters kept at each end of a long name in the box.
constexpr std::size_t kNameEnds = 40;

// A field of a page, or an entry of the merge page's list.
struct Field {
  framework::PropertyPage* page = nullptr;
  int id = 0;
  int row = -1;
};

// The field that names the job's destination: the output name, or the box that makes the
// list its own destination.
Field DestinationField(CVantorSheet& sheet, const ProcessingJob& job) {
  if (!job.singleListMode) return {sheet.GetMergePage(), CMergePage::IDC_OUTPUT_FILE};
  return {sheet.GetOutputPage(),
          job.replaceInput ? COutputPage::IDC_REPLACE_INPUT : COutputPage::IDC_OUTPUT_FILE};
}

// The field that names `name` as a file the job reads.
std::optional<Field> InputField(CVantorSheet& sheet, const ProcessingJob& job,
                                const std::string& name) {
  if (!job.singleListMode) {
    for (std::size_t row = 0; row < job.mergeFiles.size(); ++row) {
      if (job.mergeFiles[row] == name) {
        return Field{sheet.GetMergePage(), CMergePage::IDC_FILE_LIST, static_cast<int>(row)};
      }
    }
    return std::nullopt;
  }
  if (name == job.inputFileName)
    return Field{sheet.GetSingleListPage(), CSingleListPage::IDC_INPUT_FILE};
  if ((job.filterOn && name == job.filterFileName) ||
      (job.suppressOn && name == job.suppressFileName)) {
    return Field{sheet.GetFilterPage(), CFilterPage::IDC_FILTER_FILE};
  }
  return std::nullopt;
}

void Focus(framework::PropertyPage& page, int id, int row) {
  if (row >= 0) page.ListSetCurSel(id, row);
  page.GotoDlgCtrl(id);
}

// Brings `field` to the front: its page made the active one, the focus on it.
bool Activate(CVantorSheet& sheet, const Field& field) {
  if (field.page == nullptr || sheet.GetPageIndex(field.page) < 0) return false;
  if (!sheet.SetActivePage(field.page)) return false;
  Focus(*field.page, field.id, field.row);
  return true;
}

}  // namespace

ProcessingJob JobOfPages(const CVantorSheet& sheet) {
  ProcessingJob job;
  BuildJob(sheet.GetChoices(), &job);
  return job;
}

int RefuseFile(framework::PropertyPage& page, const FileProblem& problem, int fieldId, int row) {
  // A box wraps only between words: a name longer than a screen is shown with its middle
  // left out. The field beside the box holds it whole.
  FileProblem shown = problem;
  shown.name = framework::ElideMiddle(framework::ValidUtf8(problem.name), kNameEnds);
  framework::ShowMessageBox(page.GetWindow(), framework::ValidUtf8(DescribeProblem(shown)),
                            kFileCaption, framework::MessageIcon::Exclamation);
  Focus(page, fieldId, row);
  return -1;
}

bool CheckFilesBeforeRun(CVantorSheet& sheet) {
  const ProcessingJob job = JobOfPages(sheet);
  Env* env = Env::Default();
  std::optional<Field> field;
  std::optional<FileProblem> problem = CheckInputs(job, env, InputCheck::kOpen);
  if (problem) {
    field = InputField(sheet, job, problem->name);
  } else if ((problem = CheckDestination(job, env))) {
    field = DestinationField(sheet, job);
  }
  if (!problem) return true;
  framework::PropertyPage* page = sheet.GetActivePage();
  if (field && Activate(sheet, *field)) page = field->page;
  RefuseFile(*page, *problem, field && field->page == page ? field->id : 0,
             field ? field->row : -1);
  return false;
}

std::string FileNamedIn(const std::string& detail) {
  const std::size_t open = detail.find('\'');
  const std::size_t close = detail.rfind("': ");
  if (open == std::string::npos || close == std::string::npos || close <= open) return {};
  return detail.substr(open + 1, close - open - 1);
}

bool GoToFieldNaming(CVantorSheet& sheet, const std::string& name) {
  if (name.empty()) return false;
  const ProcessingJob job = JobOfPages(sheet);
  if (std::optional<Field> field = InputField(sheet, job, name)) return Activate(sheet, *field);
  const std::string& destination =
      job.singleListMode && job.replaceInput ? job.inputFileName : job.outputFileName;
  const bool names =
      name == destination || name == DirectoryOf(destination) ||
      (job.singleListMode && job.splitOn && MakePartNamePattern(destination).CanName(name));
  return names && Activate(sheet, DestinationField(sheet, job));
}

}  // namespace vantor::wizard
