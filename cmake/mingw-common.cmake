set(CMAKE_C_COMPILER ${CORVANE_MINGW_PREFIX}-gcc)
set(CMAKE_CXX_COMPILER ${CORVANE_MINGW_PREFIX}-g++)
set(CMAKE_RC_COMPILER ${CORVANE_MINGW_PREFIX}-windres)
# Archives of link-time-optimised objects need the compiler's plugin for their symbol index.
set(CMAKE_AR ${CORVANE_MINGW_PREFIX}-gcc-ar CACHE FILEPATH "")
set(CMAKE_RANLIB ${CORVANE_MINGW_PREFIX}-gcc-ranlib CACHE FILEPATH "")
set(CMAKE_FIND_ROOT_PATH /usr/${CORVANE_MINGW_PREFIX})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
# ctest runs every Windows test program through Wine, in the build's own prefix.
set(CMAKE_CROSSCOMPILING_EMULATOR ${CMAKE_CURRENT_LIST_DIR}/../tests/e2e/windows/wine-run)
