# Tests of the custom controls.
find_package(Qt6 REQUIRED COMPONENTS Test)

foreach(test arrow_check_static_test hyperlink_test decoration_test)
  vantor_add_wizard_test(${test} ${test}.cpp)
  target_link_libraries(${test} PRIVATE Qt6::Test)
endforeach()
