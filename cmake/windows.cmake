# The Windows corvane.exe: GUI subsystem, static, importing system DLLs only.
add_library(corvane_platform_win32 STATIC src/platform/win32.cpp)
target_link_libraries(corvane_platform_win32 PUBLIC corvane_core)

# Small and self-contained: no exceptions or RTTI (the lean text type needs neither), optimised
# for size across all files at link time, one thread so no guarded statics, unused sections
# dropped, the C++ and GCC runtimes linked in.
set(CORVANE_WIN_FLAGS -Os -flto -fno-threadsafe-statics -fno-exceptions -fno-rtti
    -fno-asynchronous-unwind-tables -ffunction-sections -fdata-sections)
# The same bytes from every build of a commit, wherever and whenever it runs: source paths
# (__FILE__) relative to the source folder, and no link time in the PE header.
list(APPEND CORVANE_WIN_FLAGS "-ffile-prefix-map=${CMAKE_SOURCE_DIR}/=")
add_link_options(-Wl,--no-insert-timestamp)
target_compile_options(corvane_core PRIVATE ${CORVANE_WIN_FLAGS})
target_compile_options(corvane_platform_win32 PRIVATE ${CORVANE_WIN_FLAGS})

add_executable(corvane WIN32 src/main.cpp)
target_compile_options(corvane PRIVATE ${CORVANE_WIN_FLAGS})
target_link_libraries(corvane PRIVATE corvane_core corvane_platform_win32 shell32 user32 ole32)
# The link is where the code is compiled under -flto: optimised for size as a whole (the
# compile flags, sections per function included, give a larger program here).
target_link_options(corvane PRIVATE -Os -flto -fno-exceptions -fno-asynchronous-unwind-tables -static -s -Wl,--gc-sections -mwindows)

# Version information and the manifest (asInvoker, the Windows versions it knows). Kept apart
# from corvane's sources so that none of their compiler flags reach windres.
enable_language(RC)
add_library(corvane_resources OBJECT res/corvane.rc)
set_property(SOURCE res/corvane.rc APPEND PROPERTY OBJECT_DEPENDS
  ${CMAKE_CURRENT_SOURCE_DIR}/res/corvane.manifest)
target_link_libraries(corvane PRIVATE corvane_resources)

if(CORVANE_TESTS)
  enable_testing()
  add_subdirectory(tests/e2e/windows)
  add_subdirectory(tests/footprint)
endif()
