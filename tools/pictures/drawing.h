// Small painting helpers: fitted text, vector icons, rounded buttons.
#pragma once

#include <QColor>
#include <QImage>
#include <QPainter>
#include <QRectF>
#include <QString>

namespace orvalin::pictures {

// A transparent or filled ARGB canvas with antialiasing on.
QImage canvas(int w, int h, const QColor& fill = Qt::transparent);
void prepare(QPainter& p);

// Largest font (up to max_px) at which text fits inside box; never below min_px.
QFont fitted_font(const QString& text, const QRectF& box, double max_px, bool bold,
                  double min_px = 6.0);
void draw_fitted_text(QPainter& p, const QRectF& box, const QString& text, const QColor& colour,
                      double max_px, bool bold, int flags = Qt::AlignCenter);

// Media and arrow symbols drawn as shapes, crisp at any size. Returns false when the
// text is not one of them.
bool draw_symbol(QPainter& p, const QRectF& box, const QString& text, const QColor& colour);
// True when the font has a glyph for every character of text.
bool font_has_glyphs(const QFont& font, const QString& text);

void draw_tick(QPainter& p, const QRectF& box, const QColor& colour, double width);
void draw_cross(QPainter& p, const QRectF& box, const QColor& colour, double width);

enum class Icon { None, Play, Stop, Trash, Broom, Help, Update, Close };
void draw_icon(QPainter& p, Icon icon, const QRectF& box, const QColor& colour);

// A rounded push button with an optional icon and a caption, filling the canvas.
QImage pill_button(int w, int h, const QColor& background, const QColor& top, const QColor& bottom,
                   const QColor& text_colour, const QString& caption, Icon icon, double radius,
                   double font_px);

// A lit green indicator lamp.
void draw_led(QPainter& p, const QPointF& centre, double radius);

// The amber notice of the hint area (learning waits for the user): a rounded band with a
// title and a line of detail, text starting at text_left.
void draw_notice(QPainter& p, const QRectF& band, double text_left, const QString& title,
                 const QString& detail);

// A small stylised remote, for logos and animations.
void paint_mini_remote(QPainter& p, const QRectF& r, const QColor& accent);

QColor mix(const QColor& a, const QColor& b, double t);

}  // namespace orvalin::pictures
