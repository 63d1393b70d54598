# Learning core: table parse and rebuild, timing text conversion.
orvalin_add_benchmark(NAME learning_core_bench SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/learning_core.cpp
  LIBS orvalin_learning_core)
