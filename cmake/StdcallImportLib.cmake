# cmake -DNM=... -DDLLTOOL=... -DDLL=ecr17.dll -DIMPLIB=libecr17.dll.a -P StdcallImportLib.cmake
# Writes the import library of a 32-bit DLL whose __stdcall functions are
# exported under their plain names: each decorated symbol (_ecr17_pay@24)
# imports the plain name (ecr17_pay).
execute_process(COMMAND ${NM} --defined-only --extern-only ${DLL} OUTPUT_VARIABLE symbols COMMAND_ERROR_IS_FATAL ANY)
string(REGEX MATCHALL "[^\n]* T _ecr17_[a-z_]+@[0-9]+" exports "${symbols}")
if(NOT exports)
  message(FATAL_ERROR "${DLL}: no __stdcall ecr17_ functions found")
endif()
get_filename_component(dll_name ${DLL} NAME)
set(def "LIBRARY ${dll_name}\nEXPORTS\n")
foreach(line IN LISTS exports)
  string(REGEX REPLACE ".* T _" "" name "${line}")
  string(APPEND def "    ${name}\n")
endforeach()
set(decorated_def ${IMPLIB}.def)
file(WRITE ${decorated_def} "${def}")
execute_process(COMMAND ${DLLTOOL} --dllname ${dll_name} --def ${decorated_def} --kill-at --output-lib ${IMPLIB}
  COMMAND_ERROR_IS_FATAL ANY)
