#include "tools/pictures/window_painter.h"

#include <QFontMetricsF>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>
#include <utility>
#include <vector>

#include "common/version.h"
#include "tools/pictures/captions.h"
#include "tools/pictures/drawing.h"
#include "tools/pictures/style.h"

namespace orvalin::pictures {
namespace {

// Where the window's controls lie; the background draws the cards behind them.
const QRectF kInfoCard(392, 48, 554, 150);
const QRectF kMainCard(392, 206, 554, 484);

void card(QPainter& p, const QRectF& r, const QColor& fill) {
    p.save();
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(12, 50, 80, 70));
    p.drawRoundedRect(r.translated(0, 3), 12, 12);
    p.setBrush(fill);
    p.setPen(QPen(QColor(255, 255, 255, 180), 1));
    p.drawRoundedRect(r, 12, 12);
    p.restore();
}

}  // namespace

QImage window_background() {
    using namespace colour;
    QImage img = canvas(1016, 729, kWindow);
    QPainter p(&img);
    prepare(p);
    // Soft light to the right of the remote; the strip under the key panel stays the
    // window colour so the panel's own picture meets it without an edge.
    QRadialGradient glow(QPointF(700, 120), 520);
    glow.setColorAt(0, QColor(255, 255, 255, 34));
    glow.setColorAt(1, QColor(255, 255, 255, 0));
    p.fillRect(QRectF(250, 0, 766, 729), glow);

    draw_fitted_text(p, QRectF(262, 6, 440, 30), caption("QXT-508KP2 学习型遥控器 · 自学习软件"),
                     Qt::white, 18, true, Qt::AlignLeft | Qt::AlignVCenter);

    card(p, kInfoCard, kCard);
    // Logo tile and product line on the left of the information card.
    const QRectF tile(412, 76, 70, 94);
    QLinearGradient tg(tile.topLeft(), tile.bottomRight());
    tg.setColorAt(0, QColor(72, 156, 206));
    tg.setColorAt(1, QColor(32, 96, 146));
    p.setPen(Qt::NoPen);
    p.setBrush(tg);
    p.drawRoundedRect(tile, 14, 14);
    paint_mini_remote(p, QRectF(tile.center().x() - 15, tile.top() + 10, 30, 74), kPickedBottom);
    draw_fitted_text(p, QRectF(496, 80, 170, 30), QStringLiteral("Orvalin"), kInk, 26, true,
                     Qt::AlignLeft | Qt::AlignVCenter);
    draw_fitted_text(p, QRectF(496, 114, 170, 20), caption("学习型遥控器编程软件"), kInkSoft, 14,
                     false, Qt::AlignLeft | Qt::AlignVCenter);
    draw_fitted_text(p, QRectF(496, 140, 170, 18), caption("电视 · 机顶盒 · 影碟机"), kInkSoft, 12,
                     false, Qt::AlignLeft | Qt::AlignVCenter);
    p.setPen(QPen(kCardLine, 1));
    p.drawLine(QPointF(670.5, 64), QPointF(670.5, 182));
    const std::vector<std::pair<QRectF, QString>> captions = {
        {QRectF(676, 64, 84, 20), caption("遥控器型号：")},
        {QRectF(676, 99, 84, 20), caption("软件版本：")},
        {QRectF(676, 132, 84, 20), caption("固件版本：")},
    };
    for (const auto& [box, text] : captions)
        draw_fitted_text(p, box, text, kInkSoft, 13, false, Qt::AlignRight | Qt::AlignVCenter);
    p.setPen(QPen(kCardLine, 1));
    for (double y : {92.5, 126.5}) p.drawLine(QPointF(684, y), QPointF(926, y));

    card(p, kMainCard, kCard);
    p.setPen(QPen(kCardLine, 1));
    p.drawLine(QPointF(412, 268.5), QPointF(926, 268.5));
    p.drawLine(QPointF(412, 604.5), QPointF(926, 604.5));

    draw_fitted_text(p, QRectF(392, 700, 554, 20), caption("Orvalin · USB 学习型遥控器 QXT-508KP2"),
                     QColor(220, 236, 246), 11, false, Qt::AlignRight | Qt::AlignVCenter);
    return img;
}

