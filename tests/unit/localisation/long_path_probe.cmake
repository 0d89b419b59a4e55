# A copy of language_probe.exe deep in a folder whose path is longer than 260 characters and
# holds letters outside any ANSI code page still finds its lang folder. Started from outside
# (CreateProcess itself cannot start a program from such a path):
#   cmake -DPROBE=... -DWORK=... "-DRUN=emulator;args" -P long_path_probe.cmake
set(folder "${WORK}/zt-long-path-Übersicht-日本語")
set(root "${folder}")
foreach(level RANGE 1 10)
  string(APPEND folder "/a-folder-with-a-long-name-Ω")
endforeach()
file(REMOVE_RECURSE "${root}")
file(MAKE_DIRECTORY "${folder}/lang")
file(COPY_FILE "${PROBE}" "${folder}/language_probe.exe")
file(WRITE "${folder}/lang/zt-wide.strings" "Error = found\n")

execute_process(COMMAND ${RUN} "${folder}/language_probe.exe" - zt-wide
                OUTPUT_VARIABLE report RESULT_VARIABLE result)
file(REMOVE_RECURSE "${root}")

string(REPLACE "\r" "" report "${report}")
string(LENGTH "${folder}" length)
if(NOT result EQUAL 0 OR NOT report MATCHES "\ntrue\nfound\n$")
  message(FATAL_ERROR "path of ${length} characters: exit ${result}, report:\n${report}")
endif()
message(STATUS "path of ${length} characters: lang found")
