# The fallback converter quendrix.dll: its answer, and the analysis plus converter.
orvalin_add_benchmark(NAME converter_bench SOURCES converter_answer.cpp
  LIBS orvalin_ircode ${CMAKE_DL_LIBS})
if(TARGET converter_bench)
  target_compile_definitions(converter_bench PRIVATE ORVALIN_PROGRAM_DIR="${ORVALIN_PROGRAM_DIR}")
  add_dependencies(converter_bench quendrix codeinfo_file)
endif()

# Rates of the generic learner on protocols, variants and noisy captures.
add_executable(converter_rates ${CMAKE_CURRENT_SOURCE_DIR}/converter_rates.cpp)
orvalin_warnings(converter_rates)
target_link_libraries(converter_rates PRIVATE orvalin_protocol_signals orvalin_converter_signals
  orvalin_cli_capture orvalin_generic_learner)
set_target_properties(converter_rates PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/bench)
