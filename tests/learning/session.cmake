# Tests of the learning session's Qt-free parts, and the test converter library
# (built as "quendrix.dll" in test folders, never in the program folder).
set(ORVALIN_TEST_CONVERTER_DIR ${CMAKE_BINARY_DIR}/test-converter)
set(ORVALIN_TEST_CONVERTER_NOEXPORT_DIR ${CMAKE_BINARY_DIR}/test-converter-noexport)

add_library(orvalin_fake_converter SHARED
  ${CMAKE_SOURCE_DIR}/tests/app/fake_converter/fake_converter.cpp)
set_target_properties(orvalin_fake_converter PROPERTIES
  PREFIX "" OUTPUT_NAME "quendrix" SUFFIX ".dll"
  LIBRARY_OUTPUT_DIRECTORY ${ORVALIN_TEST_CONVERTER_DIR}
  CXX_VISIBILITY_PRESET hidden)
orvalin_warnings(orvalin_fake_converter)

add_library(orvalin_fake_converter_noexport SHARED
  ${CMAKE_SOURCE_DIR}/tests/app/fake_converter/no_export.cpp)
set_target_properties(orvalin_fake_converter_noexport PROPERTIES
  PREFIX "" OUTPUT_NAME "quendrix" SUFFIX ".dll"
  LIBRARY_OUTPUT_DIRECTORY ${ORVALIN_TEST_CONVERTER_NOEXPORT_DIR}
  CXX_VISIBILITY_PRESET hidden)
orvalin_warnings(orvalin_fake_converter_noexport)

orvalin_add_test(NAME session_support_test LABEL learning
  SOURCES
    ${CMAKE_CURRENT_SOURCE_DIR}/session_backup_test.cpp
    ${CMAKE_CURRENT_SOURCE_DIR}/session_fallback_test.cpp
    ${CMAKE_CURRENT_SOURCE_DIR}/session_test.cpp
    ${CMAKE_CURRENT_SOURCE_DIR}/recognition_test.cpp
  LIBS orvalin_learning_support ${CMAKE_DL_LIBS})
target_include_directories(session_support_test PRIVATE ${CMAKE_SOURCE_DIR})
target_compile_definitions(session_support_test PRIVATE
  ORVALIN_TEST_CONVERTER_DIR="${ORVALIN_TEST_CONVERTER_DIR}"
  ORVALIN_TEST_CONVERTER_NOEXPORT_DIR="${ORVALIN_TEST_CONVERTER_NOEXPORT_DIR}")
add_dependencies(session_support_test orvalin_fake_converter orvalin_fake_converter_noexport codeinfo_file)

# The collection thread on its own, against the simulated remote (needs Qt Core).
if(ORVALIN_BUILD_APP)
  orvalin_add_test(NAME session_collect_thread_test LABEL learning QT
    SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/session_collect_thread_test.cpp
    LIBS orvalin_learning_session vorkel_static)
  target_include_directories(session_collect_thread_test PRIVATE ${CMAKE_SOURCE_DIR})
endif()
