#include "tools/pictures/remote_painter.h"

#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>
#include <algorithm>
#include <optional>

#include "common/key_table.h"
#include "tools/pictures/captions.h"
#include "tools/pictures/drawing.h"
#include "tools/pictures/style.h"

namespace orvalin::pictures {
namespace {

const QRectF kBody(9.5, 2.5, 178, 726);
constexpr double kBodyRadius = 34;
const QPointF kPadCentre(102.5, 369.5);
constexpr double kPadRadius = 68;

std::optional<KeyInfo> find_key(int code) {
    for (const auto& k : kKeyTable)
        if (k.code == code) return k;
    return std::nullopt;
}

QString label_of(const KeyInfo& k) {
    return QString::fromUtf8(k.label.data(), int(k.label.size()));
}

struct Palette {
    QColor top, bottom, border, text;
};

Palette palette_of(KeyLook look) {
    using namespace colour;
    switch (look) {
        case KeyLook::Learned:
            return {kLearnedTop, kLearnedBottom, QColor(22, 112, 54), Qt::white};
        case KeyLook::Picked:
            return {kPickedTop, kPickedBottom, QColor(255, 246, 214), QColor(74, 40, 0)};
        case KeyLook::Preset:
            return {kPresetTop, kPresetBottom, QColor(24, 74, 140), Qt::white};
        case KeyLook::ModeActive:
            return {kActiveTop, kActiveBottom, kActiveRing, QColor(6, 84, 130)};
        case KeyLook::Normal:
            break;
    }
    return {kRubberTop, kRubberBottom, QColor(150, 160, 172), kInk};
}

void paint_body(QPainter& p) {
    using namespace colour;
    // Outside the housing the picture shows the window colour, so the box blends in.
    p.fillRect(QRectF(0, 0, kRemoteWidth, kRemoteHeight), kWindow);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(20, 60, 88, 110));
    p.drawRoundedRect(kBody.translated(1.5, 2), kBodyRadius, kBodyRadius);
    QLinearGradient g(kBody.topLeft(), kBody.bottomLeft());
    g.setColorAt(0, kBodyTop);
    g.setColorAt(1, kBodyBottom);
    p.setBrush(g);
    p.setPen(QPen(QColor(24, 28, 34), 1.0));
    p.drawRoundedRect(kBody, kBodyRadius, kBodyRadius);
    // Bevel: a light line inside the rim, brighter on the left like a lit edge.
    QLinearGradient rim(kBody.topLeft(), kBody.topRight());
    rim.setColorAt(0, QColor(255, 255, 255, 70));
    rim.setColorAt(0.5, QColor(255, 255, 255, 25));
    rim.setColorAt(1, QColor(255, 255, 255, 45));
    p.setPen(QPen(QBrush(rim), 1.2));
    p.setBrush(Qt::NoBrush);
    p.drawRoundedRect(kBody.adjusted(2.5, 2.5, -2.5, -2.5), kBodyRadius - 2.5, kBodyRadius - 2.5);

    // Infrared window at the top.
    const QRectF ir(kBody.center().x() - 20, 7, 40, 10);
    QLinearGradient irg(ir.topLeft(), ir.bottomLeft());
    irg.setColorAt(0, QColor(110, 22, 30));
    irg.setColorAt(1, QColor(40, 6, 10));
    p.setPen(QPen(QColor(18, 20, 24), 1));
    p.setBrush(irg);
    p.drawRoundedRect(ir, 5, 5);
    p.setPen(QPen(QColor(255, 140, 140, 90), 1));
    p.drawLine(QPointF(ir.left() + 7, ir.top() + 3), QPointF(ir.right() - 7, ir.top() + 3));

    // Learning indicator next to the power keys.
    draw_led(p, QPointF(40, 34), 5);
    draw_fitted_text(p, QRectF(49, 28, 60, 12), QStringLiteral("LEARN"), QColor(170, 180, 192), 8,
                     true, Qt::AlignLeft | Qt::AlignVCenter);

    // Separators between the key groups.
    p.setPen(QPen(QColor(255, 255, 255, 28), 1));
    for (double y : {84.5, 232.5, 446.5, 511.5})
        p.drawLine(QPointF(kBody.left() + 18, y), QPointF(kBody.right() - 18, y));

    // The navigation ring behind the arrow keys.
    QRadialGradient pad(kPadCentre, kPadRadius);
    pad.setColorAt(0, QColor(30, 34, 41));
    pad.setColorAt(0.85, QColor(40, 45, 54));
    pad.setColorAt(1, QColor(52, 58, 68));
    p.setBrush(pad);
    p.setPen(QPen(QColor(92, 102, 116), 1.2));
    p.drawEllipse(kPadCentre, kPadRadius, kPadRadius - 6);

