# The fuzz targets and the sources of their checks: one file per target, named as the
# target and its corpus directory under tests/fuzz/, on the harness of harness.cpp.
# Shared by the libFuzzer build (fuzz/CMakeLists.txt) and the corpus test
# (tests/fuzz/CMakeLists.txt).
set(VANTOR_FUZZ_TARGETS
    list_reader_fuzz filter_fuzz sort_fuzz randomize_fuzz include_fuzz extract_fuzz
    split_fuzz merge_fuzz clean_fuzz suppress_fuzz dedupe_fuzz)
set(VANTOR_FUZZ_CHECK_SOURCES
    ${CMAKE_CURRENT_LIST_DIR}/checks.cpp ${CMAKE_CURRENT_LIST_DIR}/harness.cpp)
foreach(name IN LISTS VANTOR_FUZZ_TARGETS)
  list(APPEND VANTOR_FUZZ_CHECK_SOURCES ${CMAKE_CURRENT_LIST_DIR}/${name}.cpp)
endforeach()
