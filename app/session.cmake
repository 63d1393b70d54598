# Learning session and deletion of learned keys, compiled into orvalin_app.
if(TARGET orvalin_app)
  target_sources(orvalin_app PRIVATE
    ${CMAKE_CURRENT_SOURCE_DIR}/learning_session.cpp
    ${CMAKE_CURRENT_SOURCE_DIR}/key_deletion.cpp
  )
  target_link_libraries(orvalin_app PUBLIC
    orvalin_learning_session orvalin_learning_core orvalin_ircode)
endif()
