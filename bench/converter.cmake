# The fallback converter quendrix.dll: its answer, and the analysis plus converter.
orvalin_add_benchmark(NAME converter_bench SOURCES converter_answer.cpp
  LIBS orvalin_ircode ${CMAKE_DL_LIBS})
if(TARGET converter_bench)
  target_compile_definitions(converter_bench PRIVATE ORVALIN_PROGRAM_DIR="${ORVALIN_PROGRAM_DIR}")
  add_dependencies(converter_bench quendrix codeinfo_file)
endif()
