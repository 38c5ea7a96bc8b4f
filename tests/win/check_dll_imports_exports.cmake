cmake_minimum_required(VERSION 3.25)
# Checks NorvaleOAddin.dll with objdump: it is a PE file of the expected
# format (pei-x86-64 or pei-i386), imports only system DLLs (the C++ runtime is
# linked in), exports exactly its four entry points undecorated, and its export
# table names it NorvaleOAddin.dll.
#   cmake -DOBJDUMP=... -DDLL=... -DFORMAT=... -P check_dll_imports_exports.cmake
execute_process(COMMAND ${OBJDUMP} -p ${DLL} OUTPUT_VARIABLE dump RESULT_VARIABLE failed)
if(failed)
  message(FATAL_ERROR "${OBJDUMP} -p ${DLL} failed")
endif()

# objdump names the format after the COFF header's machine field, which
# Windows checks against the loading process: pei-i386 for x86, pei-x86-64.
string(REGEX MATCH "file format ([^\n]+)" header "${dump}")
message(STATUS "format: ${CMAKE_MATCH_1}")
if(NOT CMAKE_MATCH_1 STREQUAL FORMAT)
  message(FATAL_ERROR "${DLL} has the file format '${CMAKE_MATCH_1}', expected ${FORMAT}")
endif()

set(system_dlls advapi32.dll gdi32.dll kernel32.dll msvcrt.dll ole32.dll oleaut32.dll
    user32.dll)
string(REGEX MATCHALL "DLL Name: [^\n]+" imports "${dump}")
list(TRANSFORM imports REPLACE "DLL Name: " "")
list(TRANSFORM imports TOLOWER)
message(STATUS "imports: ${imports}")
if(NOT imports)
  message(FATAL_ERROR "no imports found in the objdump output")
endif()
foreach(dll IN LISTS imports)
  if(NOT dll IN_LIST system_dlls AND NOT dll MATCHES "^api-ms-win-crt-")
    message(FATAL_ERROR "imports ${dll}, which is not a system DLL")
  endif()
endforeach()

# The name-pointer table lists one "[   n] +base[   m] 0000 Name" line per export.
string(REGEX MATCH "\\[Ordinal/Name Pointer\\] Table[^\n]*\n(([ \t]*\\[[^\n]*\n)*)" table "${dump}")
string(REGEX MATCHALL "[A-Za-z_][A-Za-z0-9_@]*\n" exports "${CMAKE_MATCH_1}")
list(TRANSFORM exports STRIP)
list(SORT exports)
message(STATUS "exports: ${exports}")
set(expected DllCanUnloadNow DllGetClassObject DllRegisterServer DllUnregisterServer)
if(NOT exports STREQUAL expected)
  message(FATAL_ERROR "exports ${exports}, expected exactly ${expected}")
endif()

if(NOT dump MATCHES "\nName[ \t]+[0-9a-f]+ NorvaleOAddin\\.dll\n")
  message(FATAL_ERROR "the export table does not name the DLL NorvaleOAddin.dll")
endif()
