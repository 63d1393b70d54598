// Marks a text of Qt-free code that a window shows, so that the translation
// tools find it: ORVALIN_UI_TEXT("Context", "text") is the text itself. The
// window translates it with QCoreApplication::translate("Context", text) when it
// shows it.
#pragma once

#define ORVALIN_UI_TEXT(context, text) text
