# Start-up time and peak memory of the program (spawns the built orvalin).
if(TARGET orvalin)
  orvalin_add_benchmark(NAME app_startup_bench SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/app_startup.cpp)
  if(TARGET app_startup_bench)
    target_compile_definitions(app_startup_bench PRIVATE
      ORVALIN_PROGRAM_DIR="${ORVALIN_PROGRAM_DIR}"
      ORVALIN_TEST_DATA_DIR="${CMAKE_SOURCE_DIR}/tests/data")
    add_dependencies(app_startup_bench orvalin)
  endif()
endif()
