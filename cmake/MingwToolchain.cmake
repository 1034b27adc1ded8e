# Shared part of the mingw-w64 toolchain files: set ecr17_mingw_triplet and
# include this. The posix thread model gives std::thread; libstdc++, libgcc
# and winpthread are linked in statically, so that the programs and the DLL
# need nothing but Windows's own libraries.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_C_COMPILER ${ecr17_mingw_triplet}-gcc-posix)
set(CMAKE_CXX_COMPILER ${ecr17_mingw_triplet}-g++-posix)
set(CMAKE_RC_COMPILER ${ecr17_mingw_triplet}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${ecr17_mingw_triplet})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

set(CMAKE_EXE_LINKER_FLAGS_INIT "-static")
set(CMAKE_SHARED_LINKER_FLAGS_INIT "-static")
