#include "app/key_code_dialog.h"

#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>
#include <QPainter>
#include <QScrollArea>
#include <QVBoxLayout>
#include <cstdlib>

namespace orvalin::app {
namespace {

QString durations_text(const std::vector<int>& durations) {
    QStringList parts;
    for (const int d : durations) parts << QString::number(d);
    return parts.join(QLatin1Char(' '));
}

}  // namespace

PressPictureView::PressPictureView(ircode::PressPicture picture, QWidget* parent)
    : QWidget(parent), picture_(std::move(picture)) {
    setFixedSize(static_cast<int>(picture_.width), static_cast<int>(picture_.height));
    setAutoFillBackground(true);
    QPalette p = palette();
    p.setColor(QPalette::Window, Qt::white);
    setPalette(p);
}

void PressPictureView::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    for (const ircode::PictureRect& r : picture_.marks)
        painter.fillRect(QRectF(r.x, r.y, r.width, r.height), QColor(0x2a, 0x6f, 0xdb));
    painter.setPen(Qt::black);
    for (const ircode::PictureLine& l : picture_.lines)
        painter.drawLine(QPointF(l.x1, l.y1), QPointF(l.x2, l.y2));
    for (const ircode::PictureText& t : picture_.texts)
        painter.drawText(QPointF(t.x, t.y), QString::fromStdString(t.text));
}

KeyCodeDialog::KeyCodeDialog(const QString& key_name, const learning::KeyCode& code,
                             const std::optional<std::vector<int>>& capture_us, QWidget* parent)
    : QDialog(parent) {
    setWindowTitle(tr("%1键的编码").arg(key_name));
    auto* form = new QFormLayout;
    type_ = new QLabel(code.generic() ? tr("通用编码") : QString::fromStdString(code.type_name));
    form->addRow(tr("编码类型："), type_);
    QString parameters;
    if (code.generic()) {
        parameters = QString::fromStdString(code.shape);
        QStringList symbols;
        for (std::size_t k = 0; k < code.replayed.symbols_us.size(); ++k)
            symbols << QStringLiteral("%1 = %2")
                           .arg(QChar(static_cast<char16_t>(u'u' + k)))
                           .arg(durations_text(code.replayed.symbols_us[k]));
        if (!symbols.empty()) parameters += QLatin1Char('\n') + symbols.join(QLatin1Char('\n'));
    } else if (code.parameters.empty()) {
        parameters = tr("（此编码类型没有参数）");
    } else {
        parameters = QString::fromStdString(ircode::parameters_text(code.parameters));
    }
    parameters_ = new QLabel(parameters);
    form->addRow(code.generic() ? tr("信号形式：") : tr("参数："), parameters_);
    carrier_ = new QLabel(code.replayed.carrier_hz > 0
                              ? tr("%1 kHz").arg(code.replayed.carrier_hz / 1000.0, 0, 'f', 1)
                              : tr("无载波"));
    form->addRow(tr("载波："), carrier_);
    QStringList frames;
    for (std::size_t f = 0; f < code.replayed.frames.size(); ++f) {
        const ircode::ReplayedFrame& frame = code.replayed.frames[f];
        QString line = (frame.repeat ? tr("重复帧 %1：%2 个时长") : tr("帧 %1：%2 个时长"))
                           .arg(f + 1)
                           .arg(frame.durations_us.size());
        if (frame.gap_after_us > 0)
            line += tr("，之后静默 %1 毫秒").arg(frame.gap_after_us / 1000.0, 0, 'f', 1);
        frames << line;
    }
    frames_ = new QLabel(frames.join(QLatin1Char('\n')));
    form->addRow(tr("帧："), frames_);

    std::vector<ircode::PictureRow> rows{
        {tr("重放").toStdString(), ircode::flatten(code.replayed)}};
    if (capture_us) rows.push_back({tr("采样").toStdString(), *capture_us});
    view_ = new PressPictureView(ircode::layout_press(rows));
    auto* scroll = new QScrollArea;
    scroll->setWidget(view_);
    scroll->setMinimumHeight(view_->height() + 24);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addWidget(scroll);
    layout->addWidget(buttons);
}

}  // namespace orvalin::app
