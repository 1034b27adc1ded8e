# The Windows build (mingw-w64, see the toolchain files): every program and
# ecr17.dll in one folder, so that the programs find the DLL there.
set(CMAKE_RUNTIME_OUTPUT_DIRECTORY ${PROJECT_BINARY_DIR}/bin)

# GoogleTest built from its sources for the target: Debian ships it only
# built for Linux.
set(ECR17_GOOGLETEST_SOURCE /usr/src/googletest CACHE PATH "GoogleTest sources, built for Windows")
macro(ecr17_googletest_from_source)
  set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
  add_subdirectory(${ECR17_GOOGLETEST_SOURCE} ${PROJECT_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)
endmacro()

# Debian ships no Qt built for mingw-w64: the console stays a Linux program.
set(ECR17_BUILD_CONSOLE OFF)

# mingw-w64's time.h offers the reentrant gmtime_r and localtime_r with this;
# windows.h keeps its min and max macros and rarely used parts to itself.
add_compile_definitions(_POSIX_THREAD_SAFE_FUNCTIONS NOMINMAX WIN32_LEAN_AND_MEAN)
