# The dialog window with its resources, shared by kelmarwakeup.exe and the
# window's own test under Wine.
add_library(kelmarwakeup_window OBJECT
  ${CMAKE_CURRENT_LIST_DIR}/AboutDlg.cpp
  ${CMAKE_CURRENT_LIST_DIR}/OptionsDlg.cpp
  ${CMAKE_CURRENT_LIST_DIR}/TrayIcon.cpp
  ${CMAKE_CURRENT_LIST_DIR}/WakeUpWindow.cpp
  ${CMAKE_CURRENT_LIST_DIR}/kelmarwakeup.rc
)
target_link_libraries(kelmarwakeup_window PUBLIC wakeup_win32 wakeup_common)
# The version resource includes the generated Version.h; the manifest and
# the icon are read by windres too, which names no dependencies of its own.
target_include_directories(kelmarwakeup_window PRIVATE ${CMAKE_BINARY_DIR}/generated)
set_source_files_properties(${CMAKE_CURRENT_LIST_DIR}/kelmarwakeup.rc PROPERTIES
  OBJECT_DEPENDS "${CMAKE_BINARY_DIR}/generated/Version.h;${CMAKE_CURRENT_LIST_DIR}/kelmarwakeup.manifest;${CMAKE_CURRENT_LIST_DIR}/kelmarwakeup.ico")

# kelmarwakeup.exe: the Win32 program around the dialog's logic.
add_executable(kelmarwakeup WIN32 ${CMAKE_CURRENT_LIST_DIR}/WakeUpApp.cpp
  ${CMAKE_CURRENT_LIST_DIR}/SingleInstance.cpp ${CMAKE_CURRENT_LIST_DIR}/LibraryErrors.cpp)
target_link_libraries(kelmarwakeup PRIVATE kelmarwakeup_window)
# The window's files as one translation unit, as the core and the adapters.
set_target_properties(kelmarwakeup_window PROPERTIES UNITY_BUILD ON UNITY_BUILD_BATCH_SIZE 0)
