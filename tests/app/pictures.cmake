# Tests of the generated pictures: the bundles beside the program and the generator.
if(TARGET orvalin_window_pictures)
  orvalin_add_test(NAME pictures_test LABEL app QT
    SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/pictures_bundles_test.cpp
            ${CMAKE_CURRENT_SOURCE_DIR}/pictures_reproducible_test.cpp
    LIBS orvalin_common orvalin_window_pictures Qt6::Gui)
  add_dependencies(pictures_test pictures)
  target_compile_definitions(pictures_test PRIVATE
    PICTURES_GENERATOR="$<TARGET_FILE:orvalin_pictures>"
    PICTURES_FONT="${ORVALIN_CJK_FONT}"
    PICTURES_FONT_BOLD="${ORVALIN_CJK_FONT_BOLD}")
endif()
