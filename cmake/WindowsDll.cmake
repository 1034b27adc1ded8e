# ecr17.dll: the exports are exactly the plain names of the .def file. The
# import library is libecr17.dll.a beside it.
#
# On 32 bits the functions are __stdcall, whose C symbols carry the size of
# their arguments (_ecr17_create@0): the DLL still exports the plain names,
# and the import library is made again from the decorated symbols, so that C
# programs compiled against ecr17.h link with it.
function(ecr17_windows_dll target def_file)
  set_target_properties(${target} PROPERTIES PREFIX "" LINK_DEPENDS ${def_file})
  target_sources(${target} PRIVATE ${def_file})
  target_link_options(${target} PRIVATE -Wl,--no-undefined -Wl,--exclude-libs,ALL)
  if(CMAKE_SIZEOF_VOID_P EQUAL 4)
    target_link_options(${target} PRIVATE -Wl,--enable-stdcall-fixup)
    add_custom_command(TARGET ${target} POST_BUILD
      COMMAND ${CMAKE_COMMAND} -DNM=${CMAKE_NM} -DDLLTOOL=${CMAKE_DLLTOOL}
              -DDLL=$<TARGET_FILE:${target}> -DIMPLIB=$<TARGET_LINKER_FILE:${target}>
              -P ${PROJECT_SOURCE_DIR}/cmake/StdcallImportLib.cmake
      VERBATIM)
  endif()
endfunction()
