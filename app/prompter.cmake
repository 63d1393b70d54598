# The message-box seam on its own, so that every window module (main window,
# update window) can use it without depending on each other.
add_library(orvalin_prompter STATIC ${CMAKE_CURRENT_SOURCE_DIR}/prompter.cpp)
target_include_directories(orvalin_prompter PUBLIC ${CMAKE_SOURCE_DIR})
target_link_libraries(orvalin_prompter PUBLIC Qt6::Widgets)
orvalin_warnings(orvalin_prompter)
