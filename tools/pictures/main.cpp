// Generates every picture the program shows and the resource lists that bundle them.
//
//   orvalin_pictures <output folder> <regular font file> <bold font file> [--english]
//
// --english draws the pictures that carry words with English captions (the key
// pictures are shared and not drawn).
//
// Picture libraries (one .qrc each, compiled with rcc --binary into "<name>.dll"):
//   on1800, sn1800, fn1800, dn1800   gif0 .. gif50: key pictures normal / learned /
//                                    picked for learning / preset, at the key's size
//   bn1800       flash1 (animated GIF 413x72), jpgjingtai, gifkesdra (JPEG 409x72),
//                delete, deletehui, stopdelete (JPEG 152x49), clear, clearhui (JPEG 150x49)
//   voredirav44  linkflash (animated GIF 200x120)
// Window pictures (window_pictures.qrc, prefix /window):
//   z (GIF 197x731), Image1 (PNG 1016x729), Image4 Image5 Image7 Image8 (GIF 409x167),
//   splash (GIF 462x258), TV_IBTN CBL_IBTN DVD_IBTN (+ "_on": active mode; PNG 121/129/121x41),
//   IBtn1_on IBtn3_on IBtn8_on (GIF, sizes of keys 03, 02, 01), beginstudyibtn and
//   beginstudyibtn_on (PNG 161x50), helpibtn (95x28), updateibtn (97x30), IBtn79 (38x27),
//   update_Image1 (140x300), update_Image2, update_Image3 (64x64), all PNG.
#include <QBuffer>
#include <QDir>
#include <QFontDatabase>
#include <QGuiApplication>
#include <QImageWriter>
#include <QSaveFile>
#include <QTextStream>
#include <cstdio>
#include <cstring>
#include <utility>
#include <vector>

#include "common/key_table.h"
#include "tools/pictures/animation_painter.h"
#include "tools/pictures/captions.h"
#include "tools/pictures/drawing.h"
#include "tools/pictures/gif_writer.h"
#include "tools/pictures/remote_painter.h"
#include "tools/pictures/style.h"
#include "tools/pictures/window_painter.h"

namespace {

using namespace orvalin::pictures;

struct Resource {
    QString name;  // alias inside the bundle
    QString file;  // file name in the output folder
};

class Bundle {
  public:
    Bundle(QString dir, QString name, QString prefix)
        : dir_(std::move(dir)), name_(std::move(name)), prefix_(std::move(prefix)) {}

    bool add(const QString& alias, const QString& ext, const QByteArray& data) {
        if (data.isEmpty()) {
            std::fprintf(stderr, "pictures: could not encode %s/%s\n", qPrintable(name_),
                         qPrintable(alias));
            return false;
        }
        const QString file = name_ + "/" + alias + "." + ext;
        QSaveFile out(dir_ + "/" + file);
        if (!out.open(QIODevice::WriteOnly) || out.write(data) != data.size() || !out.commit()) {
            std::fprintf(stderr, "pictures: cannot write %s\n", qPrintable(out.fileName()));
            return false;
        }
        items_.push_back({alias, file});
        return true;
    }

    bool write_qrc() const {
        QByteArray text;
        QTextStream s(&text);
        s << "<!DOCTYPE RCC>\n<RCC version=\"1.0\">\n<qresource prefix=\"" << prefix_ << "\">\n";
        for (const auto& r : items_)
            s << "  <file alias=\"" << r.name << "\">" << r.file << "</file>\n";
        s << "</qresource>\n</RCC>\n";
        s.flush();
        QSaveFile out(dir_ + "/" + name_ + ".qrc");
        return out.open(QIODevice::WriteOnly) && out.write(text) == text.size() && out.commit();
    }

    const QString& name() const { return name_; }