QImage instruction_panel(Panel panel) {
    using namespace colour;
    QString title;
    QColor accent;
    std::vector<QString> steps;
    switch (panel) {
        case Panel::NoKeys:
            title = caption("还没有自学习过的按键");
            accent = kWindow;
            steps = {caption("点击上方按钮选择设备：电视、机顶盒或影碟机"),
                     caption("点击下方「开始学习」按钮"),
                     caption("在左面遥控器图上点击要学习的按键"),
                     caption("将原遥控器对准学习遥控器，按下对应的按键")};
            break;
        case Panel::HasKeys:
            title = caption("已有自学习过的按键（绿色显示）");
            accent = kGreen;
            steps = {caption("继续学习：点击「开始学习」，再点击左面的按键"),
                     caption("删除一个：点击「删除按键」，再点击绿色按键"),
                     caption("全部清空：点击「清空按键」，清除当前设备的按键"),
                     caption("蓝色按键为出厂预置编码，可直接重新学习")};
            break;
        case Panel::Learning:
            title = caption("正在自学习");
            accent = kAmber;
            steps = {caption("在左面遥控器图上点击待学习的按键（橙色）"),
                     caption("将原遥控器对准学习遥控器，按下对应的按键"),
                     caption("收到编码后按键变为绿色，可继续学习下一个"),
                     caption("学完后点击「停止学习」，确认后写入遥控器")};
            break;
        case Panel::Deleting:
            title = caption("删除单个自学习按键");
            accent = kRed;
            steps = {caption("在左面遥控器图上点击要删除的绿色按键"),
                     caption("确认后该按键恢复为未学习状态"),
                     caption("可以继续点击其他要删除的按键"),
                     caption("删除完毕，点击「停止删除」按钮保存")};
            break;
    }
    QImage img = canvas(409, 167, kCard);
    QPainter p(&img);
    prepare(p);
    const QRectF box(1.5, 1.5, 406, 164);
    p.setPen(QPen(kCardLine, 1));
    p.setBrush(Qt::white);
    p.drawRoundedRect(box, 10, 10);
    // Accent bar on the left edge.
    QPainterPath clip;
    clip.addRoundedRect(box, 10, 10);
    p.save();
    p.setClipPath(clip);
    p.fillRect(QRectF(box.left(), box.top(), 6, box.height()), accent);
    p.restore();

    draw_fitted_text(p, QRectF(20, 9, 380, 26), title, mix(accent, kInk, 0.35), 16, true,
                     Qt::AlignLeft | Qt::AlignVCenter);
    p.setPen(QPen(kCardLine, 1));
    p.drawLine(QPointF(20, 38.5), QPointF(394, 38.5));
    for (size_t i = 0; i < steps.size(); ++i) {
        const double y = 46 + double(i) * 29;
        const QRectF badge(20, y + 4, 19, 19);
        p.setPen(Qt::NoPen);
        p.setBrush(accent);
        p.drawEllipse(badge);
        draw_fitted_text(p, badge, QString::number(i + 1), Qt::white, 12, true);
        draw_fitted_text(p, QRectF(48, y, 350, 27), steps[i], kInk, 13.5, false,
                         Qt::AlignLeft | Qt::AlignVCenter);
    }
    return img;
}

QImage splash_picture() {
    using namespace colour;
    QImage img = canvas(462, 258, kWindow);
    QPainter p(&img);
    prepare(p);
    QLinearGradient g(0, 0, 462, 258);
    g.setColorAt(0, QColor(28, 84, 126));
    g.setColorAt(1, QColor(64, 148, 196));
    p.fillRect(img.rect(), g);
    QRadialGradient glow(QPointF(370, 120), 180);
    glow.setColorAt(0, QColor(255, 255, 255, 50));
    glow.setColorAt(1, QColor(255, 255, 255, 0));
    p.fillRect(img.rect(), glow);
    // Infrared waves from the remote.
    p.setBrush(Qt::NoBrush);
    for (int i = 0; i < 3; ++i) {
        p.setPen(QPen(QColor(255, 255, 255, 120 - i * 30), 2.5, Qt::SolidLine, Qt::RoundCap));
        const double r = 16 + i * 12;
        p.drawArc(QRectF(385 - r, 40 - r, 2 * r, 2 * r), 20 * 16, 140 * 16);
    }
    p.save();
    p.translate(385, 128);
    p.rotate(12);
    paint_mini_remote(p, QRectF(-30, -78, 60, 176), kPickedBottom);
    p.restore();

    draw_fitted_text(p, QRectF(30, 46, 300, 44), QStringLiteral("QXT-508KP2"), Qt::white, 38, true,
                     Qt::AlignLeft | Qt::AlignVCenter);
    draw_fitted_text(p, QRectF(32, 94, 300, 28), caption("学习型遥控器 自学习软件"), Qt::white, 21,
                     true, Qt::AlignLeft | Qt::AlignVCenter);
    draw_fitted_text(p, QRectF(32, 126, 300, 22), caption("电视 · 机顶盒 · 影碟机 一键学习"),
                     QColor(214, 234, 248), 14, false, Qt::AlignLeft | Qt::AlignVCenter);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(255, 255, 255, 40));
    p.drawRoundedRect(QRectF(32, 160, 64, 22), 11, 11);
    draw_fitted_text(p, QRectF(32, 160, 64, 22), QString::fromLatin1(orvalin::kVersionLabel),
                     Qt::white, 13, true);
    draw_fitted_text(p, QRectF(32, 214, 300, 18), caption("正在检测遥控器，请稍候…"),
                     QColor(214, 234, 248), 12, false, Qt::AlignLeft | Qt::AlignVCenter);
    draw_fitted_text(p, QRectF(32, 232, 300, 16), QStringLiteral("Orvalin"), QColor(170, 208, 232),
                     11, true, Qt::AlignLeft | Qt::AlignVCenter);
    return img;
}

