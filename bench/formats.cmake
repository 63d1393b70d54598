# Code file formats: reading a 1,000-signal file and picking one signal by name.
orvalin_add_benchmark(NAME formats_bench
  SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/formats_read.cpp
  LIBS orvalin_signal_formats)
