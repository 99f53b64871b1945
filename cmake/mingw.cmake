# Cross toolchain for the Windows deliverables, included by the toolchain file
# of each flavour after it set WAKEUP_MINGW_CPU (i686 or x86_64) and
# WAKEUP_FLAVOUR (win32 or win64): MinGW-w64 with the posix thread model (the
# win32 model has no std::thread or std::mutex, and GoogleTest needs them),
# static runtime so that no extra DLL has to ship.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR ${WAKEUP_MINGW_CPU})

set(MINGW_PREFIX ${WAKEUP_MINGW_CPU}-w64-mingw32)
set(CMAKE_C_COMPILER ${MINGW_PREFIX}-gcc-posix)
set(CMAKE_CXX_COMPILER ${MINGW_PREFIX}-g++-posix)
set(CMAKE_RC_COMPILER ${MINGW_PREFIX}-windres)
set(CMAKE_FIND_ROOT_PATH /usr/${MINGW_PREFIX})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)

set(CMAKE_EXE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")
set(CMAKE_SHARED_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")

# Tests of the real binaries run under Wine of the same flavour; the prefix
# is set up by scripts/setup.
set(CMAKE_CROSSCOMPILING_EMULATOR ${CMAKE_CURRENT_LIST_DIR}/../scripts/wine-run-${WAKEUP_FLAVOUR})
