# The engine's driver (command line, messages, files) and the zorv_kelvane
# program. Included by engine/CMakeLists.txt.
target_sources(kelvane_engine PRIVATE
  ${CMAKE_CURRENT_LIST_DIR}/app_text.cpp
  ${CMAKE_CURRENT_LIST_DIR}/command_line.cpp
  ${CMAKE_CURRENT_LIST_DIR}/console_messages.cpp
  ${CMAKE_CURRENT_LIST_DIR}/driver.cpp
  ${CMAKE_CURRENT_LIST_DIR}/file_io.cpp
  ${CMAKE_CURRENT_LIST_DIR}/header_line.cpp
)
# Reading and replacing files: one platform file beside the portable part.
if(WIN32)
  target_sources(kelvane_engine PRIVATE ${CMAKE_CURRENT_LIST_DIR}/file_io_win32.cpp)
else()
  target_sources(kelvane_engine PRIVATE ${CMAKE_CURRENT_LIST_DIR}/file_io_posix.cpp)
endif()

add_executable(zorv_kelvane ${CMAKE_CURRENT_LIST_DIR}/main.cpp)
target_link_libraries(zorv_kelvane PRIVATE kelvane_engine kelvane_options)
set_target_properties(zorv_kelvane PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${PROJECT_BINARY_DIR})
