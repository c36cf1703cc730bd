# Cross build for 64-bit Windows with Debian's mingw-w64 (posix threads), run
# under wine. Libraries without a mingw package (libtiff, libjpeg) come from
# scripts/win-deps, found through QOB_WIN_DEPS (default: build-win/deps).
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(CMAKE_C_COMPILER x86_64-w64-mingw32-gcc-posix)
set(CMAKE_CXX_COMPILER x86_64-w64-mingw32-g++-posix)
set(CMAKE_RC_COMPILER x86_64-w64-mingw32-windres)

get_filename_component(_qob_root "${CMAKE_CURRENT_LIST_DIR}/.." ABSOLUTE)
set(QOB_WIN_DEPS "${_qob_root}/build-win/deps" CACHE PATH "Static Windows builds of libtiff and libjpeg")
# A try_compile project reads the variable from its caller.
list(APPEND CMAKE_TRY_COMPILE_PLATFORM_VARIABLES QOB_WIN_DEPS)

set(CMAKE_FIND_ROOT_PATH /usr/x86_64-w64-mingw32 "${QOB_WIN_DEPS}")
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

set(CMAKE_CROSSCOMPILING_EMULATOR "${_qob_root}/scripts/wine")
