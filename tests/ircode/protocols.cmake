# Protocol signals of the shipped code-type library: generators and a decoder
# (shared with the library benchmark), and the tests that run them through the
# capture, the analysis with QZ01.csl and the replay.
if(TARGET orvalin_cli_capture)
  add_library(orvalin_protocol_signals STATIC ${CMAKE_CURRENT_SOURCE_DIR}/protocols_signals.cpp)
  target_include_directories(orvalin_protocol_signals PUBLIC ${CMAKE_SOURCE_DIR})
  target_link_libraries(orvalin_protocol_signals PUBLIC orvalin_replay vorkel_static)
  orvalin_warnings(orvalin_protocol_signals)
endif()

if(TARGET orvalin_protocol_signals AND TARGET orvalin_codeinfo_source)
  orvalin_add_test(NAME ircode_protocols_test LABEL ircode
    SOURCES
      ${CMAKE_CURRENT_SOURCE_DIR}/protocols_recognition_test.cpp
      ${CMAKE_CURRENT_SOURCE_DIR}/protocols_replay_test.cpp
      ${CMAKE_CURRENT_SOURCE_DIR}/protocols_source_test.cpp
    LIBS orvalin_protocol_signals orvalin_cli_capture orvalin_codeinfo_source orvalin_replay orvalin_ircode)
  # The recognition tests read the built QZ01.csl from the program folder.
  add_dependencies(ircode_protocols_test codeinfo_file)
endif()

# The replay source is compiled into the fuzzer so that its code is
# instrumented for coverage (the library itself is built without it).
orvalin_add_fuzzer(NAME replay_fuzzer
  SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/protocols_replay_fuzzer.cpp ${CMAKE_SOURCE_DIR}/ircode/replay.cpp
  LIBS orvalin_ircode)

# The generic learner (the fallback converter's core) on the same protocols.
if(TARGET orvalin_protocol_signals)
  orvalin_add_test(NAME ircode_generic_learner_test LABEL ircode
    SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/generic_learner_test.cpp
    LIBS orvalin_protocol_signals orvalin_cli_capture orvalin_generic_learner)
  target_include_directories(ircode_generic_learner_test PRIVATE ${CMAKE_CURRENT_SOURCE_DIR})
endif()

# The lone-frame JVC companion against presses with repeat frames.
if(TARGET orvalin_protocol_signals)
  orvalin_add_test(NAME ircode_jvc_companion_test LABEL ircode
    SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/jvc_companion_test.cpp
    LIBS orvalin_protocol_signals orvalin_cli_capture orvalin_ircode)
  target_include_directories(ircode_jvc_companion_test PRIVATE ${CMAKE_CURRENT_SOURCE_DIR})
  add_dependencies(ircode_jvc_companion_test codeinfo_file)
endif()
