// Contact sheets of the generated pictures, for looking at them by eye:
//   orvalin_pictures_overview <program folder> <output folder>
// writes pictures-remotes.png (the remote with every look placed at the buttons),
// pictures-window.png and pictures-window-learning.png (the main window put together as
// the program lays it out, resting and learning) and
// pictures-overview.png (every other picture and the animation frames).
#include <QDir>
#include <QGuiApplication>
#include <QImage>
#include <QImageReader>
#include <QPainter>
#include <QResource>
#include <cstdio>

#include "common/key_table.h"
#include "common/version.h"

namespace {

QImage load(const QString& path) {
    return QImageReader(path).read();
}

QString key(const char* set, int code) {
    return QString(":/%1/gif%2").arg(set).arg(code);
}

QImage remotes() {
    const char* sets[] = {"on1800", "sn1800", "fn1800", "dn1800", nullptr};
    QImage sheet(5 * 207 + 10, 741, QImage::Format_RGB32);
    sheet.fill(QColor(53, 124, 168));
    QPainter p(&sheet);
    const QImage z = load(":/window/z");
    for (int i = 0; i < 5; ++i) {
        const QPoint at(10 + i * 207, 5);
        p.drawImage(at, z);
        for (const auto& k : orvalin::kKeyTable) {
            // Last column: a mix of every look, as a real table shows it.
            const char* set = sets[i] ? sets[i] : sets[k.code % 4];
            p.drawImage(at + QPoint(k.left, k.top), load(key(set, k.code)));
        }
    }
    return sheet;
}

QImage window(bool learning) {
    QImage w(1016, 740, QImage::Format_RGB32);
    w.fill(QColor(53, 124, 168));
    QPainter p(&w);
    p.drawImage(0, 0, load(":/window/Image1"));
    const QImage z = load(":/window/z");
    p.drawImage(32, 9, z);
    const char* sets[] = {"on1800", "sn1800", "fn1800", "dn1800"};
    for (const auto& k : orvalin::kKeyTable)
        if (k.code == 0 || k.code >= 4)
            p.drawImage(32 + k.left, 9 + k.top, load(key(sets[(k.code * 7) % 5 % 4], k.code)));
    p.drawImage(32 + 24, 9 + 56, load(":/window/IBtn1_on"));
    p.drawImage(440, 216, load(":/window/TV_IBTN_on"));
    p.drawImage(584, 216, load(":/window/CBL_IBTN"));
    p.drawImage(728, 216, load(":/window/DVD_IBTN"));
    p.setPen(Qt::red);
    p.drawText(QRect(432, 276, 409, 19), Qt::AlignCenter, QString::fromUtf8("状态行"));
    p.setPen(Qt::black);
    p.drawText(QRect(766, 66, 146, 16), Qt::AlignLeft, "QXT-508KP2");
    p.drawText(QRect(766, 102, 148, 14), Qt::AlignLeft, orvalin::kVersionLabel);
    p.drawText(QRect(766, 134, 146, 17), Qt::AlignLeft, " 2.0");
    if (learning) {
        p.drawImage(437, 338, QImageReader(":/bn1800/flash1").read());
        p.drawImage(32 + 85, 9 + 274, load(key("fn1800", 0x14)));
    } else {
        p.drawImage(439, 341, load(":/bn1800/gifkesdra"));
    }
    p.drawImage(439, 412, load(learning ? ":/window/Image5" : ":/window/Image4"));
    p.drawImage(408, 623,
                load(learning ? ":/window/beginstudyibtn_on" : ":/window/beginstudyibtn"));
    p.drawImage(593, 624, load(learning ? ":/bn1800/deletehui" : ":/bn1800/delete"));
    p.drawImage(779, 624, load(learning ? ":/bn1800/clearhui" : ":/bn1800/clear"));
    p.drawImage(722, 6, load(":/window/helpibtn"));
    p.drawImage(850, 5, load(":/window/updateibtn"));
    p.drawImage(969, 6, load(":/window/IBtn79"));
    return w;
}

QImage others() {
    QImage sheet(1300, 1340, QImage::Format_RGB32);
    sheet.fill(QColor(200, 200, 200));
    QPainter p(&sheet);
    int x = 10, y = 10;
    const char* panels[] = {"Image8", "Image4", "Image5", "Image7"};
    for (const char* n : panels) {
        p.drawImage(x, y, load(QString(":/window/") + n));
        x += 420;
        if (x > 900) {
            x = 10;
            y += 175;
        }
    }
    y = 360;
    x = 10;
    for (const char* n : {"jpgjingtai", "gifkesdra"}) {
        p.drawImage(x, y, load(QString(":/bn1800/") + n));
        x += 420;
    }
    y = 440;
    x = 10;
    for (const char* n : {"delete", "deletehui", "stopdelete", "clear", "clearhui"}) {
        const QImage img = load(QString(":/bn1800/") + n);
        p.drawImage(x, y, img);
        x += img.width() + 8;
    }
    y = 500;
    x = 10;
    for (const char* n : {"TV_IBTN", "TV_IBTN_on", "CBL_IBTN", "CBL_IBTN_on", "DVD_IBTN",
                          "DVD_IBTN_on", "beginstudyibtn", "beginstudyibtn_on"}) {
        const QImage img = load(QString(":/window/") + n);
        p.drawImage(x, y, img);
        x += img.width() + 6;
    }
    y = 560;
    x = 10;
    for (const char* n : {"helpibtn", "updateibtn", "IBtn79", "IBtn1_on", "IBtn3_on", "IBtn8_on",
                          "update_Image2", "update_Image3"}) {
        const QImage img = load(QString(":/window/") + n);
        p.drawImage(x, y, img);
        x += img.width() + 8;
    }
    p.drawImage(10, 640, load(":/window/splash"));
    p.drawImage(480, 640, load(":/window/update_Image1"));
    // Animation frames.
    QImageReader flash(":/bn1800/flash1");
    int fy = 10;
    for (QImage f = flash.read(); !f.isNull() && fy < 320; f = flash.read()) {
        p.drawImage(850, fy + 350, f);
        fy += 76;
    }
    QImageReader link(":/voredirav44/linkflash");
    int fx = 630;
    for (QImage f = link.read(); !f.isNull() && fx < 1100; f = link.read()) {
        p.drawImage(fx, 640, f);
        fx += 204;
    }
    // Every key in the four looks, codes 45..50 included, at 2x.
    const char* sets[] = {"on1800", "sn1800", "fn1800", "dn1800"};
    for (int s = 0; s < 4; ++s)
        for (int c = 0; c < 51; ++c) {
            const QImage img = load(key(sets[s], c));
            p.drawImage(10 + (s % 2) * 640 + (c % 10) * 60, 940 + (s / 2) * 200 + (c / 10) * 32,
                        img);
        }
    return sheet;
}

}  // namespace

int main(int argc, char** argv) {
    QGuiApplication app(argc, argv);
    if (argc != 3) return 2;
    const QString dir = QString::fromLocal8Bit(argv[1]);
    for (const char* lib : {"on1800", "sn1800", "fn1800", "dn1800", "bn1800", "voredirav44"})
        if (!QResource::registerResource(dir + "/" + lib + ".dll", QString("/") + lib)) {
            std::fprintf(stderr, "cannot register %s\n", lib);
            return 1;
        }
    const QString out = QString::fromLocal8Bit(argv[2]);
    QDir().mkpath(out);
    const QImage sheet = remotes();
    // Three times enlarged, the first three remotes' upper half: edges and labels up close.
    const QImage zoom = sheet.copy(0, 0, 630, 400)
                            .scaled(1890, 1200, Qt::IgnoreAspectRatio, Qt::FastTransformation);
    const bool ok = sheet.save(out + "/pictures-remotes.png") &&
                    zoom.save(out + "/pictures-zoom.png") &&
                    window(false).save(out + "/pictures-window.png") &&
                    window(true).save(out + "/pictures-window-learning.png") &&
                    others().save(out + "/pictures-overview.png");
    return ok ? 0 : 1;
}
