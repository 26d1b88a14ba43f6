# Tests of running a job from the wizard: the worker, the processing and completion pages.
foreach(test run_worker_test processing_page_test completion_page_test)
  vantor_add_wizard_test(${test} ${test}.cpp)
endforeach()

# The wizard's runs are compared with the batch tool's on the same lists and seed.
add_dependencies(processing_page_test vantor-cli)
target_compile_definitions(processing_page_test PRIVATE VANTOR_CLI_PATH="$<TARGET_FILE:vantor-cli>")
