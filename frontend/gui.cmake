# The main window: its portable state machine on every platform, and the
# `kelvane` Windows program built around it.
add_library(kelvane_main_window STATIC
  ${CMAKE_CURRENT_LIST_DIR}/main_window_controls.cpp
  ${CMAKE_CURRENT_LIST_DIR}/main_window_logic.cpp
)
target_include_directories(kelvane_main_window PUBLIC ${PROJECT_SOURCE_DIR})
target_link_libraries(kelvane_main_window PUBLIC kelvane_frontend_core kelvane_options)

if(WIN32)
  enable_language(RC)
  # The manifest names the processor architecture of the build.
  if(CMAKE_SIZEOF_VOID_P EQUAL 8)
    set(kelvane_manifest kelvane-amd64.manifest)
    set_property(SOURCE ${CMAKE_CURRENT_LIST_DIR}/win32/kelvane.rc APPEND PROPERTY COMPILE_DEFINITIONS KELVANE_AMD64)
  else()
    set(kelvane_manifest kelvane.manifest)
  endif()
  # The resource compiler finds the icon and manifest beside the script.
  set_property(SOURCE ${CMAKE_CURRENT_LIST_DIR}/win32/kelvane.rc APPEND PROPERTY INCLUDE_DIRECTORIES
    ${CMAKE_CURRENT_LIST_DIR}/win32)

  add_executable(kelvane WIN32
    ${CMAKE_CURRENT_LIST_DIR}/win32/main.cpp
    ${CMAKE_CURRENT_LIST_DIR}/win32/main_window.cpp
    ${CMAKE_CURRENT_LIST_DIR}/win32/main_window_ui.cpp
    ${CMAKE_CURRENT_LIST_DIR}/win32/kelvane.rc
  )
  target_link_libraries(kelvane PRIVATE
    kelvane_main_window kelvane_frontend_platform kelvane_frontend_core kelvane_options
    comdlg32 gdi32 user32)
  set_property(SOURCE ${CMAKE_CURRENT_LIST_DIR}/win32/kelvane.rc APPEND PROPERTY OBJECT_DEPENDS
    ${CMAKE_CURRENT_LIST_DIR}/win32/kelvane.ico
    ${CMAKE_CURRENT_LIST_DIR}/win32/${kelvane_manifest})

  # Test helper for the end-to-end test under Wine: reads the live window.
  add_executable(kelvane_window_probe ${PROJECT_SOURCE_DIR}/tests/frontend/main_window_probe.cpp)
  target_link_libraries(kelvane_window_probe PRIVATE kelvane_options user32)
  set_target_properties(kelvane kelvane_window_probe PROPERTIES
    RUNTIME_OUTPUT_DIRECTORY ${PROJECT_BINARY_DIR})
endif()