    // Model name and maker below the keys.
    draw_fitted_text(p, QRectF(kBody.left(), 598, kBody.width(), 20), QStringLiteral("QXT-508KP2"),
                     QColor(236, 240, 244), 15, true);
    draw_fitted_text(p, QRectF(kBody.left(), 620, kBody.width(), 14), caption("学习型遥控器"),
                     QColor(150, 162, 176), 10, false);
    p.setPen(QPen(QColor(255, 255, 255, 40), 1));
    p.drawLine(QPointF(kBody.center().x() - 24, 645.5), QPointF(kBody.center().x() + 24, 645.5));
    draw_fitted_text(p, QRectF(kBody.left(), 652, kBody.width(), 14), QStringLiteral("ORVALIN"),
                     QColor(120, 190, 230), 10, true);
}

void paint_key(QPainter& p, const QRectF& cell, const QString& label, const QString& fallback,
               KeyLook look) {
    const Palette pal = palette_of(look);
    const QRectF shape = cell.adjusted(2, 2, -2, -2.5);
    const double radius = std::min(shape.width(), shape.height()) * 0.32;
    p.save();
    if (look == KeyLook::Picked || look == KeyLook::ModeActive) {
        // Glow filling the margin around the key.
        const QColor glow = look == KeyLook::Picked ? colour::kPickedGlow : colour::kActiveRing;
        for (int i = 3; i >= 1; --i) {
            QColor c = glow;
            c.setAlpha(70 + (3 - i) * 55);
            p.setPen(Qt::NoPen);
            p.setBrush(c);
            const double grow = i * 0.7;
            p.drawRoundedRect(shape.adjusted(-grow, -grow, grow, grow), radius + grow,
                              radius + grow);
        }
    } else {
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(0, 0, 0, 90));
        p.drawRoundedRect(shape.translated(0, 1.3), radius, radius);
    }
    QLinearGradient g(shape.topLeft(), shape.bottomLeft());
    g.setColorAt(0, pal.top);
    g.setColorAt(1, pal.bottom);
    p.setBrush(g);
    p.setPen(QPen(pal.border, 1.0));
    p.drawRoundedRect(shape, radius, radius);
    p.setPen(QPen(QColor(255, 255, 255, look == KeyLook::Normal ? 160 : 90), 0.8));
    p.setBrush(Qt::NoBrush);
    p.drawLine(QPointF(shape.left() + radius, shape.top() + 1.2),
               QPointF(shape.right() - radius, shape.top() + 1.2));

    // Leave the upper right corner to the mark on learned and preset keys.
    const bool marked = look == KeyLook::Learned || look == KeyLook::Preset;
    const QRectF text_box = shape.adjusted(2, 1, marked ? -3 : -2, -1);
    if (!label.isEmpty() && !draw_symbol(p, text_box, label, pal.text)) {
        const double max_px = std::min(13.0, text_box.height() * 0.8);
        QString text = label;
        if (!font_has_glyphs(fitted_font(text, text_box, max_px, true), text)) text = fallback;
        draw_fitted_text(p, text_box, text, pal.text, max_px, true);
    }
    if (marked) {
        const double d = std::clamp(std::min(shape.width(), shape.height()) * 0.42, 6.0, 9.0);
        const QRectF badge(shape.right() - d + 1.5, shape.top() - 1.5, d, d);
        p.setPen(QPen(look == KeyLook::Learned ? QColor(18, 96, 44) : QColor(18, 62, 120), 0.8));
        p.setBrush(Qt::white);
        p.drawEllipse(badge);
        if (look == KeyLook::Learned)
            draw_tick(p, badge.adjusted(1.6, 1.8, -1.6, -1.6), QColor(24, 150, 70), 1.3);
        else {
            p.setPen(Qt::NoPen);
            p.setBrush(colour::kPresetBottom);
            p.drawEllipse(badge.center(), d * 0.2, d * 0.2);
        }
    }
    p.restore();
}

void paint_keys(QPainter& p, std::optional<int> skip) {
    for (const auto& k : kKeyTable) {
        if (skip && k.code == *skip) continue;
        paint_key(p, QRectF(k.left, k.top, k.width, k.height), label_of(k),
                  QString::fromUtf8(k.path.data(), int(k.path.size())), KeyLook::Normal);
    }
}

}  // namespace

QImage remote_picture() {
    QImage img = canvas(kRemoteWidth, kRemoteHeight, colour::kWindow);
    QPainter p(&img);
    prepare(p);
    paint_body(p);
    paint_keys(p, std::nullopt);
    return img;
}

QImage key_picture(int code, KeyLook look) {
    const auto key = find_key(code);
    if (!key) {
        const auto [w, h] = key_picture_size(code);
        QImage img = canvas(w, h);
        QPainter p(&img);
        prepare(p);
        QLinearGradient g(0, 0, 0, h);
        g.setColorAt(0, colour::kBodyTop);
        g.setColorAt(1, colour::kBodyBottom);
        p.fillRect(QRectF(0, 0, w, h), g);
        paint_key(p, QRectF(0, 0, w, h), QString(), QString(), look);
        return img;
    }
    // Paint the remote around the key too, so that the edges match the picture beneath.
    QImage img = canvas(key->width, key->height);
    QPainter p(&img);
    prepare(p);
    p.translate(-key->left, -key->top);
    paint_body(p);
    paint_keys(p, code);
    paint_key(p, QRectF(key->left, key->top, key->width, key->height), label_of(*key),
              QString::fromUtf8(key->path.data(), int(key->path.size())), look);
    return img;
}

}  // namespace orvalin::pictures
