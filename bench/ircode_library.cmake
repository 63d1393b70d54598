# The shipped code-type library: analysis time per signal against the whole
# QZ01.csl (Google Benchmark), and a program that prints recognition rates.
if(TARGET orvalin_protocol_signals AND TARGET orvalin_cli_capture)
  orvalin_add_benchmark(NAME ircode_library_bench
    SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/ircode_library_bench.cpp
    LIBS orvalin_protocol_signals orvalin_cli_capture orvalin_learning_support orvalin_ircode)
  if(TARGET ircode_library_bench)
    target_compile_definitions(ircode_library_bench PRIVATE ORVALIN_PROGRAM_DIR="${ORVALIN_PROGRAM_DIR}")
    add_dependencies(ircode_library_bench codeinfo_file)
  endif()
  add_executable(ircode_library_rates ${CMAKE_CURRENT_SOURCE_DIR}/ircode_library_rates.cpp)
  orvalin_warnings(ircode_library_rates)
  target_link_libraries(ircode_library_rates PRIVATE orvalin_protocol_signals orvalin_cli_capture orvalin_learning_support orvalin_ircode)
  target_compile_definitions(ircode_library_rates PRIVATE ORVALIN_PROGRAM_DIR="${ORVALIN_PROGRAM_DIR}")
  set_target_properties(ircode_library_rates PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/bench)
  add_dependencies(ircode_library_rates codeinfo_file)
endif()
