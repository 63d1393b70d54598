// What the window shows of the session's state: the status line (runstate_lab),
// the hint picture and the learning animation in its place, and the four
// instruction panels of which at most one is visible.
#pragma once

#include <QImage>
#include <QString>

class QLabel;
class QMovie;
class QWidget;

namespace orvalin::app {

class LearningView {
  public:
    enum class Panel { learned_keys, learning, deleting, no_learned_keys, none };

    explicit LearningView(QWidget* window);

    void set_status(const QString& text, bool repaint_now = false);
    void show_panel(Panel panel);
    // The resting panel: learned keys exist (Image4) or not (Image8).
    void show_resting(bool learned_keys);

    // The hint picture's content, shown or left as it is.
    void set_hint(const QImage& picture);
    void show_hint(const QImage& picture);
    // The animation in the hint's place while a code is awaited.
    void start_animation();
    void stop_animation();
    QMovie* animation() const { return animation_; }

  private:
    QLabel* runstate_lab = nullptr;
    QLabel* Imagehint = nullptr;
    QLabel* donghuaflash2 = nullptr;
    QMovie* animation_ = nullptr;
    QLabel *Image4 = nullptr, *Image5 = nullptr, *Image7 = nullptr, *Image8 = nullptr;
};

}  // namespace orvalin::app
