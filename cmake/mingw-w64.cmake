# What both mingw-w64 toolchain files share: Debian's posix threads flavour of the
# compiler for CMAKE_SYSTEM_PROCESSOR, set by the file that includes this one.
set(CMAKE_SYSTEM_NAME Windows)

set(_triple ${CMAKE_SYSTEM_PROCESSOR}-w64-mingw32)
set(CMAKE_C_COMPILER   ${_triple}-gcc-posix)
set(CMAKE_CXX_COMPILER ${_triple}-g++-posix)
set(CMAKE_RC_COMPILER  ${_triple}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${_triple})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)

# Windows test binaries run under Wine, through the project's wrapper that picks the prefix.
# This machine's Wine runs 64-bit programs only, so the 32-bit test binaries are built but
# not run here; the emulator is named for machines whose Wine has 32-bit support.
set(CMAKE_CROSSCOMPILING_EMULATOR ${CMAKE_CURRENT_LIST_DIR}/../scripts/wine-run)
