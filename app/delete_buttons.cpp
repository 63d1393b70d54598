#include "app/delete_buttons.h"

#include "app/ibtn.h"
#include "app/window_pictures.h"
#include "app/window_widgets.h"

namespace orvalin::app {

DeleteButtons::DeleteButtons(QWidget* window, const ToolPictures& pictures)
    : pictures_(pictures),
      delstudykey(tool_button(window, "delstudykey", {593, 624, 152, 49}, nullptr, nullptr)),
      delallstudykey(tool_button(window, "delallstudykey", {779, 624, 150, 49}, nullptr, nullptr)) {
}

void DeleteButtons::show_for(bool learned_keys) {
    delstudykey->setPicture(learned_keys ? pictures_.delete_pic : pictures_.deletehui);
    delstudykey->setEnabled(learned_keys);
    delallstudykey->setPicture(learned_keys ? pictures_.clear_pic : pictures_.clearhui);
    delallstudykey->setEnabled(learned_keys);
}

void DeleteButtons::show_stop() {
    delstudykey->setPicture(pictures_.stopdelete);
    delstudykey->setEnabled(true);
}

void DeleteButtons::show_delete() {
    delstudykey->setPicture(pictures_.delete_pic);
}

void DeleteButtons::grey_clear() {
    delallstudykey->setPicture(pictures_.clearhui);
    delallstudykey->setEnabled(false);
}

void DeleteButtons::set_enabled(bool enabled) {
    delstudykey->setEnabled(enabled);
    delallstudykey->setEnabled(enabled);
}

}  // namespace orvalin::app
