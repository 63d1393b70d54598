#include "app/learning_view.h"

#include <QFont>
#include <QLabel>
#include <QMovie>

#include "app/window_widgets.h"

namespace orvalin::app {

LearningView::LearningView(QWidget* window) {
    runstate_lab = text_label(window, "runstate_lab", {432, 276, 409, 19});
    runstate_lab->setAlignment(Qt::AlignCenter);
    QFont status_font(QStringLiteral("新宋体"));
    status_font.setPixelSize(16);
    runstate_lab->setFont(status_font);
    runstate_lab->setStyleSheet(QStringLiteral("color: red; background: transparent;"));

    Imagehint = picture_label(window, "Imagehint", {439, 341, 409, 72});
    donghuaflash2 = picture_label(window, "donghuaflash2", {437, 338, 413, 72});
    animation_ = new QMovie(window);
    donghuaflash2->setMovie(animation_);
    donghuaflash2->hide();

    // The four instruction panels in one place.
    Image4 = picture_label(window, "Image4", {439, 412, 409, 167});  // resting, learned keys
    Image5 = picture_label(window, "Image5", {439, 412, 409, 167});  // learning is on
    Image7 = picture_label(window, "Image7", {439, 412, 409, 167});  // the delete state is on
    Image8 = picture_label(window, "Image8", {439, 412, 409, 167});  // resting, no learned key
    Image4->setPixmap(window_picture("Image4"));
    Image5->setPixmap(window_picture("Image5"));
    Image7->setPixmap(window_picture("Image7"));
    Image8->setPixmap(window_picture("Image8"));
    show_panel(Panel::none);
}

void LearningView::set_status(const QString& text, bool repaint_now) {
    runstate_lab->setText(text);
    if (repaint_now) runstate_lab->repaint();
}

void LearningView::show_panel(Panel panel) {
    Image4->setVisible(panel == Panel::learned_keys);
    Image5->setVisible(panel == Panel::learning);
    Image7->setVisible(panel == Panel::deleting);
    Image8->setVisible(panel == Panel::no_learned_keys);
}

void LearningView::show_resting(bool learned_keys) {
    show_panel(learned_keys ? Panel::learned_keys : Panel::no_learned_keys);
}

void LearningView::set_hint(const QImage& picture) {
    Imagehint->setPixmap(QPixmap::fromImage(picture));
}

void LearningView::show_hint(const QImage& picture) {
    set_hint(picture);
    Imagehint->show();
}

void LearningView::start_animation() {
    Imagehint->hide();
    donghuaflash2->setMovie(animation_);
    animation_->start();
    donghuaflash2->show();
}

void LearningView::stop_animation() {
    animation_->stop();
    donghuaflash2->hide();
}

}  // namespace orvalin::app