QImage mode_button(Mode mode, bool active) {
    using namespace colour;
    const int w = mode == Mode::Cbl ? 129 : 121;
    const QString label = mode == Mode::Tv    ? caption("电视 TV")
                          : mode == Mode::Cbl ? caption("机顶盒 CBL")
                                              : caption("影碟机 DVD");
    QImage img = active ? pill_button(w, 41, kCard, QColor(66, 150, 204), QColor(32, 98, 150),
                                      Qt::white, label, Icon::None, 9, 15)
                        : pill_button(w, 41, kCard, Qt::white, QColor(222, 232, 240), kInk, label,
                                      Icon::None, 9, 15);
    if (active) {
        // Lit indicator: the active device mode.
        QPainter p(&img);
        prepare(p);
        draw_led(p, QPointF(12, 19.5), 5);
    }
    return img;
}

QImage learn_button(bool learning) {
    using namespace colour;
    return learning ? pill_button(161, 50, kCard, QColor(240, 96, 80), QColor(196, 46, 34),
                                  Qt::white, caption("停止学习"), Icon::Stop, 12, 18)
                    : pill_button(161, 50, kCard, QColor(86, 200, 124), kGreen, Qt::white,
                                  caption("开始学习"), Icon::Play, 12, 18);
}

QImage delete_button(bool greyed, bool stop) {
    using namespace colour;
    if (greyed)
        return pill_button(152, 49, kCard, QColor(226, 230, 234), kGreyButton,
                           QColor(248, 250, 252), caption("删除按键"), Icon::Trash, 12, 17);
    if (stop)
        return pill_button(152, 49, kCard, QColor(196, 64, 54), QColor(150, 30, 24), Qt::white,
                           caption("停止删除"), Icon::Stop, 12, 17);
    return pill_button(152, 49, kCard, QColor(255, 140, 100), QColor(226, 84, 56), Qt::white,
                       caption("删除按键"), Icon::Trash, 12, 17);
}

QImage clear_button(bool greyed) {
    using namespace colour;
    if (greyed)
        return pill_button(150, 49, kCard, QColor(226, 230, 234), kGreyButton,
                           QColor(248, 250, 252), caption("清空按键"), Icon::Broom, 12, 17);
    return pill_button(150, 49, kCard, QColor(86, 160, 220), QColor(40, 104, 170), Qt::white,
                       caption("清空按键"), Icon::Broom, 12, 17);
}

QImage help_button() {
    return pill_button(95, 28, colour::kWindow, QColor(255, 255, 255, 60),
                       QColor(255, 255, 255, 30), Qt::white, caption("帮助"), Icon::Help, 8, 13);
}

QImage update_button() {
    return pill_button(97, 30, colour::kWindow, QColor(255, 255, 255, 60),
                       QColor(255, 255, 255, 30), Qt::white, caption("升级软件"), Icon::Update, 8,
                       13);
}

QImage close_button() {
    return pill_button(38, 27, colour::kWindow, QColor(238, 90, 74), QColor(200, 52, 40), Qt::white,
                       QString(), Icon::Close, 7, 12);
}

