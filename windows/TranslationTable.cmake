# SPDX-License-Identifier: GPL-3.0-or-later
# Turns a Qt Linguist catalog (.ts) into a C++ table of wide-text pairs, so
# that the Windows edition speaks from the same catalog as the Linux one
# without Qt's tools. Run as a script:
#   cmake -DCATALOG=in.ts -DOUTPUT=out.inc -P TranslationTable.cmake
# Every message with a finished translation gives one line
#   {L"source", L"translation"},
# unfinished and empty ones are left out (the source text then stands).

file(READ "${CATALOG}" text)
# CMake lists are separated by ";", which the texts hold too: park those,
# then let each message end a list item.
string(REPLACE ";" "@semicolon@" text "${text}")
string(REPLACE "</message>" ";" messages "${text}")

function(unescape_xml in out)
  set(value "${in}")
  string(REPLACE "@semicolon@" ";" value "${value}")
  string(REPLACE "&quot;" "\"" value "${value}")
  string(REPLACE "&apos;" "'" value "${value}")
  string(REPLACE "&lt;" "<" value "${value}")
  string(REPLACE "&gt;" ">" value "${value}")
  string(REPLACE "&amp;" "&" value "${value}")
  set(${out} "${value}" PARENT_SCOPE)
endfunction()

function(cpp_literal in out)
  set(value "${in}")
  string(REPLACE "\\" "\\\\" value "${value}")
  string(REPLACE "\"" "\\\"" value "${value}")
  string(REPLACE "\n" "\\n" value "${value}")
  set(${out} "L\"${value}\"" PARENT_SCOPE)
endfunction()

set(table "// Generated from ${CATALOG}; do not edit.\n")
foreach(message IN LISTS messages)
  if(NOT message MATCHES "<source>([^<]*)</source>")
    continue()
  endif()
  set(source "${CMAKE_MATCH_1}")
  if(NOT message MATCHES "<translation( type=\"[a-z]+\")?>([^<]*)</translation>")
    continue()
  endif()
  set(type "${CMAKE_MATCH_1}")
  set(translation "${CMAKE_MATCH_2}")
  if(type MATCHES "unfinished|obsolete|vanished" OR translation STREQUAL "")
    continue()
  endif()
  unescape_xml("${source}" source)
  unescape_xml("${translation}" translation)
  cpp_literal("${source}" source)
  cpp_literal("${translation}" translation)
  string(APPEND table "{${source}, ${translation}},\n")
endforeach()

# Written only when it changed, so that an unchanged catalog rebuilds nothing.
set(previous "")
if(EXISTS "${OUTPUT}")
  file(READ "${OUTPUT}" previous)
endif()
if(NOT previous STREQUAL table)
  file(WRITE "${OUTPUT}" "${table}")
endif()
