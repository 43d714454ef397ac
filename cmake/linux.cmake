# The Linux port and, with it, the native unit tests.
find_package(PkgConfig REQUIRED)
pkg_check_modules(GIO REQUIRED IMPORTED_TARGET gio-2.0 gio-unix-2.0)

add_library(corvane_platform_posix STATIC
  src/platform/posix.cpp src/platform/posix_desktop.cpp src/platform/posix_code_pages.cpp
  src/platform/posix_processes.cpp src/platform/posix_files.cpp)
target_link_libraries(corvane_platform_posix PUBLIC corvane_core PRIVATE PkgConfig::GIO)

add_executable(corvane src/main.cpp)
# The platform's start-up code must stay even though nothing names it.
target_link_libraries(corvane PRIVATE corvane_core
  "$<LINK_LIBRARY:WHOLE_ARCHIVE,corvane_platform_posix>")

add_library(corvane_platform_fake STATIC src/platform/fake.cpp)
target_link_libraries(corvane_platform_fake PUBLIC corvane_core)

if(CORVANE_TESTS)
  enable_testing()
  add_subdirectory(tests)
  add_subdirectory(tests/e2e/linux)
endif()
if(CORVANE_FUZZ)
  add_subdirectory(tests/fuzz)
endif()
if(CORVANE_BENCH)
  add_subdirectory(bench)
endif()
