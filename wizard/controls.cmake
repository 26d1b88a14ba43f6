# The custom controls, included by wizard/CMakeLists.txt.
list(APPEND VANTOR_CONTROL_SOURCES
)
