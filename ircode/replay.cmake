# Replay of a code-type image (preview, export, test oracle of the encoders).
add_library(orvalin_replay STATIC ${CMAKE_CURRENT_SOURCE_DIR}/replay.cpp)
target_include_directories(orvalin_replay PUBLIC ${CMAKE_SOURCE_DIR})
target_link_libraries(orvalin_replay PUBLIC orvalin_ircode)
orvalin_warnings(orvalin_replay)
