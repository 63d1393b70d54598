// Shell open of a document by name (help file, the Path of an image button).
#pragma once

#include <QString>
#include <functional>

namespace orvalin::app {

// Opens name, relative to the current folder, with the desktop's handler; only a
// file that exists is handed over. False when there is no such file or the
// desktop refused it. Nothing else is ever started.
bool open_document(const QString& name);

// Opens a file given by its absolute path with the desktop's handler (through the
// same seam); false when it is not an existing file or the desktop refused it.
bool open_file(const QString& absolute_path);

// Receives the absolute path of an existing file. Tests install a recorder;
// an empty function restores the desktop handler.
using DocumentOpener = std::function<bool(const QString& absolute_path)>;
void set_document_opener(DocumentOpener opener);

}  // namespace orvalin::app
