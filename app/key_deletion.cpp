// Deleting learned keys: the delete-one-key state, the delete branch of the key
// click, and clearing all learned keys of the current device mode.
#include <QLabel>
#include <algorithm>

#include "app/ibtn.h"
#include "app/main_window.h"
#include "prompter/prompter.h"
#include "app/session_support.h"
#include "common/key_table.h"
#include "learning/code_table.h"

namespace orvalin::app {

namespace {

const QString kDeleteDone = QStringLiteral("删除操作完成！");
const QString kDeleteFailed =
    QStringLiteral("删除操作失败，已删除的按键编码还没有写入遥控器！请再点击停止删除按钮重试。");

bool is_learned(const std::string& line) {
    return line.size() >= 4 && (line[3] == '2' || line[3] == '3');
}

int hex2(const std::string& line) {
    bool ok = false;
    const int v = QString::fromStdString(line.substr(0, 2)).toInt(&ok, 16);
    return ok ? v : -1;
}

// A learned line whose table code lies in the mode.
bool learned_in_mode(const std::string& line, int mode) {
    const int c = hex2(line);
    return is_learned(line) && c >= kCodesPerMode * mode &&
           c < kCodesPerMode * mode + kCodesPerMode;
}

// Writes the single deletions pending in code_text. On failure the deletions stay
// pending (table_changed) and the user is told.
bool write_pending_deletions(Tmainorvalin& w) {
    w.set_status(QStringLiteral("正在完成删除操作，请稍候片刻！"), true);
    if (w.write_code_table(w.code_text)) {
        w.code_text_saved = w.code_text;
        w.table_changed = false;
        box(&w, kDeleteDone);
        w.set_status(kDeleteDone, true);
        return true;
    }
    w.set_status(QStringLiteral("删除操作失败！"), true);
    box(&w, kDeleteFailed);
    return false;
}

// Delete state on: instruction panel, status line, stop picture.
void show_delete_state(Tmainorvalin& w) {
    show_instruction_panel(w, w.Image7);
    w.set_status(QStringLiteral("请在左面遥控器上选择待删除的按键！"));
    if (w.delstudykey) {
        w.delstudykey->setPicture(w.stopdelete);
        w.delstudykey->setEnabled(true);
    }
}

}  // namespace

void Tmainorvalin::IBtn78Click() {
    note_remote_table(*this);
    if (study_state) {
        box(this, QStringLiteral("现在正在学习状态，要删除请先停止学习！"));
        return;
    }
    delete_state = !delete_state;
    if (delete_state) {
        show_delete_state(*this);
        return;
    }
    set_status(QString());
    if (delstudykey) delstudykey->setPicture(delete_pic);
    show_instruction_panel(*this, learning::has_learned_keys(key_lines) ? Image4 : Image8);
    if (table_changed && !write_pending_deletions(*this)) {
        // Stay in the delete state so that the deletions are not forgotten; the
        // next click of the button tries the write again.
        delete_state = true;
        show_delete_state(*this);
        set_status(QStringLiteral("删除操作失败！"), true);
    }
}

void Tmainorvalin::delete_key(IBtn* key) {
    note_remote_table(*this);
    if (!selected_keys.empty()) selected_keys.erase(selected_keys.begin());
    if (key_lines.empty()) {
        box(this, QStringLiteral("该键还没有自学习过，无法删除！"));
        return;
    }
    const int k = key_code_of(key);
    const std::string t = learning::table_code(k, cur_mode);
    const auto line = std::find_if(key_lines.begin(), key_lines.end(),
                                   [&](const std::string& l) { return l.starts_with(t); });
    if (line == key_lines.end() || line->size() < 4 || line->at(3) == '1') {
        box(this, QStringLiteral("该按键还没有自学习过，无法删除！"));
        return;
    }
    set_status(QString());
    if (box(this, QStringLiteral("你确实要删除该自学习按键的编码？"), Buttons::yes_no) !=
        Answer::yes)
        return;
    const learning::TableResult rebuilt =
        learning::rebuild_code_text(code_text, "0001" + t + "00000000000000");
    if (!rebuilt.ok()) {
        box(this, QString::fromStdString(learning::describe(rebuilt.error)));
        return;
    }
    code_text = rebuilt.text;
    table_changed = true;
    set_status(QStringLiteral("要删除的按键已选定！"));
    key->setIsEnable(true);
    if (k < KeyPictures::kSlots) key->setPicture(key_pictures.on[k]);
    learning::remove_key_line(key_lines, t);
    if (learning::has_learned_keys(key_lines)) return;  // written when the state is switched off

    if (!write_pending_deletions(*this)) {
        // Nothing left to delete, but the write is still owed: keep the delete
        // state and its button so that switching it off tries again.
        if (delallstudykey) {
            delallstudykey->setPicture(clearhui);
            delallstudykey->setEnabled(false);
        }
        set_status(QStringLiteral("删除操作失败！"), true);
        return;
    }
    update_delete_buttons(*this);  // greys both and leaves the delete state
    show_instruction_panel(*this, Image8);
}

void Tmainorvalin::delallstudykeyClick() {
    note_remote_table(*this);
    const QString quote = QStringLiteral("\"");
    if (study_state) {
        box(this, QStringLiteral("现在是自学习遥控器按键编码状态，要清空请先点击") + quote +
                      QStringLiteral("停止学习") + quote + QStringLiteral("按钮！"));
        return;
    }
    if (delete_state) {
        box(this, QStringLiteral("现在是删除单个遥控器按键编码状态，要清空请先点击") + quote +
                      QStringLiteral("停止删除") + quote + QStringLiteral("按钮！"));
        return;
    }
    const int mode = cur_mode;
    if (std::none_of(key_lines.begin(), key_lines.end(),
                     [&](const std::string& l) { return learned_in_mode(l, mode); })) {
        box(this, QStringLiteral("没有可清空的按键的编码！"));
        return;
    }
    if (box(this,
            QStringLiteral("你确实要清空") + mode_name(mode) +
                QStringLiteral("设备里所有自学习过的按键的编码吗？"),
            Buttons::yes_no) != Answer::yes)
        return;
    std::string working = code_text;
    for (const std::string& line : key_lines) {
        if (!learned_in_mode(line, mode)) continue;
        const learning::TableResult rebuilt =
            learning::rebuild_code_text(working, "0001" + line.substr(0, 2) + "0000000000000000");
        if (!rebuilt.ok()) {
            box(this, QString::fromStdString(learning::describe(rebuilt.error)));
            return;
        }
        working = rebuilt.text;
    }
    set_status(QStringLiteral("正在完成清空操作，请稍候片刻！"), true);
    if (!write_code_table(working)) {
        // The remote and code_text keep the keys, so the panel keeps showing them.
        box(this, QStringLiteral("清空操作失败！"));
        set_status(QStringLiteral("清空操作失败！"), true);
        return;
    }
    code_text = working;
    code_text_saved = working;
    table_changed = false;
    box(this, QStringLiteral("清空操作完成！"));
    set_status(QStringLiteral("清空操作完成！"), true);

    for (IBtn* button : image_buttons()) {
        for (const std::string& line : key_lines) {
            if (!learned_in_mode(line, mode)) continue;
            const int k = hex2(line) - kCodesPerMode * mode;
            if (QString::fromStdString(learning::table_code(k, 0)) != button->Code()) continue;
            if (!button->IsEnable()) button->setIsEnable(true);
            if (k < KeyPictures::kSlots) button->setPicture(key_pictures.on[k]);
        }
    }
    std::erase_if(key_lines, [&](const std::string& l) { return learned_in_mode(l, mode); });
    update_delete_buttons(*this);
    show_instruction_panel(*this, Image8);
}

}  // namespace orvalin::app
