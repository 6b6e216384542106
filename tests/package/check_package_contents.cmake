# cmake -DPACKAGE=Quillbex.zip -DSOURCE_DIR=<source tree> -P check_package_contents.cmake
# The package must hold one Quillbex folder with the program, its three
# language modules, every pattern and patch of the source tree, the guide and
# the licence, and nothing else (no settings file, no build leftovers).
if(NOT EXISTS "${PACKAGE}")
    message(FATAL_ERROR "${PACKAGE} is missing; build the target package first")
endif()
execute_process(COMMAND ${CMAKE_COMMAND} -E tar tf ${PACKAGE}
    OUTPUT_VARIABLE listing RESULT_VARIABLE result)
if(NOT result EQUAL 0)
    message(FATAL_ERROR "${PACKAGE} cannot be listed: ${result}")
endif()

string(REPLACE "\n" ";" entries "${listing}")
set(found)
foreach(entry IN LISTS entries)
    if(entry AND NOT entry MATCHES "/$")  # folders are implied by their files
        list(APPEND found "${entry}")
    endif()
endforeach()

set(expected Quillbex/Quillbex.exe Quillbex/QuillbexEnu.dll Quillbex/QuillbexJpn.dll Quillbex/QuillbexChs.dll
    Quillbex/README.txt Quillbex/LICENSE.txt)
foreach(folder pattern patch)
    file(GLOB names RELATIVE ${SOURCE_DIR}/${folder} ${SOURCE_DIR}/${folder}/*.mid)
    if(NOT names)
        message(FATAL_ERROR "The source tree has no ${folder}/*.mid to compare with")
    endif()
    foreach(name IN LISTS names)
        list(APPEND expected "Quillbex/${folder}/${name}")
    endforeach()
endforeach()

set(missing ${expected})
list(REMOVE_ITEM missing ${found})
set(extra ${found})
list(REMOVE_ITEM extra ${expected})
if(missing OR extra)
    list(JOIN missing "\n  " missing)
    list(JOIN extra "\n  " extra)
    message(FATAL_ERROR "${PACKAGE}\nmissing:\n  ${missing}\nnot expected:\n  ${extra}")
endif()
list(LENGTH found count)
message(STATUS "${PACKAGE}: the ${count} expected files")
