// The files the pages name, checked on Next the way the batch tool checks them as it
// starts (engine/file_checks.h), and the way back to the field that names a file the
// job cannot use: from the summary, whose Next checks the whole job once more, and from
// the results of a run that failed on a file. User-interface thread only.
#ifndef VANTOR_WIZARD_FILE_FIELDS_H_
#define VANTOR_WIZARD_FILE_FIELDS_H_

#include <optional>
#include <string>

#include "engine/file_checks.h"
#include "engine/job.h"
#include "wizard/framework/property_page.h"

namespace vantor::wizard {

class CVantorSheet;

// The job the pages hold now, as the processing page would build it.
ProcessingJob JobOfPages(const CVantorSheet& sheet);

// Shows the file and what is wrong with it in a box on `page`, and puts the focus on the
// field `fieldId` (on the list's entry `row` of the merge page when it is one): the
// answer for OnWizardNext that keeps the wizard on the page.
int RefuseFile(framework::PropertyPage& page, const FileProblem& problem, int fieldId,
               int row = -1);

// The whole job's files checked as the run would find them (CheckJobFiles, the inputs
// opened). On a problem, the wizard goes to the page that names the file, shows the box
// there and focuses the field; false then.
bool CheckFilesBeforeRun(CVantorSheet& sheet);

// The file a failed run's detail names ("cannot open 'lists/a.txt': No such file or
// directory" names lists/a.txt); empty when it names none.
std::string FileNamedIn(const std::string& detail);

// Moves the wizard to the page whose field names `name` and focuses that field: the
// list, the filter file, a list to merge, or the destination (its folder, or a part of
// the split). False, and nothing done, when no field names it.
bool GoToFieldNaming(CVantorSheet& sheet, const std::string& name);

}  // namespace vantor::wizard

#endif  // VANTOR_WIZARD_FILE_FIELDS_H_
