# Build helpers shared by every subsystem.

# Warnings for the project's own targets; CI turns them into errors.
function(ecr17_warnings target)
  target_compile_options(${target} PRIVATE -Wall -Wextra -Wpedantic)
  if(DEFINED ENV{CI})
    target_compile_options(${target} PRIVATE -Werror)
  endif()
endfunction()

function(ecr17_apply_sanitizers)
  if(ECR17_SANITIZE)
    string(REPLACE ";" "," list "${ECR17_SANITIZE}")
    add_compile_options(-fsanitize=${list} -fno-omit-frame-pointer -fno-sanitize-recover=all)
    add_link_options(-fsanitize=${list})
  endif()
endfunction()

# A library of the project: ecr17_library(name SOURCES...). Its folder holds
# its private headers, which the project's own tests, tools and benchmarks
# may include; embedders see only what ecr17_public_headers installs.
function(ecr17_library name)
  add_library(${name} STATIC ${ARGN})
  target_include_directories(${name} PUBLIC $<BUILD_INTERFACE:${CMAKE_CURRENT_SOURCE_DIR}>)
  ecr17_warnings(${name})
endfunction()

# The installed interface of a library: the headers in the folder's
# include/ecr17/, reached as <ecr17/X.h> or by bare name (the headers include
# each other by bare name).
function(ecr17_public_headers name)
  set(dir ${CMAKE_CURRENT_SOURCE_DIR}/include)
  target_include_directories(${name} PUBLIC
    $<BUILD_INTERFACE:${dir}> $<BUILD_INTERFACE:${dir}/ecr17>
    $<INSTALL_INTERFACE:include> $<INSTALL_INTERFACE:include/ecr17>)
  file(GLOB headers CONFIGURE_DEPENDS ${dir}/ecr17/*.h)
  set_property(GLOBAL APPEND PROPERTY ECR17_PUBLIC_HEADERS ${headers})
endfunction()

# One GoogleTest executable registered with CTest: ecr17_test(name SOURCES... LIBS ...)
function(ecr17_test name)
  cmake_parse_arguments(arg "" "" "SOURCES;LIBS" ${ARGN})
  add_executable(${name} ${arg_SOURCES})
  target_link_libraries(${name} PRIVATE ${arg_LIBS} GTest::gtest GTest::gtest_main GTest::gmock Threads::Threads)
  ecr17_warnings(${name})
  gtest_discover_tests(${name} DISCOVERY_TIMEOUT 60 PROPERTIES TIMEOUT 300)
endfunction()
