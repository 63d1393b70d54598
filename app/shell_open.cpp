#include "app/shell_open.h"

#include <QDesktopServices>
#include <QDir>
#include <QFileInfo>
#include <QUrl>
#include <utility>

namespace orvalin::app {
namespace {

DocumentOpener& opener() {
    static DocumentOpener current;
    return current;
}

}  // namespace

bool open_document(const QString& name) {
    if (name.isEmpty()) return false;
    return open_file(QFileInfo(QDir::current(), name).absoluteFilePath());
}

bool open_file(const QString& absolute_path) {
    const QFileInfo file(absolute_path);
    if (!file.isAbsolute() || !file.isFile()) return false;
    const QString path = file.absoluteFilePath();
    if (opener()) return opener()(path);
    return QDesktopServices::openUrl(QUrl::fromLocalFile(path));
}

void set_document_opener(DocumentOpener opener_fn) {
    opener() = std::move(opener_fn);
}

}  // namespace orvalin::app
