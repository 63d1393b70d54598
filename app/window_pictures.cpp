// The window's pictures from the five picture libraries beside the program, and
// the learning animation extracted from one of them.
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMovie>
#include <QResource>

#include "app/key_panel.h"
#include "app/learning_view.h"
#include "app/main_window.h"
#include "common/data_files.h"
#include "common/key_table.h"
#include "prompter/interface_language.h"
#include "prompter/localized_picture.h"

namespace orvalin::app {
namespace {

// The libraries are registered under their own names: ":/on1800/gif0" and so on.
constexpr const char* kLibraries[] = {"on1800", "sn1800", "fn1800", "bn1800", "dn1800"};

// The user's overlay holds libraries that an update installed for this user only.
// The English interface takes the English copy of a library with words in its
// pictures when there is one.
QString library_file(const QString& dir, const char* name) {
    const QString file = QLatin1String(name) + QStringLiteral(".dll");
    if (interface_language() == "en") {
        const QString english = ui::localized_library_dir(dir) + file;
        if (QFileInfo(english).isFile()) return english;
    }
    return QString::fromStdString(data_file(dir.toStdString(), file.toStdString()).string());
}

QString library_root(const char* name) {
    return QStringLiteral("/") + QLatin1String(name);
}

bool load_image(QImage& into, const QString& resource) {
    QImage image;
    if (!QResource(resource).isValid() || !image.load(resource) || image.isNull()) return false;
    into = std::move(image);
    return true;
}

}  // namespace

QString Tmainorvalin::animation_file() const {
    QString dir = qEnvironmentVariable("XDG_RUNTIME_DIR");
    if (dir.isEmpty() || !QFileInfo(dir).isDir() || !QFileInfo(dir).isWritable())
        dir = QDir::tempPath();
    // One file per running program, so that two instances do not remove each other's.
    return dir + QStringLiteral("/orvalin-%1-888.swf").arg(QCoreApplication::applicationPid());
}

bool Tmainorvalin::load_pictures() {
    const QString dir = program_dir_;
    for (const char* name : kLibraries)
        if (!QResource::registerResource(library_file(dir, name), library_root(name)))
            return false;  // the libraries that did load stay loaded
    struct Release {
        QString dir;
        ~Release() {
            for (const char* name : kLibraries)
                QResource::unregisterResource(library_file(dir, name), library_root(name));
        }
    } release{dir};

    // The animation: a failed copy only means that learning shows no animation.
    const QString movie = animation_file();
    if (QFile::exists(movie)) QFile::remove(movie);
    if (QFile::copy(QStringLiteral(":/bn1800/flash1"), movie)) {
        animation_extracted_ = true;
        QFile::setPermissions(movie, QFileDevice::ReadOwner | QFileDevice::WriteOwner);
        view_->animation()->setFormat("gif");
        view_->animation()->setFileName(movie);
    }

    KeyPictures& key_pictures = keys_->pictures();
    for (int n = 0; n < kKeyPictureCount; ++n) {
        const QString slot = QStringLiteral("/gif%1").arg(n);
        const auto u = static_cast<std::size_t>(n);
        if (!load_image(key_pictures.on[u], QStringLiteral(":/on1800") + slot) ||
            !load_image(key_pictures.sn[u], QStringLiteral(":/sn1800") + slot) ||
            !load_image(key_pictures.fn[u], QStringLiteral(":/fn1800") + slot) ||
            !load_image(key_pictures.dn[u], QStringLiteral(":/dn1800") + slot))
            return false;
    }

    // A missing tool picture counts like a missing key picture.
    const struct {
        QImage* into;
        const char* name;
    } tools[] = {{&tools_.jpgjingtai, "jpgjingtai"}, {&tools_.delete_pic, "delete"},
                 {&tools_.deletehui, "deletehui"},   {&tools_.clear_pic, "clear"},
                 {&tools_.clearhui, "clearhui"},     {&tools_.stopdelete, "stopdelete"},
                 {&tools_.gifkesdra, "gifkesdra"}};
    for (const auto& tool : tools)
        if (!load_image(*tool.into, QStringLiteral(":/bn1800/") + QLatin1String(tool.name)))
            return false;
    return true;
}

}  // namespace orvalin::app
