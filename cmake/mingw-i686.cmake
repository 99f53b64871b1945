# The 32-bit Windows flavour, the release: the host is a 32-bit program.
set(WAKEUP_MINGW_CPU i686)
set(WAKEUP_FLAVOUR win32)
include(${CMAKE_CURRENT_LIST_DIR}/mingw.cmake)
