// The dialog that shows what a learned key sends: its code type and the
// protocol's parameters (or, for a generic code, its shape and symbols), the
// carrier, the frames, and a picture of one press drawn from the shared
// press geometry, with the capture under the replay where there is one.
#pragma once

#include <QDialog>
#include <QWidget>
#include <optional>
#include <vector>

#include "ircode/press_picture.h"
#include "learning/key_code.h"

class QLabel;

namespace orvalin::app {

// Paints a press picture as laid out by ircode::layout_press.
class PressPictureView : public QWidget {
    Q_OBJECT

  public:
    explicit PressPictureView(ircode::PressPicture picture, QWidget* parent = nullptr);
    const ircode::PressPicture& picture() const { return picture_; }

  protected:
    void paintEvent(QPaintEvent* event) override;

  private:
    ircode::PressPicture picture_;
};

class KeyCodeDialog : public QDialog {
    Q_OBJECT

  public:
    // capture_us: the capture the key was learned from in this session, if any.
    KeyCodeDialog(const QString& key_name, const learning::KeyCode& code,
                  const std::optional<std::vector<int>>& capture_us, QWidget* parent = nullptr);

    QLabel* type_label() const { return type_; }
    QLabel* parameters_label() const { return parameters_; }
    QLabel* carrier_label() const { return carrier_; }
    QLabel* frames_label() const { return frames_; }
    PressPictureView* picture_view() const { return view_; }

  private:
    QLabel* type_ = nullptr;
    QLabel* parameters_ = nullptr;
    QLabel* carrier_ = nullptr;
    QLabel* frames_ = nullptr;
    PressPictureView* view_ = nullptr;
};

}  // namespace orvalin::app
