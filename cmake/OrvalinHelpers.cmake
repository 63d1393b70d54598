# Shared build helpers: include roots of the folders, warnings on our own code,
# tests with their labels, fuzz targets and benchmarks.

set(ORVALIN_WARNINGS -Wall -Wextra -Werror)

# Warnings as errors on a target of ours (never on generated or third-party code).
function(orvalin_warnings target)
  target_compile_options(${target} PRIVATE ${ORVALIN_WARNINGS})
endfunction()

# orvalin_include_root(<target> <PUBLIC|INTERFACE|PRIVATE> <folder> [FROM <source folder>])
# The target's headers as `#include "<folder>/x.h"`: an include root in the build
# folder that holds only the link <folder> -> the source folder (FROM: another
# source folder under that name). Only the target and whoever links it can include
# the folder's headers, so an include across layers the wrong way fails to build.
function(orvalin_include_root target scope folder)
  cmake_parse_arguments(R "" "FROM" "" ${ARGN})
  if(NOT R_FROM)
    set(R_FROM ${CMAKE_SOURCE_DIR}/${folder})
  endif()
  file(RELATIVE_PATH name ${CMAKE_SOURCE_DIR} ${R_FROM})
  string(REPLACE "/" "-" name "${name}")
  set(root ${CMAKE_BINARY_DIR}/include-roots/${name})
  get_filename_component(parent ${root}/${folder} DIRECTORY)
  file(MAKE_DIRECTORY ${parent})
  file(CREATE_LINK ${R_FROM} ${root}/${folder} SYMBOLIC)
  target_include_directories(${target} ${scope} ${root})
endfunction()

# orvalin_add_test(NAME name LABEL label SOURCES ... [LIBS ...] [QT] [ENV ...])
# One GoogleTest program registered with CTest under one subsystem label.
# QT: runs on the offscreen platform.
function(orvalin_add_test)
  cmake_parse_arguments(T "QT" "NAME;LABEL;TIMEOUT" "SOURCES;LIBS;ENV" ${ARGN})
  add_executable(${T_NAME} ${T_SOURCES})
  orvalin_warnings(${T_NAME})
  orvalin_include_root(${T_NAME} PRIVATE tests)
  target_link_libraries(${T_NAME} PRIVATE ${T_LIBS} GTest::gtest GTest::gmock GTest::gtest_main Threads::Threads)
  target_compile_definitions(${T_NAME} PRIVATE
    ORVALIN_TEST_DATA_DIR="${CMAKE_SOURCE_DIR}/tests/data"
    ORVALIN_PROGRAM_DIR="${ORVALIN_PROGRAM_DIR}")
  add_test(NAME ${T_NAME} COMMAND ${T_NAME})
  # Tests never touch the user's data: backups and the simulated remote's state stay in
  # the build folder.
  set(env ${T_ENV} VORKEL_SIM_LATENCY_US=0
    ORVALIN_BACKUP_DIR=${CMAKE_BINARY_DIR}/test-backups/${T_NAME}
    ORVALIN_RUNTIME_DIR=${CMAKE_BINARY_DIR}/test-runtime/${T_NAME}
    XDG_DATA_HOME=${CMAKE_BINARY_DIR}/test-data-home)
  if(T_QT)
    list(APPEND env QT_QPA_PLATFORM=offscreen)
  endif()
  if(NOT T_TIMEOUT)
    set(T_TIMEOUT 300)
  endif()
  set_tests_properties(${T_NAME} PROPERTIES LABELS "${T_LABEL}" ENVIRONMENT "${env}" TIMEOUT ${T_TIMEOUT})
endfunction()

# orvalin_add_fuzzer(NAME name SOURCES ... [LIBS ...] [SECONDS n])
# A libFuzzer target for a parser of outside data; with ORVALIN_FUZZ on it is built
# and a short run is registered as a test with the label "fuzz".
function(orvalin_add_fuzzer)
  cmake_parse_arguments(F "" "NAME;SECONDS" "SOURCES;LIBS" ${ARGN})
  if(NOT ORVALIN_FUZZ)
    return()
  endif()
  if(NOT F_SECONDS)
    set(F_SECONDS 20)
  endif()
  add_executable(${F_NAME} ${F_SOURCES})
  orvalin_warnings(${F_NAME})
  orvalin_include_root(${F_NAME} PRIVATE tests)
  target_compile_options(${F_NAME} PRIVATE -fsanitize=fuzzer)
  target_link_options(${F_NAME} PRIVATE -fsanitize=fuzzer)
  target_link_libraries(${F_NAME} PRIVATE ${F_LIBS})
  set(corpus ${CMAKE_BINARY_DIR}/fuzz-corpus/${F_NAME})
  file(MAKE_DIRECTORY ${corpus})
  set(starting ${CMAKE_SOURCE_DIR}/tests/data/fuzz/${F_NAME})
  if(EXISTS ${starting})
    add_test(NAME ${F_NAME} COMMAND ${F_NAME} -max_total_time=${F_SECONDS} -timeout=10 -rss_limit_mb=2048 ${corpus} ${starting})
  else()
    add_test(NAME ${F_NAME} COMMAND ${F_NAME} -max_total_time=${F_SECONDS} -timeout=10 -rss_limit_mb=2048 ${corpus})
  endif()
  set_tests_properties(${F_NAME} PROPERTIES LABELS fuzz TIMEOUT 600)
endfunction()

# orvalin_add_benchmark(NAME name SOURCES ... [LIBS ...] [RATES] [DEPENDS ...])
# A benchmark program in build/bench, told where the program folder and the test
# data lie. RATES: a program of its own main that prints rates (no Google
# Benchmark main). DEPENDS: built files it reads (code-info file, converter).
function(orvalin_add_benchmark)
  cmake_parse_arguments(B "RATES" "NAME" "SOURCES;LIBS;DEPENDS" ${ARGN})
  if(NOT ORVALIN_BUILD_BENCH)
    return()
  endif()
  add_executable(${B_NAME} ${B_SOURCES})
  orvalin_warnings(${B_NAME})
  orvalin_include_root(${B_NAME} PRIVATE tests)
  if(B_RATES)
    target_link_libraries(${B_NAME} PRIVATE ${B_LIBS})
  else()
    target_link_libraries(${B_NAME} PRIVATE ${B_LIBS} benchmark::benchmark benchmark::benchmark_main)
  endif()
  target_compile_definitions(${B_NAME} PRIVATE
    ORVALIN_PROGRAM_DIR="${ORVALIN_PROGRAM_DIR}"
    ORVALIN_TEST_DATA_DIR="${CMAKE_SOURCE_DIR}/tests/data")
  set_target_properties(${B_NAME} PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/bench)
  if(B_DEPENDS)
    add_dependencies(${B_NAME} ${B_DEPENDS})
  endif()
endfunction()
