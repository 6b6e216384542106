# cmake -DEMULATOR=<runner, "|"-separated> -DMONITOR=midi_monitor.exe -DPROGRAM_FOLDER=<folder>
#       -P check_midi_monitor_run.cmake
# A short headless run: drum notes printed as monitor lines, Stop's
# all-notes-off on the last channel, the window closed with exit code 1 and
# the monitor's own exit code 0.
string(REPLACE "|" ";" emulator "${EMULATOR}")
execute_process(COMMAND ${emulator} ${MONITOR} --seconds 2 ${PROGRAM_FOLDER}
    OUTPUT_VARIABLE output ERROR_VARIABLE errors RESULT_VARIABLE result TIMEOUT 90)
message("${output}${errors}")
if(NOT result EQUAL 0)
    message(FATAL_ERROR "midi_monitor ended with ${result}")
endif()
set(hex "[0-9A-F][0-9A-F]")
foreach(line
        "\n +[0-9]+\\.[0-9] ms  99 ${hex} ${hex}   note-on  ch10 [A-G]#?-?[0-9] \\([0-9]+ [A-Z][^)]*\\) vel [1-9]"
        "\n +[0-9]+\\.[0-9] ms  BF 7B 00   control  ch16 cc123 all-notes-off 0\n"
        "\nQuillbex closed with exit code 1; [1-9][0-9]* notes played\\.\n")
    if(NOT output MATCHES "${line}")
        message(FATAL_ERROR "No line matching \"${line}\"")
    endif()
endforeach()
