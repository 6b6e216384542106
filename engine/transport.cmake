# Transport and tempo, the patch player, and the start and stop of the three
# worker threads (which also needs the MIDI input thread of input/).
add_library(quillbex_transport STATIC
    ${CMAKE_CURRENT_LIST_DIR}/transport.cpp
    ${CMAKE_CURRENT_LIST_DIR}/tempo.cpp
    ${CMAKE_CURRENT_LIST_DIR}/patch_player.cpp
)
target_link_libraries(quillbex_transport PUBLIC quillbex_engine)

add_library(quillbex_workers STATIC
    ${CMAKE_CURRENT_LIST_DIR}/workers.cpp
)
target_link_libraries(quillbex_workers PUBLIC quillbex_transport quillbex_input)