QImage hint_brand() {
    using namespace colour;
    QImage img = canvas(409, 72, kCard);
    QPainter p(&img);
    prepare(p);
    const QRectF band(1, 1, 407, 70);
    QLinearGradient g(band.topLeft(), band.topRight());
    g.setColorAt(0, QColor(36, 98, 146));
    g.setColorAt(1, QColor(72, 156, 206));
    p.setPen(Qt::NoPen);
    p.setBrush(g);
    p.drawRoundedRect(band, 10, 10);
    p.save();
    p.translate(40, 36);
    p.rotate(-14);
    paint_mini_remote(p, QRectF(-10, -28, 20, 58), kPickedBottom);
    p.restore();
    draw_fitted_text(p, QRectF(70, 8, 320, 30), caption("QXT-508KP2 学习型遥控器"), Qt::white, 20,
                     true, Qt::AlignLeft | Qt::AlignVCenter);
    draw_fitted_text(p, QRectF(70, 38, 320, 24), caption("一个遥控器，学会电视、机顶盒和影碟机"),
                     QColor(220, 238, 250), 13.5, false, Qt::AlignLeft | Qt::AlignVCenter);
    return img;
}

QImage hint_waiting() {
    using namespace colour;
    QImage img = canvas(409, 72, kCard);
    QPainter p(&img);
    prepare(p);
    draw_notice(p, QRectF(1, 1, 407, 70), 76, caption("请在左面遥控器上点击待学习的按键"),
                caption("选中的按键显示为橙色，随后等待原遥控器发码"));
    // An arrow pointing at the remote on the left.
    QPainterPath arrow;
    arrow.moveTo(16, 36);
    arrow.lineTo(38, 16);
    arrow.lineTo(38, 27);
    arrow.lineTo(62, 27);
    arrow.lineTo(62, 45);
    arrow.lineTo(38, 45);
    arrow.lineTo(38, 56);
    arrow.closeSubpath();
    p.setPen(Qt::NoPen);
    p.setBrush(kAmber);
    p.drawPath(arrow);
    return img;
}

QImage update_banner() {
    using namespace colour;
    QImage img = canvas(140, 300, kWindow);
    QPainter p(&img);
    prepare(p);
    QLinearGradient g(0, 0, 0, 300);
    g.setColorAt(0, QColor(40, 104, 152));
    g.setColorAt(1, QColor(72, 156, 206));
    p.fillRect(img.rect(), g);
    // Cloud with an arrow: the update server.
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(255, 255, 255, 230));
    p.drawEllipse(QRectF(30, 70, 44, 36));
    p.drawEllipse(QRectF(56, 58, 52, 48));
    p.drawRoundedRect(QRectF(26, 86, 88, 26), 13, 13);
    QPainterPath arrow;
    arrow.moveTo(70, 80);
    arrow.lineTo(84, 94);
    arrow.lineTo(76, 94);
    arrow.lineTo(76, 108);
    arrow.lineTo(64, 108);
    arrow.lineTo(64, 94);
    arrow.lineTo(56, 94);
    arrow.closeSubpath();
    p.setBrush(QColor(46, 170, 92));
    p.drawPath(arrow);
    draw_fitted_text(p, QRectF(0, 140, 140, 30), caption("在线升级"), Qt::white, 22, true);
    draw_fitted_text(p, QRectF(8, 176, 124, 40), caption("从升级服务器获取\n最新的软件文件"),
                     QColor(214, 234, 248), 12, false);
    paint_mini_remote(p, QRectF(56, 226, 28, 66), kPickedBottom);
    return img;
}

QImage update_result(bool success) {
    QImage img = canvas(64, 64);
    QPainter p(&img);
    prepare(p);
    const QColor c = success ? colour::kGreen : colour::kRed;
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0, 0, 0, 40));
    p.drawEllipse(QRectF(4, 6, 56, 56));
    QRadialGradient g(QPointF(26, 22), 40);
    g.setColorAt(0, mix(c, Qt::white, 0.3));
    g.setColorAt(1, c);
    p.setBrush(g);
    p.drawEllipse(QRectF(4, 3, 56, 56));
    if (success)
        draw_tick(p, QRectF(17, 17, 30, 28), Qt::white, 6);
    else
        draw_cross(p, QRectF(21, 18, 22, 22), Qt::white, 6);
    return img;
}

}  // namespace orvalin::pictures
