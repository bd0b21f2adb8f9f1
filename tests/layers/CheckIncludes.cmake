# Fails when a source folder includes a header from its own rank or above (other than itself), from a
# folder the table does not know, or Qt outside the windows. Run as
#   cmake -DSOURCE_DIR=<src> -P CheckIncludes.cmake
# The ranks, lowest first; a folder may include its own headers and those of lower ranks only.
cmake_minimum_required(VERSION 3.25)
set(RANK_util 0)
set(RANK_platform 1)
set(RANK_i18n 2)
set(RANK_app 3)
set(RANK_drive 4)
set(RANK_formats 4)
set(RANK_signal 4)  # what a recording's samples tell: whether bytes go on with it
set(RANK_help 4)
set(RANK_streams 5)
set(RANK_decode 5)  # decoding recovered files in a child process
set(RANK_engine 6)
set(RANK_startup 7)  # start-up and shutdown: the one place that knows every subsystem
set(RANK_wizard 8)  # the wizard's behaviour without a toolkit: the front-ends are views of it
set(RANK_cli 9)
set(RANK_gui 9)
set(RANK_decoder 9)  # quillot-decode, the child that decodes one recovered file
# Only the windows may use Qt.
set(QT_ALLOWED gui)

if(NOT SOURCE_DIR)
  message(FATAL_ERROR "SOURCE_DIR is not set")
endif()
file(GLOB_RECURSE sources RELATIVE ${SOURCE_DIR} ${SOURCE_DIR}/*.h ${SOURCE_DIR}/*.cpp)
set(faults 0)
foreach(source ${sources})
  string(REGEX MATCH "^[^/]+" folder ${source})
  if(NOT DEFINED RANK_${folder})
    message(SEND_ERROR "${source}: the folder ${folder}/ has no rank in tests/layers/CheckIncludes.cmake")
    math(EXPR faults "${faults} + 1")
    continue()
  endif()
  file(STRINGS ${SOURCE_DIR}/${source} includes REGEX "^[ \t]*#[ \t]*include[ \t]*[<\"]")
  foreach(line ${includes})
    if(line MATCHES "#[ \t]*include[ \t]*\"([^/\"]+)/[^\"]*\"")
      set(target ${CMAKE_MATCH_1})
      if(target STREQUAL folder)
        continue()
      endif()
      if(NOT DEFINED RANK_${target})
        message(SEND_ERROR "${source}: includes from ${target}/, which has no rank")
        math(EXPR faults "${faults} + 1")
      elseif(NOT RANK_${target} LESS RANK_${folder})
        message(SEND_ERROR "${source}: ${folder}/ (rank ${RANK_${folder}}) may not include ${target}/ "
                           "(rank ${RANK_${target}}): ${line}")
        math(EXPR faults "${faults} + 1")
      endif()
    elseif(line MATCHES "#[ \t]*include[ \t]*<Q" AND NOT folder IN_LIST QT_ALLOWED)
      message(SEND_ERROR "${source}: only the windows use Qt: ${line}")
      math(EXPR faults "${faults} + 1")
    endif()
  endforeach()
endforeach()
list(LENGTH sources count)
if(faults GREATER 0)
  message(FATAL_ERROR "${faults} include(s) against the layers in ${SOURCE_DIR}")
endif()
message(STATUS "${count} sources keep to the layers")
