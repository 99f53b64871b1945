# The 64-bit Windows flavour of the same sources, built and tested under
# 64-bit Wine on a machine that runs no 32-bit program; not shipped.
set(WAKEUP_MINGW_CPU x86_64)
set(WAKEUP_FLAVOUR win64)
include(${CMAKE_CURRENT_LIST_DIR}/mingw.cmake)
