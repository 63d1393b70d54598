#include "app/ibtn.h"

#include <QMouseEvent>
#include <algorithm>

#include "app/shell_open.h"

namespace orvalin::app {

IBtn::IBtn(QWidget* parent) : QLabel(parent) {
    resize(80, 25);
    setScaledContents(true);
    // A picture control: no focus, no keyboard.
    setFocusPolicy(Qt::NoFocus);
}

void IBtn::setMoveDown(int pixels) {
    move_down_ = std::clamp(pixels, 0, 255);
}
void IBtn::setMoveRight(int pixels) {
    move_right_ = std::clamp(pixels, 0, 255);
}

void IBtn::setIsEnable(bool value) {
    if (value && has_saved_) setPixmap(saved_);
    if (!value) {
        saved_ = pixmap();
        has_saved_ = true;
        setPixmap(disable_pic_);
    }
    is_enable_ = value;
}

void IBtn::setPicture(const QPixmap& picture) {
    setPixmap(picture);
}

void IBtn::setPicture(const QImage& picture) {
    setPixmap(QPixmap::fromImage(picture));
}

void IBtn::mousePressEvent(QMouseEvent* event) {
    QLabel::mousePressEvent(event);
    event->accept();  // keep the release for this button (and away from window dragging)
    if (!held_) {
        move(x() + move_right_, y() + move_down_);
        held_ = true;
    }
    // On Linux there is no ".exe" rule: the current folder is never changed.
    if (opens_path_ && !path_.isEmpty()) open_document(path_);
}

void IBtn::mouseReleaseEvent(QMouseEvent* event) {
    QLabel::mouseReleaseEvent(event);
    event->accept();
    // The click comes first, while the button is still pressed in; then it moves back.
    if (event->button() == Qt::LeftButton && rect().contains(event->position().toPoint()))
        emit clicked(this);
    if (held_) {
        move(x() - move_right_, y() - move_down_);
        held_ = false;
    }
}

}  // namespace orvalin::app
