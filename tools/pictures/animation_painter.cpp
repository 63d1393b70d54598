#include "tools/pictures/animation_painter.h"

#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <cmath>

#include "tools/pictures/captions.h"
#include "tools/pictures/drawing.h"
#include "tools/pictures/style.h"

namespace orvalin::pictures {
namespace {

void infrared_waves(QPainter& p, const QPointF& origin, double phase) {
    // Arcs travel from the old remote towards the learning remote.
    p.save();
    p.setBrush(Qt::NoBrush);
    for (int i = 0; i < 3; ++i) {
        double t = std::fmod(phase + i / 3.0, 1.0);
        const double r = 8 + t * 58;
        const int alpha = int(230 * (1.0 - t));
        p.setPen(QPen(QColor(255, 120, 20, alpha), 2.6, Qt::SolidLine, Qt::RoundCap));
        p.drawArc(QRectF(origin.x() - r, origin.y() - r, 2 * r, 2 * r), -35 * 16, 70 * 16);
    }
    p.restore();
}

}  // namespace

std::vector<QImage> learning_animation() {
    using namespace colour;
    std::vector<QImage> frames;
    for (int f = 0; f < kAnimationFrames; ++f) {
        const double phase = double(f) / kAnimationFrames;
        QImage img = canvas(413, 72, kCard);
        QPainter p(&img);
        prepare(p);
        draw_notice(p, QRectF(3, 1, 407, 70), 186, caption("正在等待原遥控器发码"),
                    caption("请对准学习遥控器按下对应按键"));
        p.save();
        p.translate(34, 36);
        p.rotate(90);
        paint_mini_remote(p, QRectF(-11, -24, 22, 50), QColor(220, 226, 232));
        p.restore();
        infrared_waves(p, QPointF(62, 36), phase);
        p.save();
        p.translate(150, 36);
        p.rotate(-90);
        paint_mini_remote(p, QRectF(-11, -24, 22, 50), kPickedBottom);
        p.restore();

        // Progress dots under the text.
        p.setPen(Qt::NoPen);
        for (int i = 0; i < 5; ++i) {
            const bool lit = i == (f % 5);
            p.setBrush(lit ? kAmber : QColor(255, 214, 160));
            p.drawEllipse(QPointF(370 + i * 8, 62), lit ? 2.6 : 2.0, lit ? 2.6 : 2.0);
        }
        p.end();
        frames.push_back(img);
    }
    return frames;
}

std::vector<QImage> connecting_animation() {
    using namespace colour;
    std::vector<QImage> frames;
    for (int f = 0; f < kAnimationFrames; ++f) {
        QImage img = canvas(200, 120, kCard);
        QPainter p(&img);
        prepare(p);
        // Computer on the left.
        p.setPen(QPen(QColor(40, 96, 140), 2.5));
        p.setBrush(QColor(220, 236, 248));
        p.drawRoundedRect(QRectF(14, 34, 52, 38), 4, 4);
        p.setPen(QPen(QColor(40, 96, 140), 3, Qt::SolidLine, Qt::RoundCap));
        p.drawLine(QPointF(40, 73), QPointF(40, 82));
        p.drawLine(QPointF(28, 84), QPointF(52, 84));
        // Server cloud on the right.
        p.setPen(Qt::NoPen);
        p.setBrush(kWindow);
        p.drawEllipse(QRectF(134, 42, 30, 26));
        p.drawEllipse(QRectF(150, 32, 36, 36));
        p.drawRoundedRect(QRectF(130, 54, 60, 22), 11, 11);
        // Packets moving along the link.
        for (int i = 0; i < 6; ++i) {
            const double x = 76 + i * 9.5;
            const int d = (i - f + 60) % 6;
            const bool lit = d == 0;
            const bool near = d == 1 || d == 5;
            p.setBrush(lit ? kGreen : near ? QColor(140, 210, 160) : QColor(196, 210, 222));
            p.drawEllipse(QPointF(x, 57), lit ? 3.6 : 2.6, lit ? 3.6 : 2.6);
        }
        draw_fitted_text(p, QRectF(0, 92, 200, 22), caption("正在连接服务器"), kInkSoft, 13, false);
        p.end();
        frames.push_back(img);
    }
    return frames;
}

}  // namespace orvalin::pictures
