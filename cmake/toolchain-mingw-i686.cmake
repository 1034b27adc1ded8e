# Windows i686 (32-bit): cmake -DCMAKE_TOOLCHAIN_FILE=cmake/toolchain-mingw-i686.cmake
# Built and linked only: this machine's Wine runs no 32-bit programs.
set(CMAKE_SYSTEM_PROCESSOR i686)
set(ecr17_mingw_triplet i686-w64-mingw32)
include(${CMAKE_CURRENT_LIST_DIR}/MingwToolchain.cmake)
