#include "ircode/press_picture.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>

namespace orvalin::ircode {
namespace {

constexpr double kLeft = 70;  // room for the row labels
constexpr double kRight = 20;
constexpr double kTop = 10;
constexpr double kRowHeight = 50;
constexpr double kMarkHeight = 30;
constexpr double kAxisRoom = 30;
constexpr int kWantedTicks = 8;

// 1, 2 or 5 x 10^n microseconds, giving about kWantedTicks ticks over `length`.
long tick_step(long length_us) {
    const double raw = std::max(1.0, static_cast<double>(length_us) / kWantedTicks);
    const double decade = std::pow(10.0, std::floor(std::log10(raw)));
    for (const double f : {1.0, 2.0, 5.0, 10.0})
        if (f * decade >= raw) return static_cast<long>(f * decade);
    return static_cast<long>(10 * decade);
}

std::string tick_text(long us) {
    char buffer[32];
    if (us % 1000 == 0)
        std::snprintf(buffer, sizeof buffer, "%ld ms", us / 1000);
    else
        std::snprintf(buffer, sizeof buffer, "%.1f ms", static_cast<double>(us) / 1000.0);
    return buffer;
}

std::string escaped(const std::string& text) {
    std::string out;
    for (const char c : text) {
        switch (c) {
            case '&':
                out += "&amp;";
                break;
            case '<':
                out += "&lt;";
                break;
            case '>':
                out += "&gt;";
                break;
            case '"':
                out += "&quot;";
                break;
            default:
                out += c;
        }
    }
    return out;
}

std::string number(double v) {
    char buffer[32];
    std::snprintf(buffer, sizeof buffer, "%.2f", v);
    return buffer;
}

}  // namespace

PressPicture layout_press(const std::vector<PictureRow>& rows, double width) {
    PressPicture p;
    p.width = std::max(width, kLeft + kRight + 100);
    p.height = kTop + kRowHeight * static_cast<double>(rows.size()) + kAxisRoom;
    long longest = 1;
    for (const PictureRow& r : rows) {
        long length = 0;
        for (const int d : r.durations_us) length += std::labs(d);
        longest = std::max(longest, length);
    }
    const double scale = (p.width - kLeft - kRight) / static_cast<double>(longest);
    for (std::size_t row = 0; row < rows.size(); ++row) {
        const double base = kTop + kRowHeight * static_cast<double>(row + 1) - 10;
        p.texts.push_back({4, base, rows[row].label});
        p.lines.push_back({kLeft, base, p.width - kRight, base});
        long at = 0;
        for (const int d : rows[row].durations_us) {
            const long length = std::labs(d);
            if (d > 0) {
                // At least half a pixel, so that a short mark stays visible.
                p.marks.push_back({kLeft + static_cast<double>(at) * scale, base - kMarkHeight,
                                   std::max(0.5, static_cast<double>(length) * scale),
                                   kMarkHeight});
            }
            at += length;
        }
    }
    const double axis = kTop + kRowHeight * static_cast<double>(rows.size()) + 4;
    p.lines.push_back({kLeft, axis, p.width - kRight, axis});
    const long step = tick_step(longest);
    for (long t = 0; t <= longest; t += step) {
        const double x = kLeft + static_cast<double>(t) * scale;
        p.lines.push_back({x, axis, x, axis + 5});
        p.texts.push_back({x - 12, axis + 18, tick_text(t)});
    }
    return p;
}

std::string press_svg(const PressPicture& picture) {
    std::string out = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n";
    out += "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"" + number(picture.width) +
           "\" height=\"" + number(picture.height) + "\" viewBox=\"0 0 " + number(picture.width) +
           " " + number(picture.height) + "\">\n";
    out += "<rect width=\"100%\" height=\"100%\" fill=\"white\"/>\n";
    out += "<g fill=\"#2a6fdb\">\n";
    for (const PictureRect& r : picture.marks)
        out += "<rect x=\"" + number(r.x) + "\" y=\"" + number(r.y) + "\" width=\"" +
               number(r.width) + "\" height=\"" + number(r.height) + "\"/>\n";
    out += "</g>\n<g stroke=\"black\" stroke-width=\"1\">\n";
    for (const PictureLine& l : picture.lines)
        out += "<line x1=\"" + number(l.x1) + "\" y1=\"" + number(l.y1) + "\" x2=\"" +
               number(l.x2) + "\" y2=\"" + number(l.y2) + "\"/>\n";
    out += "</g>\n<g font-family=\"sans-serif\" font-size=\"11\" fill=\"black\">\n";
    for (const PictureText& t : picture.texts)
        out += "<text x=\"" + number(t.x) + "\" y=\"" + number(t.y) + "\">" + escaped(t.text) +
               "</text>\n";
    out += "</g>\n</svg>\n";
    return out;
}

}  // namespace orvalin::ircode
