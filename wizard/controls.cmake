# The custom controls, included by wizard/CMakeLists.txt: their rules in standard C++,
# shared by every toolkit, and their Qt widgets.
list(APPEND VANTOR_CONTROL_CORE_SOURCES
  arrow_check_pixels.cpp
  hyperlink_state.cpp
)
list(APPEND VANTOR_CONTROL_SOURCES
  arrow_check_static.cpp
  controls_qt.cpp
  decoration.cpp
  hyperlink.cpp
)