  private:
    QString dir_, name_, prefix_;
    std::vector<Resource> items_;
};

QByteArray encode(const QImage& img, const char* format, int quality = -1) {
    QByteArray data;
    QBuffer buf(&data);
    buf.open(QIODevice::WriteOnly);
    QImageWriter writer(&buf, format);
    if (quality >= 0) writer.setQuality(quality);
    // JPEG has no alpha: flatten first so the encoder sees the intended colours.
    const QImage out =
        QByteArray(format) == "jpeg" ? img.convertToFormat(QImage::Format_RGB32) : img;
    if (!writer.write(out)) return {};
    return data;
}

QByteArray gif(const QImage& img) {
    return encode_gif({img});
}
QByteArray jpeg(const QImage& img) {
    return encode(img, "jpeg", 92);
}
QByteArray png(const QImage& img) {
    return encode(img, "png");
}

bool load_fonts(const QString& regular, const QString& bold) {
    auto family = [](const QString& file) -> QString {
        const int id = QFontDatabase::addApplicationFont(file);
        if (id < 0) return {};
        const QStringList families = QFontDatabase::applicationFontFamilies(id);
        for (const auto& f : families)
            if (f.endsWith(" SC")) return f;  // simplified Chinese forms
        return families.value(0);
    };
    const QString r = family(regular), b = family(bold);
    if (r.isEmpty() || b.isEmpty()) return false;
    set_ui_font_families(r, b);
    return true;
}

bool key_libraries(const QString& dir) {
    const std::vector<std::pair<QString, KeyLook>> sets = {{"on1800", KeyLook::Normal},
                                                           {"sn1800", KeyLook::Learned},
                                                           {"fn1800", KeyLook::Picked},
                                                           {"dn1800", KeyLook::Preset}};
    for (const auto& [name, look] : sets) {
        QDir().mkpath(dir + "/" + name);
        Bundle b(dir, name, "/");
        for (int code = 0; code < orvalin::kKeyPictureCount; ++code)
            if (!b.add("gif" + QString::number(code), "gif", gif(key_picture(code, look))))
                return false;
        if (!b.write_qrc()) return false;
    }
    return true;
}

bool tool_library(const QString& dir) {
    QDir().mkpath(dir + "/bn1800");
    Bundle b(dir, "bn1800", "/");
    return b.add("flash1", "gif", encode_gif(learning_animation(), kAnimationDelayMs)) &&
           b.add("jpgjingtai", "jpg", jpeg(hint_waiting())) &&
           b.add("gifkesdra", "jpg", jpeg(hint_brand())) &&
           b.add("delete", "jpg", jpeg(delete_button(false, false))) &&
           b.add("deletehui", "jpg", jpeg(delete_button(true, false))) &&
           b.add("stopdelete", "jpg", jpeg(delete_button(false, true))) &&
           b.add("clear", "jpg", jpeg(clear_button(false))) &&
           b.add("clearhui", "jpg", jpeg(clear_button(true))) && b.write_qrc();
}

bool update_library(const QString& dir) {
    QDir().mkpath(dir + "/voredirav44");
    Bundle b(dir, "voredirav44", "/");
    return b.add("linkflash", "gif", encode_gif(connecting_animation(), kAnimationDelayMs)) &&
           b.write_qrc();
}

QImage mode_key(int code) {
    return key_picture(code, KeyLook::ModeActive);
}

bool window_pictures(const QString& dir) {
    QDir().mkpath(dir + "/window_pictures");
    Bundle b(dir, "window_pictures", "/window");
    return b.add("z", "gif", gif(remote_picture())) &&
           b.add("Image1", "png", png(window_background())) &&
           b.add("Image4", "gif", gif(instruction_panel(Panel::HasKeys))) &&
           b.add("Image5", "gif", gif(instruction_panel(Panel::Learning))) &&
           b.add("Image7", "gif", gif(instruction_panel(Panel::Deleting))) &&
           b.add("Image8", "gif", gif(instruction_panel(Panel::NoKeys))) &&
           b.add("splash", "gif", gif(splash_picture())) &&
           b.add("TV_IBTN", "png", png(mode_button(Mode::Tv, false))) &&
           b.add("CBL_IBTN", "png", png(mode_button(Mode::Cbl, false))) &&
           b.add("DVD_IBTN", "png", png(mode_button(Mode::Dvd, false))) &&
           b.add("TV_IBTN_on", "png", png(mode_button(Mode::Tv, true))) &&
           b.add("CBL_IBTN_on", "png", png(mode_button(Mode::Cbl, true))) &&
           b.add("DVD_IBTN_on", "png", png(mode_button(Mode::Dvd, true))) &&
           b.add("IBtn1_on", "gif", gif(mode_key(orvalin::kTvModeKeyCode))) &&
           b.add("IBtn3_on", "gif", gif(mode_key(orvalin::kCblModeKeyCode))) &&
           b.add("IBtn8_on", "gif", gif(mode_key(orvalin::kDvdModeKeyCode))) &&
           b.add("beginstudyibtn", "png", png(learn_button(false))) &&
           b.add("beginstudyibtn_on", "png", png(learn_button(true))) &&
           b.add("helpibtn", "png", png(help_button())) &&
           b.add("updateibtn", "png", png(update_button())) &&
           b.add("IBtn79", "png", png(close_button())) &&
           b.add("update_Image1", "png", png(update_banner())) &&
           b.add("update_Image2", "png", png(update_result(true))) &&
           b.add("update_Image3", "png", png(update_result(false))) && b.write_qrc();
}

}  // namespace

int main(int argc, char** argv) {
    QGuiApplication app(argc, argv);
    const bool english = argc == 5 && std::strcmp(argv[4], "--english") == 0;
    if (argc != 4 && !english) {
        std::fprintf(stderr, "usage: %s <output folder> <regular font> <bold font> [--english]\n",
                     argv[0]);
        return 2;
    }
    set_caption_language_english(english);
    const QString dir = QString::fromLocal8Bit(argv[1]);
    if (!QDir().mkpath(dir)) {
        std::fprintf(stderr, "pictures: cannot create %s\n", argv[1]);
        return 1;
    }
    if (!load_fonts(QString::fromLocal8Bit(argv[2]), QString::fromLocal8Bit(argv[3]))) {
        std::fprintf(stderr, "pictures: cannot load the fonts %s, %s\n", argv[2], argv[3]);
        return 1;
    }
    // The English set holds only the pictures with words; the key pictures are shared.
    const bool ok = (english || key_libraries(dir)) && tool_library(dir) && update_library(dir) &&
                    window_pictures(dir);
    return ok ? 0 : 1;
}
