// The deletion area's buttons: delete one key (delstudykey, a toggle showing
// "stopdelete" while the delete state is on) and clear all (delallstudykey).
#pragma once

class QWidget;

namespace orvalin::app {

class IBtn;
struct ToolPictures;

class DeleteButtons {
  public:
    // pictures: the window's, loaded when it is first shown.
    DeleteButtons(QWidget* window, const ToolPictures& pictures);

    IBtn* toggle_button() const { return delstudykey; }
    IBtn* clear_button() const { return delallstudykey; }

    // Enabled with "delete"/"clear" while learned keys exist, else greyed and off.
    void show_for(bool learned_keys);
    // The toggle as the stop of the delete state / as "delete" again.
    void show_stop();
    void show_delete();
    // Clear greyed and off while a deletion is still owed.
    void grey_clear();
    // Both on or off with their pictures unchanged (the link lost and back).
    void set_enabled(bool enabled);

  private:
    const ToolPictures& pictures_;
    IBtn* delstudykey = nullptr;
    IBtn* delallstudykey = nullptr;
};

}  // namespace orvalin::app
