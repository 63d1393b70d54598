# Device library calls against the simulated remote at zero latency: the cost
# of the library itself (enumeration, reports, descriptor reads, text handling).
orvalin_add_benchmark(NAME device_bench
  SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/device_calls.cpp
  LIBS vorkel_static)
