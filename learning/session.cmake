# Session core, recognition, fallback converter and table backups (Qt-free):
# orvalin_learning_support.
# Collection thread (Qt): orvalin_learning_session. The device library is linked by
# the final program or test (libvorkel.so or vorkel_static).
add_library(orvalin_learning_support STATIC
  ${CMAKE_CURRENT_SOURCE_DIR}/fallback_converter.cpp
  ${CMAKE_CURRENT_SOURCE_DIR}/table_backup.cpp
  ${CMAKE_CURRENT_SOURCE_DIR}/session.cpp
  ${CMAKE_CURRENT_SOURCE_DIR}/recognition.cpp
)
target_include_directories(orvalin_learning_support PUBLIC ${CMAKE_SOURCE_DIR})
target_link_libraries(orvalin_learning_support PUBLIC orvalin_learning_core orvalin_ircode ${CMAKE_DL_LIBS})
orvalin_warnings(orvalin_learning_support)

if(ORVALIN_BUILD_APP)
  add_library(orvalin_learning_session STATIC
    ${CMAKE_CURRENT_SOURCE_DIR}/collect_thread.cpp
    ${CMAKE_CURRENT_SOURCE_DIR}/collect_thread.h
  )
  set_target_properties(orvalin_learning_session PROPERTIES AUTOMOC ON)
  target_include_directories(orvalin_learning_session PUBLIC ${CMAKE_SOURCE_DIR})
  target_link_libraries(orvalin_learning_session PUBLIC orvalin_learning_support Qt6::Core)
  orvalin_warnings(orvalin_learning_session)
endif()
