#include "app/splash.h"

#include <QCoreApplication>
#include <QGuiApplication>
#include <QPixmap>
#include <QScreen>

#include "prompter/localized_picture.h"

namespace orvalin::app {

TForm1::TForm1(QWidget* parent) : QLabel(parent, Qt::SplashScreen | Qt::FramelessWindowHint) {
    setObjectName(QStringLiteral("Form1"));
    setWindowTitle(QCoreApplication::translate("TForm1", "启动界面"));
    setFixedSize(462, 258);
    setScaledContents(true);
    setPixmap(QPixmap(ui::localized_picture(QStringLiteral(":/window/splash"))));
    // Centred on the screen (a fixed place suits only one screen size).
    QRect where(QPoint(336, 212), size());
    if (const QScreen* screen = QGuiApplication::primaryScreen())
        where.moveCenter(screen->availableGeometry().center());
    move(where.topLeft());
}

}  // namespace orvalin::app
