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
# Of its platform files (see ecr17_platform_sources) only this platform's
# are built.
function(ecr17_library name)
  set(sources ${ARGN})
  ecr17_platform_sources(sources)
  add_library(${name} STATIC ${sources})
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
  ecr17_platform_sources(arg_SOURCES)
  add_executable(${name} ${arg_SOURCES})
  target_link_libraries(${name} PRIVATE ${arg_LIBS} GTest::gtest GTest::gtest_main GTest::gmock Threads::Threads)
  ecr17_warnings(${name})
  if(CMAKE_CROSSCOMPILING)
    # Each start of a program under the target's emulator costs a fraction
    # of a second: the whole executable is one test.
    add_test(NAME ${name} COMMAND ${name})
    set_tests_properties(${name} PROPERTIES TIMEOUT 600 FIXTURES_REQUIRED wine_prefix)
  else()
    gtest_discover_tests(${name} DISCOVERY_TIMEOUT 60 PROPERTIES TIMEOUT 300)
  endif()
endfunction()

# Keeps the platform's own files in a list of sources: a name ending in
# Win.cpp is built for Windows only, one ending in Posix.cpp everywhere else.
function(ecr17_platform_sources var)
  if(WIN32)
    list(FILTER ${var} EXCLUDE REGEX "Posix\\.cpp$")
  else()
    list(FILTER ${var} EXCLUDE REGEX "Win\\.cpp$")
  endif()
  set(${var} ${${var}} PARENT_SCOPE)
endfunction()
