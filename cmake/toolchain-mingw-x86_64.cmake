# Windows x86_64: cmake -DCMAKE_TOOLCHAIN_FILE=cmake/toolchain-mingw-x86_64.cmake
# The programs run under Wine here: ctest starts them through wine64, headless
# (WINEDEBUG=-all, no display) in a Wine prefix of the build folder's own.
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(ecr17_mingw_triplet x86_64-w64-mingw32)
include(${CMAKE_CURRENT_LIST_DIR}/MingwToolchain.cmake)

find_program(ECR17_WINE64 wine64 PATHS /usr/lib/wine NO_CMAKE_FIND_ROOT_PATH)
if(ECR17_WINE64)
  set(CMAKE_CROSSCOMPILING_EMULATOR
      env -u DISPLAY -u WAYLAND_DISPLAY WINEDEBUG=-all WINEPREFIX=${CMAKE_BINARY_DIR}/wine
      WINEDLLOVERRIDES=mscoree,mshtml= ${ECR17_WINE64})
endif()
