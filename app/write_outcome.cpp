// What the window does with the outcome of a write of the session core: the
// question for keys changed both here and on the remote, the reason of a write that
// did not go out, and reading the remote again when it is not the one read before.
#include <QCoreApplication>
#include <QStringList>
#include <vector>

#include "app/ibtn.h"
#include "app/key_panel.h"
#include "app/main_window.h"
#include "common/key_table.h"
#include "device/vorkel.h"
#include "prompter/prompter.h"

namespace orvalin::app {

namespace {

constexpr std::size_t kBasicInfoBytes = 1024;
constexpr std::size_t kCodeTableBytes = 12288;

QString key_of_code(int code) {
    const int key = code % kCodesPerMode;
    for (const KeyInfo& info : kKeyTable)
        if (info.code == key) {
            const std::string_view name = key_message_name(info);
            return mode_name(code / kCodesPerMode) + QStringLiteral(" ") +
                   QString::fromUtf8(name.data(), static_cast<qsizetype>(name.size()));
        }
    return QString::number(code, 16);
}

}  // namespace

learning::ConflictChoice Tmainorvalin::ask_conflict(const std::vector<int>& codes) {
    QStringList names;
    for (const int code : codes) names << key_of_code(code);
    const QString which = names.isEmpty() ? QString() : names.join(QStringLiteral("、"));
    const QString text =
        QCoreApplication::translate(
            "Tmainorvalin", "遥控器中的编码表在读出之后已被其他程序改动，以下按键两边都改过：") +
        which +
        QCoreApplication::translate("Tmainorvalin",
                                    "\r\n按“是”保留本次的编码，按“否”保留遥控器中的编码。");
    return box(this, text, Buttons::yes_no) == Answer::yes ? learning::ConflictChoice::keep_mine
                                                           : learning::ConflictChoice::keep_remote;
}

QString Tmainorvalin::write_failure_reason() {
    const learning::WriteReport& w = session_.last_write();
    switch (w.status) {
        case learning::WriteStatus::busy:
            return QCoreApplication::translate(
                "Tmainorvalin", "\r\n遥控器正忙：另一个程序正在写入遥控器，请稍后再试。");
        case learning::WriteStatus::conflict:
            return QCoreApplication::translate(
                "Tmainorvalin", "\r\n遥控器中的编码表在读出之后已被改动，没有写入。");
        case learning::WriteStatus::read_failed:
            return QCoreApplication::translate("Tmainorvalin",
                                               "\r\n写入之前无法读出遥控器的编码表，没有写入。");
        case learning::WriteStatus::other_remote: {
            const QString why =
                w.relinked
                    ? QCoreApplication::translate("Tmainorvalin", "遥控器曾断开连接")
                    : QCoreApplication::translate("Tmainorvalin", "遥控器的基本信息与读出时不同");
            const bool read = reread_remote();
            return QCoreApplication::translate("Tmainorvalin",
                                               "\r\n现在连接的可能不是之前读出的遥控器（") +
                   why + QCoreApplication::translate("Tmainorvalin", "），没有写入。") +
                   (read ? QCoreApplication::translate("Tmainorvalin",
                                                       "已重新读出并显示这个遥控器的编码表。")
                         : QCoreApplication::translate("Tmainorvalin",
                                                       "无法读出这个遥控器的编码表。"));
        }
        default:
            return {};
    }
}

// The remote attached now, read and shown as at start-up; the session's changes
// that were not written are in the unwritten table saved by the failed write.
bool Tmainorvalin::reread_remote() {
    std::vector<char> info(kBasicInfoBytes, '\0');
    std::vector<char> table(kCodeTableBytes, '\0');
    if (!RBasicInfo(info.data()) || info[0] == '\0' || !RCodeTypeData(table.data()) ||
        table[0] == '\0')
        return false;
    if (session_.load(std::string(table.data(), table.size())) != learning::TableError::none)
        return false;
    session_.set_identity(std::string(info.data()));
    keys_->release_learned_looks();
    refresh_key_pictures();
    update_delete_buttons();
    show_resting_panel();
    return true;
}

}  // namespace orvalin::app
