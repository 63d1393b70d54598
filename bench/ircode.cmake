# Analysis of a learned code against code-info files of 50 and 500 records.
orvalin_add_benchmark(NAME ircode_analysis_bench SOURCES ircode_analysis.cpp LIBS orvalin_ircode)
if(TARGET ircode_analysis_bench)
  target_include_directories(ircode_analysis_bench PRIVATE ${CMAKE_SOURCE_DIR}/tests/ircode)
endif()
