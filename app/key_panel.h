// The key panel: the picture of the remote (ykqbox) with a button on every key,
// the three mode buttons and the CBL note, and the key pictures they show.
#pragma once

#include <QString>
#include <vector>

#include "app/window_pictures.h"

class QLabel;
class QPalette;
class QScrollArea;
class QWidget;

namespace orvalin::learning {
class Session;
}

namespace orvalin::app {

class IBtn;

class KeyPanel {
  public:
    // Builds the panel's components on window (connections are the window's).
    KeyPanel(QWidget* window, const QPalette& palette);

    // The 45 key buttons in key table order; the button of a key code or none.
    const std::vector<IBtn*>& key_buttons() const { return keys_; }
    IBtn* key_button(int key_code) const;
    // TV_IBTN, CBL_IBTN, DVD_IBTN.
    std::vector<IBtn*> mode_buttons() const { return {TV_IBTN, CBL_IBTN, DVD_IBTN}; }

    // The active look on the mode's button and mode key, the CBL note with CBL.
    void show_mode(int mode);
    // Every key's picture as the session's key states say (refresh_key_pictures).
    void refresh(const learning::Session& session);
    // One key's normal picture / its picture while it is learned.
    void show_normal(IBtn* key) const;
    void show_picked(IBtn* key) const;
    // The learned keys' flag back on before the panel is redrawn.
    void release_learned_looks() const;
    // Hidden while the remote is missing.
    void set_visible(bool visible);

    KeyPictures& pictures() { return pictures_; }
    const KeyPictures& pictures() const { return pictures_; }

  private:
    QScrollArea* ykqbox_ = nullptr;
    std::vector<IBtn*> keys_;
    IBtn *TV_IBTN = nullptr, *CBL_IBTN = nullptr, *DVD_IBTN = nullptr;
    QLabel* Lab_stb = nullptr;  // the CBL note
    KeyPictures pictures_;
};

// Key code of a key button (its Code read as hex), -1 for none.
int key_code_of(const IBtn* key);
// The name messages give a key: as its picture shows it.
QString key_name_of(const IBtn* key);
bool is_mode_key(int key_code);
// "TV", "CBL" or "DVD".
QString mode_name(int mode);

}  // namespace orvalin::app
