# cpack: ecr17-<version>-win64.zip (win32 on 32 bits) with what a Windows
# program needs to call the terminal: the DLL, its import library and .def,
# the C header, the two programs, the C# binding and a short README. Only the
# "windows" component goes in; the static libraries and CMake files of a
# plain install stay out.
if(CMAKE_SIZEOF_VOID_P EQUAL 8)
  set(windows_bits win64)
else()
  set(windows_bits win32)
endif()

install(TARGETS ecr17_c RUNTIME DESTINATION . COMPONENT windows ARCHIVE DESTINATION lib COMPONENT windows)
install(TARGETS ecr17_cli ecr17-sim RUNTIME DESTINATION . COMPONENT windows)
install(FILES ${PROJECT_SOURCE_DIR}/terminal/capi/ecr17.def DESTINATION lib COMPONENT windows)
install(FILES ${PROJECT_SOURCE_DIR}/terminal/include/ecr17/ecr17.h DESTINATION include COMPONENT windows)
install(FILES ${PROJECT_SOURCE_DIR}/bindings/dotnet/Ecr17Client.cs DESTINATION dotnet COMPONENT windows)
install(FILES ${PROJECT_SOURCE_DIR}/cmake/WindowsPackageReadme.txt RENAME README.txt DESTINATION . COMPONENT windows)

set(CPACK_GENERATOR ZIP)
set(CPACK_PACKAGE_NAME ecr17)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_FILE_NAME ecr17-${PROJECT_VERSION}-${windows_bits})
set(CPACK_COMPONENTS_ALL windows)
set(CPACK_ARCHIVE_COMPONENT_INSTALL ON)
set(CPACK_COMPONENTS_GROUPING ALL_COMPONENTS_IN_ONE)
set(CPACK_ARCHIVE_FILE_NAME ${CPACK_PACKAGE_FILE_NAME})
set(CPACK_INCLUDE_TOPLEVEL_DIRECTORY ON)
set(CPACK_COMPONENT_INCLUDE_TOPLEVEL_DIRECTORY ON)
include(CPack)
