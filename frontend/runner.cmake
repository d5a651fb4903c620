# The engine runner: the portable logic, the platform's services with the
# engine program embedded, and kelvane_run, a console program that runs the
# runner and prints the log. Included by frontend/CMakeLists.txt.
add_library(kelvane_frontend_core STATIC
  ${CMAKE_CURRENT_LIST_DIR}/command_line.cpp
  ${CMAKE_CURRENT_LIST_DIR}/file_size_probe.cpp
  ${CMAKE_CURRENT_LIST_DIR}/line_reader.cpp
  ${CMAKE_CURRENT_LIST_DIR}/log_line.cpp
  ${CMAKE_CURRENT_LIST_DIR}/path_part.cpp
  ${CMAKE_CURRENT_LIST_DIR}/runner.cpp
)
target_include_directories(kelvane_frontend_core PUBLIC ${PROJECT_SOURCE_DIR})
target_link_libraries(kelvane_frontend_core PUBLIC kelvane_options)

if(NOT TARGET zorv_kelvane)
  message(STATUS "No zorv_kelvane target: the front end's platform runner is not built")
  return()
endif()

# The engine built in this tree, for the same target, becomes a byte array;
# the source is generated again whenever the engine is relinked.
set(KELVANE_ENGINE_IMAGE_SOURCE ${CMAKE_CURRENT_BINARY_DIR}/engine_image.cpp)
add_custom_command(
  OUTPUT ${KELVANE_ENGINE_IMAGE_SOURCE}
  COMMAND ${CMAKE_COMMAND} -DINPUT=$<TARGET_FILE:zorv_kelvane>
          -DOUTPUT=${KELVANE_ENGINE_IMAGE_SOURCE}
          -P ${CMAKE_CURRENT_LIST_DIR}/embed_engine.cmake
  DEPENDS zorv_kelvane $<TARGET_FILE:zorv_kelvane> ${CMAKE_CURRENT_LIST_DIR}/embed_engine.cmake
  COMMENT "Embedding the engine program in the front end"
  VERBATIM)

if(WIN32)
  set(KELVANE_PLATFORM_SOURCES
    ${CMAKE_CURRENT_LIST_DIR}/win32/platform_runner.cpp
    ${CMAKE_CURRENT_LIST_DIR}/win32/win32_child_process.cpp
    ${CMAKE_CURRENT_LIST_DIR}/win32/win32_engine_file.cpp
    ${CMAKE_CURRENT_LIST_DIR}/win32/win32_file_queries.cpp
  )
else()
  set(KELVANE_PLATFORM_SOURCES
    ${CMAKE_CURRENT_LIST_DIR}/posix/platform_runner.cpp
    ${CMAKE_CURRENT_LIST_DIR}/posix/posix_child_process.cpp
    ${CMAKE_CURRENT_LIST_DIR}/posix/posix_engine_file.cpp
    ${CMAKE_CURRENT_LIST_DIR}/posix/posix_file_queries.cpp
  )
endif()
add_library(kelvane_frontend_platform STATIC
  ${KELVANE_PLATFORM_SOURCES}
  ${KELVANE_ENGINE_IMAGE_SOURCE}
)
target_link_libraries(kelvane_frontend_platform PUBLIC kelvane_frontend_core)

add_executable(kelvane_run ${CMAKE_CURRENT_LIST_DIR}/kelvane_run.cpp)
target_link_libraries(kelvane_run PRIVATE kelvane_frontend_platform)
set_target_properties(kelvane_run PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${PROJECT_BINARY_DIR})
