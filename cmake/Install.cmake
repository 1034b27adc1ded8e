# cmake --install: headers, static libraries, libecr17.so, the executables, a
# CMake package (find_package(ecr17) gives ecr17::log, ecr17::json,
# ecr17::terminal and ecr17::c) and a pkg-config file for the C interface.
include(GNUInstallDirs)
include(CMakePackageConfigHelpers)

set(ecr17_libraries ecr17_log ecr17_json ecr17_terminal ecr17_c)
set_target_properties(ecr17_log PROPERTIES EXPORT_NAME log)
set_target_properties(ecr17_json PROPERTIES EXPORT_NAME json)
set_target_properties(ecr17_terminal PROPERTIES EXPORT_NAME terminal)

install(TARGETS ${ecr17_libraries} EXPORT ecr17Targets
  ARCHIVE DESTINATION ${CMAKE_INSTALL_LIBDIR}
  LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR})

foreach(program ecr17_cli ecr17-sim ecr17-bridge ecr17-console)
  if(TARGET ${program})
    install(TARGETS ${program} RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
  endif()
endforeach()

# Exactly the public interface of each library, in one folder: the headers
# include each other by bare name.
get_property(ecr17_headers GLOBAL PROPERTY ECR17_PUBLIC_HEADERS)
install(FILES ${ecr17_headers} DESTINATION ${CMAKE_INSTALL_INCLUDEDIR}/ecr17)

set(ecr17_cmake_dir ${CMAKE_INSTALL_LIBDIR}/cmake/ecr17)
install(EXPORT ecr17Targets NAMESPACE ecr17:: DESTINATION ${ecr17_cmake_dir})
configure_package_config_file(${PROJECT_SOURCE_DIR}/cmake/ecr17Config.cmake.in
  ${PROJECT_BINARY_DIR}/ecr17Config.cmake INSTALL_DESTINATION ${ecr17_cmake_dir})
write_basic_package_version_file(${PROJECT_BINARY_DIR}/ecr17ConfigVersion.cmake
  COMPATIBILITY SameMajorVersion)
install(FILES ${PROJECT_BINARY_DIR}/ecr17Config.cmake ${PROJECT_BINARY_DIR}/ecr17ConfigVersion.cmake
  DESTINATION ${ecr17_cmake_dir})

configure_file(${PROJECT_SOURCE_DIR}/cmake/ecr17.pc.in ${PROJECT_BINARY_DIR}/ecr17.pc @ONLY)
install(FILES ${PROJECT_BINARY_DIR}/ecr17.pc DESTINATION ${CMAKE_INSTALL_LIBDIR}/pkgconfig)
