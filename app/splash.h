// The splash window shown while the main window checks the remote.
#pragma once

#include <QLabel>

namespace orvalin::app {

class TForm1 : public QLabel {
    Q_OBJECT

  public:
    explicit TForm1(QWidget* parent = nullptr);
};

}  // namespace orvalin::app
