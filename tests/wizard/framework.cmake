# Tests of the property-sheet layer, the sheet and the pages.
vantor_add_wizard_test(dialog_units_test framework/dialog_units_test.cpp)
vantor_add_wizard_test(property_sheet_test framework/property_sheet_test.cpp)
vantor_add_wizard_test(message_box_test framework/message_box_test.cpp)
vantor_add_wizard_test(sheet_test sheet_test.cpp)
vantor_add_wizard_test(page_templates_test page_templates_test.cpp)
# The pages' Win32 templates; here because the page templates live in the Qt wizard.
vantor_add_wizard_test(page_templates_ex_test framework/win32/page_templates_ex_test.cpp)
target_link_libraries(page_templates_ex_test PRIVATE vantor_dialog_template_ex)
