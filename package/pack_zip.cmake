# cmake -DSTAGE=<folder> -DOUTPUT=<zip> -DZIP=<Info-ZIP zip> -P pack_zip.cmake
# Packs STAGE/Quillbex into OUTPUT so that the same files give the same
# bytes, whenever and wherever they were laid out: the entries in sorted
# order, one fixed time and mode for every file, no folder entries and no
# extra fields (owner, access and change times).
file(GLOB_RECURSE files LIST_DIRECTORIES false RELATIVE ${STAGE} ${STAGE}/Quillbex/*)
list(SORT files)
foreach(file IN LISTS files)
    file(CHMOD ${STAGE}/${file} PERMISSIONS OWNER_READ OWNER_WRITE GROUP_READ WORLD_READ)
endforeach()
# 2000-01-01 00:00 UTC; the zip's DOS times are local times, so both the
# touch and the zip run in UTC.
execute_process(COMMAND ${CMAKE_COMMAND} -E env TZ=UTC touch -d 2000-01-01T00:00:00 ${files}
    WORKING_DIRECTORY ${STAGE} RESULT_VARIABLE result)
if(NOT result EQUAL 0)
    message(FATAL_ERROR "The package's files could not be given their fixed time: ${result}")
endif()
file(REMOVE ${OUTPUT})
execute_process(COMMAND ${CMAKE_COMMAND} -E env TZ=UTC ${ZIP} -X -D -9 -q ${OUTPUT} ${files}
    WORKING_DIRECTORY ${STAGE} RESULT_VARIABLE result)
if(NOT result EQUAL 0)
    message(FATAL_ERROR "${OUTPUT} could not be written: ${result}")
endif()
