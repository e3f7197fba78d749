# Writes the linker version script of the shared object (cmake -P):
#   CC       the C compiler, used as preprocessor on NAMES
#   INCLUDE  the public include directory
#   NAMES    cmake/flat_names.c, which spells out every entry of the flat lists
#   ALLOW    cmake/object_interface.txt
#   OUT      the script to write
# Exported: every flat name, the counterpart name_ of every TWIN entry, and
# what ALLOW names. Everything else is local.
cmake_minimum_required(VERSION 3.25)
execute_process(COMMAND ${CC} -E -P -I${INCLUDE} ${NAMES}
  OUTPUT_VARIABLE expanded RESULT_VARIABLE rc)
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "preprocessing ${NAMES} failed")
endif()
string(REGEX MATCHALL "STOKA_(TWIN|FLAT)_NAME [A-Za-z_][A-Za-z0-9_]*" entries "${expanded}")
if(NOT entries)
  message(FATAL_ERROR "no entry found in the flat lists")
endif()

# A free function of the global namespace is mangled _Z<length><name><parameters>:
# the prefix _Z<length><name> takes every overload of that name and nothing else.
function(mangled_prefix name out)
  string(LENGTH "${name}" length)
  set(${out} "_Z${length}${name}*" PARENT_SCOPE)
endfunction()

set(c_names "")
foreach(entry IN LISTS entries)
  string(REGEX REPLACE "^STOKA_(TWIN|FLAT)_NAME " "" name "${entry}")
  string(APPEND c_names "      ${name};\n")
  if(entry MATCHES "^STOKA_TWIN_NAME")
    mangled_prefix("${name}_" prefix)
    string(APPEND c_names "      ${prefix};\n")
  endif()
endforeach()

set(cxx_names "")
file(STRINGS ${ALLOW} lines)
foreach(line IN LISTS lines)
  if(line MATCHES "^[ \t]*(#|$)")
    continue()
  elseif(line MATCHES "^variable ([A-Za-z_][A-Za-z0-9_]*)$")
    string(APPEND c_names "      ${CMAKE_MATCH_1};\n")
  elseif(line MATCHES "^class ([A-Za-z_][A-Za-z0-9_]*)$")
    set(class ${CMAKE_MATCH_1})
    string(APPEND cxx_names "      ${class}::*;\n      \"vtable for ${class}\";\n"
           "      \"typeinfo for ${class}\";\n      \"typeinfo name for ${class}\";\n")
  elseif(line MATCHES "^function ([A-Za-z_][A-Za-z0-9_]*)\\*$")
    string(APPEND cxx_names "      ${CMAKE_MATCH_1}*;\n")
  elseif(line MATCHES "^function ([A-Za-z_][A-Za-z0-9_]*)$")
    mangled_prefix("${CMAKE_MATCH_1}" prefix)
    string(APPEND c_names "      ${prefix};\n")
  else()
    message(FATAL_ERROR "${ALLOW}: cannot read \"${line}\"")
  endif()
endforeach()

file(WRITE ${OUT} "/* Generated from the flat lists and ${ALLOW}. */\n{\n  global:\n"
     "    extern \"C\" {\n${c_names}    };\n    extern \"C++\" {\n${cxx_names}    };\n"
     "  local:\n    *;\n};\n")
