# cmake -DPACKAGE=Quillbex.zip -DSTAGE=<its stage> -DZIP=<zip> -DOBJDUMP=<objdump>
#       -DPACK_SCRIPT=pack_zip.cmake -DWORK=<scratch> -DSOURCE_DIR=<tree> -DBINARY_DIR=<build> -P <this file>
# The package's bytes depend on its files only: the same files laid out
# again, with other times and modes, pack to the same bytes; the program
# and its modules carry no link time, so a relink gives the same files; and
# the program is stripped, naming its symbol file.
file(REMOVE_RECURSE ${WORK})
file(COPY ${STAGE}/Quillbex DESTINATION ${WORK}/stage)
file(GLOB_RECURSE files ${WORK}/stage/Quillbex/*)
file(TOUCH ${files})
file(CHMOD ${files} PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE)
execute_process(COMMAND ${CMAKE_COMMAND} -DSTAGE=${WORK}/stage -DOUTPUT=${WORK}/Quillbex.zip -DZIP=${ZIP}
    -P ${PACK_SCRIPT} RESULT_VARIABLE result)
file(SHA256 ${PACKAGE} built)
file(SHA256 ${WORK}/Quillbex.zip repacked)
if(NOT result EQUAL 0 OR NOT built STREQUAL repacked)
    message(FATAL_ERROR "The same files packed again give other bytes (${result}): ${built} ${repacked}")
endif()

# A PE file's link time: the 4 bytes 8 after the "PE\0\0" that offset 0x3C
# names. The symbol file counts too: the program names it by its checksum.
get_filename_component(packageDir ${PACKAGE} DIRECTORY)
foreach(binary ${STAGE}/Quillbex/Quillbex.exe ${STAGE}/Quillbex/QuillbexEnu.dll ${STAGE}/Quillbex/QuillbexJpn.dll
        ${STAGE}/Quillbex/QuillbexChs.dll ${packageDir}/Quillbex.exe.debug)
    file(READ ${binary} peOffset OFFSET 60 LIMIT 4 HEX)
    string(REGEX REPLACE "(..)(..)(..)(..)" "\\4\\3\\2\\1" peOffset ${peOffset})
    math(EXPR timeOffset "0x${peOffset} + 8")
    file(READ ${binary} linkTime OFFSET ${timeOffset} LIMIT 4 HEX)
    if(NOT linkTime STREQUAL "00000000")
        message(FATAL_ERROR "${binary} carries its link time (${linkTime}): a relink changes the package")
    endif()
endforeach()

# A folder named in the debug information makes a build elsewhere (outside
# the tree too) differ: the symbol file, and by its checksum the program.
foreach(folder ${SOURCE_DIR} ${BINARY_DIR})
    string(REGEX REPLACE "([][+.*()^$?|\\])" "\\\\\\1" pattern "${folder}")
    foreach(binary ${STAGE}/Quillbex/Quillbex.exe ${packageDir}/Quillbex.exe.debug)
        file(STRINGS ${binary} named REGEX "${pattern}" LIMIT_COUNT 1)
        if(named)
            message(FATAL_ERROR "${binary} names the folder ${folder}: ${named}")
        endif()
    endforeach()
endforeach()

execute_process(COMMAND ${OBJDUMP} -h ${STAGE}/Quillbex/Quillbex.exe OUTPUT_VARIABLE sections)
if(sections MATCHES "\\.debug_" OR NOT sections MATCHES "\\.gnu_debuglink")
    message(FATAL_ERROR "The packaged Quillbex.exe is not stripped to a debug link:\n${sections}")
endif()
message(STATUS "${PACKAGE}: ${built}")
