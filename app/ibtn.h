// Image button ("unit ibtn1"): a picture that receives mouse events, moves by
// MoveDown/MoveRight while held, shows DisablePic while IsEnable is false and
// asks the shell to open its Path when pressed.
#pragma once

#include <QLabel>
#include <QPixmap>
#include <QString>

namespace orvalin::app {

class IBtn : public QLabel {
    Q_OBJECT
    Q_PROPERTY(int MoveDown READ MoveDown WRITE setMoveDown)
    Q_PROPERTY(int MoveRight READ MoveRight WRITE setMoveRight)
    Q_PROPERTY(QString Path READ Path WRITE setPath)
    Q_PROPERTY(bool IsEnable READ IsEnable WRITE setIsEnable)
    Q_PROPERTY(QPixmap DisablePic READ DisablePic WRITE setDisablePic)
    Q_PROPERTY(QString Code READ Code WRITE setCode)

  public:
    explicit IBtn(QWidget* parent = nullptr);

    int MoveDown() const { return move_down_; }
    void setMoveDown(int pixels);  // kept within 0..255
    int MoveRight() const { return move_right_; }
    void setMoveRight(int pixels);  // kept within 0..255

    QString Path() const { return path_; }
    void setPath(const QString& path) { path_ = path; }
    // False: a press opens nothing, the Path is only a name (the key buttons, whose
    // names would open whatever file the current folder holds under that name).
    void setOpensPath(bool on) { opens_path_ = on; }

    bool IsEnable() const { return is_enable_; }
    // No comparison with the old value: setting false twice saves DisablePic as
    // the normal picture. Callers set false only when true and true only when false.
    void setIsEnable(bool value);

    QPixmap DisablePic() const { return disable_pic_; }
    void setDisablePic(const QPixmap& picture) { disable_pic_ = picture; }

    QString Code() const { return code_; }
    void setCode(const QString& code) { code_ = code; }

    // The displayed picture.
    QPixmap picture() const { return pixmap(); }
    void setPicture(const QPixmap& picture);
    void setPicture(const QImage& picture);
    // The normal picture kept while IsEnable is false.
    QPixmap saved_picture() const { return saved_; }

  signals:
    void clicked(orvalin::app::IBtn* button);

  protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

  private:
    int move_down_ = 1;
    int move_right_ = 1;
    QString path_;
    bool opens_path_ = true;
    bool is_enable_ = true;
    QPixmap disable_pic_;
    QString code_;
    QPixmap saved_;
    bool has_saved_ = false;  // a normal picture has been saved at least once
    bool held_ = false;       // moved by the press, not yet moved back
};

}  // namespace orvalin::app
