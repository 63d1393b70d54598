# Window tests of the learning session and of the deletion of learned keys: the
# real main window on the offscreen platform against the simulated remote.
set(session_fixture ${CMAKE_CURRENT_SOURCE_DIR}/learning_fixture.cpp)
set(session_env ORVALIN_BACKUP_DIR=${CMAKE_BINARY_DIR}/test-backups-unused)

foreach(t learning_session_test learning_collection_test learning_walkthrough_test deletion_test)
  orvalin_add_test(NAME ${t} LABEL app QT
    SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/${t}.cpp ${session_fixture}
    LIBS orvalin_app vorkel_static ${CMAKE_DL_LIBS}
    ENV ${session_env})
  target_include_directories(${t} PRIVATE ${CMAKE_SOURCE_DIR})
  target_compile_definitions(${t} PRIVATE
    ORVALIN_TEST_CONVERTER_DIR="${CMAKE_BINARY_DIR}/test-converter")
  set_target_properties(${t} PROPERTIES AUTOMOC ON)
  add_dependencies(${t} orvalin_fake_converter)
  foreach(dep orvalin_picture_libraries pictures codeinfo_file qz01)
    if(TARGET ${dep})
      add_dependencies(${t} ${dep})
    endif()
  endforeach()
endforeach()


# The real fallback converter beside the program.
orvalin_add_test(NAME converter_learning_test LABEL app QT
  SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/converter_learning_test.cpp ${session_fixture}
  LIBS orvalin_app vorkel_static orvalin_converter_signals ${CMAKE_DL_LIBS}
  ENV ${session_env})
target_include_directories(converter_learning_test PRIVATE ${CMAKE_SOURCE_DIR})
target_compile_definitions(converter_learning_test PRIVATE ORVALIN_TEST_CONVERTER_DIR="${CMAKE_BINARY_DIR}")
set_target_properties(converter_learning_test PROPERTIES AUTOMOC ON)
add_dependencies(converter_learning_test quendrix pictures codeinfo_file)
