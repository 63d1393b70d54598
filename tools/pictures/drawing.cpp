#include "tools/pictures/drawing.h"

#include <QFontMetricsF>
#include <QLinearGradient>
#include <QPainterPath>
#include <QPolygonF>
#include <QRadialGradient>
#include <algorithm>

#include "tools/pictures/style.h"

namespace orvalin::pictures {

namespace {
QString g_regular = QStringLiteral("Noto Sans CJK SC");
QString g_bold = QStringLiteral("Noto Sans CJK SC");
}  // namespace

void set_ui_font_families(const QString& regular, const QString& bold) {
    g_regular = regular;
    g_bold = bold;
}

QFont ui_font(double pixel_size, bool bold) {
    QFont f(bold ? g_bold : g_regular);
    f.setPixelSize(std::max(1, int(pixel_size + 0.5)));
    f.setBold(bold);
    f.setHintingPreference(QFont::PreferNoHinting);
    f.setStyleStrategy(QFont::PreferAntialias);
    return f;
}

QImage canvas(int w, int h, const QColor& fill) {
    QImage img(w, h, QImage::Format_ARGB32_Premultiplied);
    img.fill(fill);
    return img;
}

void prepare(QPainter& p) {
    p.setRenderHint(QPainter::Antialiasing, true);
    p.setRenderHint(QPainter::TextAntialiasing, true);
    p.setRenderHint(QPainter::SmoothPixmapTransform, true);
}

QColor mix(const QColor& a, const QColor& b, double t) {
    return QColor::fromRgbF(float(a.redF() + (b.redF() - a.redF()) * t),
                            float(a.greenF() + (b.greenF() - a.greenF()) * t),
                            float(a.blueF() + (b.blueF() - a.blueF()) * t),
                            float(a.alphaF() + (b.alphaF() - a.alphaF()) * t));
}

QFont fitted_font(const QString& text, const QRectF& box, double max_px, bool bold, double min_px) {
    for (double px = max_px; px > min_px; px -= 0.5) {
        const QFont f = ui_font(px, bold);
        const QFontMetricsF fm(f);
        QRectF need = fm.boundingRect(box, Qt::AlignCenter | Qt::TextWordWrap, text);
        if (!text.contains('\n')) need = QRectF(0, 0, fm.horizontalAdvance(text), fm.capHeight());
        if (need.width() <= box.width() && need.height() <= box.height()) return f;
    }
    return ui_font(min_px, bold);
}

void draw_fitted_text(QPainter& p, const QRectF& box, const QString& text, const QColor& colour,
                      double max_px, bool bold, int flags) {
    p.save();
    p.setFont(fitted_font(text, box, max_px, bold));
    p.setPen(colour);
    p.drawText(box, flags, text);
    p.restore();
}

bool font_has_glyphs(const QFont& font, const QString& text) {
    const QFontMetricsF fm(font);
    for (const uint ucs : text.toUcs4())
        if (!fm.inFontUcs4(ucs)) return false;
    return true;
}

namespace {

QPolygonF triangle(const QRectF& r, int direction) {
    // direction: 0 up, 1 right, 2 down, 3 left
    const QPointF c = r.center();
    const double s = std::min(r.width(), r.height()) / 2;
    switch (direction) {
        case 0:
            return QPolygonF({QPointF(c.x(), c.y() - s), QPointF(c.x() + s, c.y() + s * 0.75),
                              QPointF(c.x() - s, c.y() + s * 0.75)});
        case 1:
            return QPolygonF({QPointF(c.x() + s, c.y()), QPointF(c.x() - s * 0.75, c.y() + s),
                              QPointF(c.x() - s * 0.75, c.y() - s)});
        case 2:
            return QPolygonF({QPointF(c.x(), c.y() + s), QPointF(c.x() - s, c.y() - s * 0.75),
                              QPointF(c.x() + s, c.y() - s * 0.75)});
        default:
            return QPolygonF({QPointF(c.x() - s, c.y()), QPointF(c.x() + s * 0.75, c.y() - s),
                              QPointF(c.x() + s * 0.75, c.y() + s)});
    }
}

QRectF centred_square(const QRectF& box, double side) {
    return QRectF(box.center().x() - side / 2, box.center().y() - side / 2, side, side);
}

}  // namespace

bool draw_symbol(QPainter& p, const QRectF& box, const QString& text, const QColor& colour) {
    const double side = std::min(box.width(), box.height()) * 0.62;
    const QRectF sq = centred_square(box, side);
    p.save();
    p.setPen(Qt::NoPen);
    p.setBrush(colour);
    bool known = true;
    if (text == QString::fromUtf8("▲")) {
        p.drawPolygon(triangle(sq, 0));
    } else if (text == QString::fromUtf8("▶")) {
        p.drawPolygon(triangle(sq, 1));
    } else if (text == QString::fromUtf8("▼")) {
        p.drawPolygon(triangle(sq, 2));
    } else if (text == QString::fromUtf8("◀")) {
        p.drawPolygon(triangle(sq, 3));
    } else if (text == QString::fromUtf8("■")) {
        const QRectF s = centred_square(box, side * 0.8);
        p.drawRoundedRect(s, side * 0.08, side * 0.08);
    } else if (text == QString::fromUtf8("●")) {
        p.setBrush(QColor(222, 52, 44));
        p.drawEllipse(centred_square(box, side * 0.85));
    } else if (text == QString::fromUtf8("❚❚")) {
        const QRectF s = centred_square(box, side * 0.8);
        const double bar = s.width() * 0.34;
        p.drawRect(QRectF(s.left(), s.top(), bar, s.height()));
        p.drawRect(QRectF(s.right() - bar, s.top(), bar, s.height()));
    } else if (text == QString::fromUtf8("▶▶|") || text == QString::fromUtf8("|◀◀")) {
        const bool next = text.startsWith(QString::fromUtf8("▶"));
        const double h = std::min(box.height() * 0.55, box.width() * 0.3);
        const double tw = h * 0.7;
        const double bar = std::max(1.5, h * 0.16);
        const double total = 2 * tw + bar;
        double x = box.center().x() - total / 2;
        const double top = box.center().y() - h / 2;
        auto tri = [&](double left, bool right) {
            QPolygonF t;
            if (right)
                t << QPointF(left, top) << QPointF(left + tw, top + h / 2)
                  << QPointF(left, top + h);
            else
                t << QPointF(left + tw, top) << QPointF(left, top + h / 2)
                  << QPointF(left + tw, top + h);
            p.drawPolygon(t);
        };
        if (next) {
            tri(x, true);
            tri(x + tw * 0.85, true);
            p.drawRect(QRectF(x + 2 * tw - bar * 0.3, top, bar, h));
        } else {
            p.drawRect(QRectF(x, top, bar, h));
            tri(x + bar * 0.7, false);
            tri(x + bar * 0.7 + tw * 0.85, false);
        }
    } else {
        known = false;
    }
    p.restore();
    return known;
}

void draw_tick(QPainter& p, const QRectF& b, const QColor& colour, double width) {
    p.save();
    p.setPen(QPen(colour, width, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.setBrush(Qt::NoBrush);
    QPainterPath path;
    path.moveTo(b.left() + b.width() * 0.12, b.top() + b.height() * 0.55);
    path.lineTo(b.left() + b.width() * 0.40, b.top() + b.height() * 0.82);
    path.lineTo(b.left() + b.width() * 0.90, b.top() + b.height() * 0.20);
    p.drawPath(path);
    p.restore();
}

void draw_cross(QPainter& p, const QRectF& b, const QColor& colour, double width) {
    p.save();
    p.setPen(QPen(colour, width, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(b.topLeft(), b.bottomRight());
    p.drawLine(b.topRight(), b.bottomLeft());
    p.restore();
}

void draw_icon(QPainter& p, Icon icon, const QRectF& b, const QColor& colour) {
    p.save();
    p.setBrush(Qt::NoBrush);
    const double s = std::min(b.width(), b.height());
    const QRectF sq = centred_square(b, s);
    QPen pen(colour, std::max(1.5, s * 0.11), Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin);
    switch (icon) {
        case Icon::None:
            break;
        case Icon::Play:
            p.setPen(Qt::NoPen);
            p.setBrush(colour);
            p.drawPolygon(triangle(centred_square(b, s * 0.8), 1));
            break;
        case Icon::Stop:
            p.setPen(Qt::NoPen);
            p.setBrush(colour);
            p.drawRoundedRect(centred_square(b, s * 0.66), s * 0.1, s * 0.1);
            break;
        case Icon::Trash: {
            p.setPen(pen);
            const QRectF can(sq.left() + s * 0.2, sq.top() + s * 0.3, s * 0.6, s * 0.62);
            p.drawRoundedRect(can, s * 0.06, s * 0.06);
            p.drawLine(QPointF(sq.left() + s * 0.1, sq.top() + s * 0.2),
                       QPointF(sq.right() - s * 0.1, sq.top() + s * 0.2));
            p.drawLine(QPointF(sq.left() + s * 0.38, sq.top() + s * 0.08),
                       QPointF(sq.right() - s * 0.38, sq.top() + s * 0.08));
            p.drawLine(QPointF(can.center().x(), can.top() + s * 0.14),
                       QPointF(can.center().x(), can.bottom() - s * 0.14));
            break;
        }
        case Icon::Broom: {
            p.setPen(pen);
            p.drawLine(QPointF(sq.right() - s * 0.1, sq.top() + s * 0.05),
                       QPointF(sq.center().x(), sq.center().y()));
            QPolygonF head;
            head << QPointF(sq.center().x() - s * 0.05, sq.center().y() - s * 0.12)
                 << QPointF(sq.center().x() + s * 0.14, sq.center().y() + s * 0.06)
                 << QPointF(sq.left() + s * 0.22, sq.bottom() - s * 0.02)
                 << QPointF(sq.left() + s * 0.02, sq.bottom() - s * 0.22);
            p.setBrush(colour);
            p.drawPolygon(head);
            break;
        }
        case Icon::Help: {
            p.setPen(pen);
            p.drawEllipse(sq.adjusted(s * 0.06, s * 0.06, -s * 0.06, -s * 0.06));
            QFont f = ui_font(s * 0.62, true);
            p.setFont(f);
            p.drawText(sq, Qt::AlignCenter, QStringLiteral("?"));
            break;
        }
        case Icon::Update: {
            p.setPen(pen);
            p.drawArc(sq.adjusted(s * 0.1, s * 0.1, -s * 0.1, -s * 0.1), 100 * 16, 300 * 16);
            p.drawLine(QPointF(sq.center().x(), sq.top() + s * 0.28),
                       QPointF(sq.center().x(), sq.bottom() - s * 0.28));
            p.drawLine(QPointF(sq.center().x() - s * 0.15, sq.top() + s * 0.43),
                       QPointF(sq.center().x(), sq.top() + s * 0.28));
            p.drawLine(QPointF(sq.center().x() + s * 0.15, sq.top() + s * 0.43),
                       QPointF(sq.center().x(), sq.top() + s * 0.28));
            break;
        }
        case Icon::Close:
            draw_cross(p, centred_square(b, s * 0.5), colour, std::max(1.8, s * 0.12));
            break;
    }
    p.restore();
}

QImage pill_button(int w, int h, const QColor& background, const QColor& top, const QColor& bottom,
                   const QColor& text_colour, const QString& caption, Icon icon, double radius,
                   double font_px) {
    QImage img = canvas(w, h, background);
    QPainter p(&img);
    prepare(p);
    const QRectF body(1.5, 1.0, w - 3.0, h - 3.5);
    // Soft drop shadow under the button.
    p.setPen(Qt::NoPen);
    QColor shade = mix(background, Qt::black, 0.18);
    p.setBrush(shade);
    p.drawRoundedRect(body.translated(0, 1.5), radius, radius);
    QLinearGradient g(body.topLeft(), body.bottomLeft());
    g.setColorAt(0, top);
    g.setColorAt(1, bottom);
    p.setBrush(g);
    p.setPen(QPen(mix(bottom, Qt::black, 0.15), 1.0));
    p.drawRoundedRect(body, radius, radius);
    // Highlight along the upper edge.
    p.setPen(QPen(QColor(255, 255, 255, 90), 1.0));
    p.setBrush(Qt::NoBrush);
    p.drawRoundedRect(body.adjusted(1, 1, -1, -1), radius - 1, radius - 1);

    QFont f = fitted_font(caption, body.adjusted(4, 2, -4, -2), font_px, true);
    const QFontMetricsF fm(f);
    const double text_w = fm.horizontalAdvance(caption);
    const double icon_s = icon == Icon::None ? 0 : std::min(body.height() * 0.46, font_px * 1.2);
    const double gap = icon == Icon::None ? 0 : icon_s * 0.45;
    const double total = icon_s + gap + text_w;
    double x = body.center().x() - total / 2;
    if (icon != Icon::None) {
        draw_icon(p, icon, QRectF(x, body.center().y() - icon_s / 2, icon_s, icon_s), text_colour);
        x += icon_s + gap;
    }
    p.setFont(f);
    p.setPen(text_colour);
    p.drawText(QRectF(x, body.top(), text_w + 2, body.height()), Qt::AlignVCenter | Qt::AlignLeft,
               caption);
    p.end();
    return img;
}

void paint_mini_remote(QPainter& p, const QRectF& r, const QColor& accent) {
    p.save();
    const double rad = r.width() * 0.3;
    QLinearGradient g(r.topLeft(), r.bottomLeft());
    g.setColorAt(0, colour::kBodyTop);
    g.setColorAt(1, colour::kBodyBottom);
    p.setPen(QPen(QColor(20, 24, 30), 1));
    p.setBrush(g);
    p.drawRoundedRect(r, rad, rad);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(150, 30, 40));
    p.drawRoundedRect(QRectF(r.center().x() - r.width() * 0.18, r.top() + r.height() * 0.04,
                             r.width() * 0.36, r.height() * 0.035),
                      2, 2);
    const double cols = 3, rows = 4;
    const double cw = r.width() * 0.2, ch = r.height() * 0.06;
    for (int row = 0; row < rows; ++row)
        for (int col = 0; col < cols; ++col) {
            const double x = r.left() + r.width() * (0.2 + col * 0.3) - cw / 2;
            const double y = r.top() + r.height() * (0.16 + row * 0.1);
            p.setBrush(row == 1 && col == 1 ? accent : QColor(220, 226, 232));
            p.drawRoundedRect(QRectF(x, y, cw, ch), 1.5, 1.5);
        }
    p.setBrush(QColor(30, 34, 41));
    p.setPen(QPen(QColor(92, 102, 116), 1));
    const QPointF c(r.center().x(), r.top() + r.height() * 0.66);
    p.drawEllipse(c, r.width() * 0.3, r.width() * 0.3);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(220, 226, 232));
    p.drawEllipse(c, r.width() * 0.11, r.width() * 0.11);
    p.restore();
}

void draw_led(QPainter& p, const QPointF& centre, double radius) {
    p.save();
    QRadialGradient led(centre, radius);
    led.setColorAt(0, QColor(200, 255, 220));
    led.setColorAt(0.55, QColor(60, 206, 112));
    led.setColorAt(1, QColor(60, 206, 112, 0));
    p.setPen(Qt::NoPen);
    p.setBrush(led);
    p.drawEllipse(centre, radius, radius);
    p.restore();
}

void draw_notice(QPainter& p, const QRectF& band, double text_left, const QString& title,
                 const QString& detail) {
    p.save();
    p.setPen(QPen(QColor(255, 200, 120), 1));
    p.setBrush(QColor(255, 246, 230));
    p.drawRoundedRect(band, 10, 10);
    const double width = band.right() - text_left - 6;
    draw_fitted_text(p, QRectF(text_left, band.top() + 7, width, 30), title, QColor(120, 64, 0), 17,
                     true, Qt::AlignLeft | Qt::AlignVCenter);
    draw_fitted_text(p, QRectF(text_left, band.top() + 37, width, 23), detail, QColor(150, 100, 40),
                     13, false, Qt::AlignLeft | Qt::AlignVCenter);
    p.restore();
}

}  // namespace orvalin::pictures
