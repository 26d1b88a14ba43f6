# The custom controls, included by wizard/CMakeLists.txt.
list(APPEND VANTOR_CONTROL_SOURCES
  arrow_check_static.cpp
  decoration.cpp
  hyperlink.cpp
)
