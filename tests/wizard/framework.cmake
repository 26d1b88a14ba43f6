# Tests of the property-sheet layer, the sheet and the pages.
vantor_add_wizard_test(dialog_units_test framework/dialog_units_test.cpp)
vantor_add_wizard_test(property_sheet_test framework/property_sheet_test.cpp)
vantor_add_wizard_test(message_box_test framework/message_box_test.cpp)
vantor_add_wizard_test(sheet_test sheet_test.cpp)
vantor_add_wizard_test(page_templates_test page_templates_test.cpp)
