# The code-info compiler: reads data/codeinfo/*.cis, writes QZ01.csl (see data/).
add_library(orvalin_codeinfo_source STATIC
  ${CMAKE_CURRENT_SOURCE_DIR}/codeinfo/codeinfo_source.cpp)
target_include_directories(orvalin_codeinfo_source PUBLIC ${CMAKE_SOURCE_DIR})
target_link_libraries(orvalin_codeinfo_source PUBLIC orvalin_ircode)
orvalin_warnings(orvalin_codeinfo_source)

add_executable(orvalin-codeinfo-compiler ${CMAKE_CURRENT_SOURCE_DIR}/codeinfo/compile_main.cpp)
target_link_libraries(orvalin-codeinfo-compiler PRIVATE orvalin_codeinfo_source)
orvalin_warnings(orvalin-codeinfo-compiler)
