# Protocol signals of the shipped code-type library: generators and a decoder
# (shared with the library benchmark), and the tests that run them through the
# capture, the analysis with QZ01.csl and the replay.
if(TARGET orvalin_cli_capture)
  add_library(orvalin_protocol_signals STATIC ${CMAKE_CURRENT_SOURCE_DIR}/protocols_signals.cpp)
  target_include_directories(orvalin_protocol_signals PUBLIC ${CMAKE_SOURCE_DIR})
  target_link_libraries(orvalin_protocol_signals PUBLIC orvalin_replay vorkel_static)
  orvalin_warnings(orvalin_protocol_signals)
endif()
