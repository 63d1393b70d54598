// A picture that reports a left click (the success picture closes the window).
#pragma once

#include <QLabel>
#include <QMouseEvent>

namespace orvalin::update {

class ClickablePicture : public QLabel {
    Q_OBJECT
  public:
    using QLabel::QLabel;

  signals:
    void clicked();

  protected:
    void mouseReleaseEvent(QMouseEvent* event) override {
        if (event->button() == Qt::LeftButton && rect().contains(event->position().toPoint()))
            emit clicked();
        QLabel::mouseReleaseEvent(event);
    }
};

}  // namespace orvalin::update
