# Tests of the property-sheet layer, the sheet and the pages.
find_package(Qt6 REQUIRED COMPONENTS Test)

vantor_add_wizard_test(dialog_units_test framework/dialog_units_test.cpp)
vantor_add_wizard_test(property_sheet_test framework/property_sheet_test.cpp)
target_link_libraries(property_sheet_test PRIVATE Qt6::Test)
vantor_add_wizard_test(message_box_test framework/message_box_test.cpp)
target_link_libraries(message_box_test PRIVATE Qt6::Test)
vantor_add_wizard_test(sheet_test sheet_test.cpp)
vantor_add_wizard_test(page_templates_test page_templates_test.cpp)
