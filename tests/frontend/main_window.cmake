# The main window's state machine, driven through a fake UI and fake runner.
kelvane_add_gtest(main_window_test
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/main_window_test.cpp
  LIBS kelvane_main_window)
