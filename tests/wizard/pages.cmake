# Tests of the pages that collect the job and of the summary, driven through the sheet, and
# of the wizard with the keyboard alone.
foreach(test page_checks_test file_name_pages_test parameter_pages_test merge_page_test
             summary_page_test keyboard_test)
  vantor_add_wizard_test(${test} ${test}.cpp)
endforeach()
