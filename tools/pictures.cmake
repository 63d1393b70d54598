# Build-time picture generator: draws every picture of the program and bundles them.
# Outputs beside the program: on1800.dll sn1800.dll fn1800.dll dn1800.dll bn1800.dll
# voredirav44.dll (binary resource bundles) and the static library
# orvalin_window_pictures with the pictures stored in the windows (":/window/<name>").

find_package(GIF REQUIRED)
find_file(ORVALIN_CJK_FONT NotoSansCJK-Regular.ttc
          PATHS /usr/share/fonts/opentype/noto /usr/share/fonts/noto-cjk
          /usr/share/fonts/google-noto-cjk REQUIRED)
find_file(ORVALIN_CJK_FONT_BOLD NotoSansCJK-Bold.ttc
          PATHS /usr/share/fonts/opentype/noto /usr/share/fonts/noto-cjk
          /usr/share/fonts/google-noto-cjk REQUIRED)

add_executable(orvalin_pictures
  ${CMAKE_CURRENT_SOURCE_DIR}/pictures/main.cpp
  ${CMAKE_CURRENT_SOURCE_DIR}/pictures/palette.cpp
  ${CMAKE_CURRENT_SOURCE_DIR}/pictures/gif_writer.cpp
  ${CMAKE_CURRENT_SOURCE_DIR}/pictures/drawing.cpp
  ${CMAKE_CURRENT_SOURCE_DIR}/pictures/remote_painter.cpp
  ${CMAKE_CURRENT_SOURCE_DIR}/pictures/window_painter.cpp
  ${CMAKE_CURRENT_SOURCE_DIR}/pictures/animation_painter.cpp)
orvalin_warnings(orvalin_pictures)
target_link_libraries(orvalin_pictures PRIVATE orvalin_common Qt6::Gui GIF::GIF)
# A build tool, not part of the program folder.
set_target_properties(orvalin_pictures PROPERTIES
  RUNTIME_OUTPUT_DIRECTORY ${CMAKE_CURRENT_BINARY_DIR})

set(_pic_dir ${CMAKE_CURRENT_BINARY_DIR}/pictures)
set(_pic_libs on1800 sn1800 fn1800 dn1800 bn1800 voredirav44)
set(_pic_outputs)
set(_pic_commands)
# Fixed resource dates and no compression keep the bundles byte-identical between builds.
set(_rcc ${CMAKE_COMMAND} -E env QT_RCC_SOURCE_DATE_OVERRIDE=1 $<TARGET_FILE:Qt6::rcc>)
foreach(lib IN LISTS _pic_libs)
  list(APPEND _pic_outputs ${CMAKE_BINARY_DIR}/${lib}.dll)
  list(APPEND _pic_commands
    COMMAND ${_rcc} --binary --no-compress -o ${CMAKE_BINARY_DIR}/${lib}.dll ${_pic_dir}/${lib}.qrc)
endforeach()
set(_pic_window_cpp ${_pic_dir}/window_pictures_rcc.cpp)

add_custom_command(
  OUTPUT ${_pic_outputs} ${_pic_window_cpp}
  COMMAND ${CMAKE_COMMAND} -E env QT_QPA_PLATFORM=offscreen ASAN_OPTIONS=detect_leaks=0
          $<TARGET_FILE:orvalin_pictures> ${_pic_dir} ${ORVALIN_CJK_FONT} ${ORVALIN_CJK_FONT_BOLD}
  ${_pic_commands}
  COMMAND ${_rcc} --no-compress --name orvalin_window_pictures -o ${_pic_window_cpp}
          ${_pic_dir}/window_pictures.qrc
  DEPENDS orvalin_pictures ${CMAKE_SOURCE_DIR}/common/key_table.h
  COMMENT "Drawing the program's pictures"
  VERBATIM)
add_custom_target(pictures ALL DEPENDS ${_pic_outputs} ${_pic_window_cpp})
install(FILES ${_pic_outputs} DESTINATION .)

# The window pictures come as object files on the link line of whoever links
# orvalin_window_pictures, so that their static registration is never dropped by the
# linker (an unreferenced archive member would be).
add_library(orvalin_window_pictures_objects OBJECT ${_pic_window_cpp})
target_link_libraries(orvalin_window_pictures_objects PRIVATE Qt6::Core)
add_dependencies(orvalin_window_pictures_objects pictures)
add_library(orvalin_window_pictures STATIC ${CMAKE_CURRENT_SOURCE_DIR}/pictures/window_pictures.cpp)
orvalin_warnings(orvalin_window_pictures)
add_dependencies(orvalin_window_pictures orvalin_window_pictures_objects)
target_link_libraries(orvalin_window_pictures
  PUBLIC Qt6::Core
  INTERFACE "$<TARGET_OBJECTS:orvalin_window_pictures_objects>")

# Contact sheets for looking at the pictures by eye (built on request only).
add_executable(orvalin_pictures_overview EXCLUDE_FROM_ALL
  ${CMAKE_CURRENT_SOURCE_DIR}/pictures/overview.cpp)
orvalin_warnings(orvalin_pictures_overview)
target_link_libraries(orvalin_pictures_overview PRIVATE orvalin_common orvalin_window_pictures Qt6::Gui)
set_target_properties(orvalin_pictures_overview PROPERTIES
  RUNTIME_OUTPUT_DIRECTORY ${CMAKE_CURRENT_BINARY_DIR})
