# Tests of the custom controls.
foreach(test arrow_check_static_test hyperlink_test decoration_test)
  vantor_add_wizard_test(${test} ${test}.cpp)
endforeach()
