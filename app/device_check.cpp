#include "app/device_check.h"

#include <optional>

#include "common/hex_text.h"
#include "common/ui_text.h"
#include "device/diagnosis.h"

namespace orvalin::app {
namespace {

std::optional<int> hex_field(std::string_view info, std::size_t first, std::size_t length) {
    if (info.size() < first + length) return std::nullopt;
    const long value = hex::digits_value(info.substr(first, length));
    if (value < 0) return std::nullopt;
    return static_cast<int>(value);
}

DeviceCheck refuse(std::string_view before, std::string_view host, std::string_view after) {
    std::string text(before);
    text += host;
    text += after;
    return {false, text, std::string(before), std::string(after)};
}

}  // namespace

DeviceCheck check_basic_info(std::string_view info, std::string_view host) {
    const std::string_view type = info.size() >= 74 ? info.substr(70, 4) : std::string_view{};
    const auto firmware_too_old = [&] {
        return refuse(ORVALIN_UI_TEXT("device_check", "遥控器固件程序版本比较低，请到"), host,
                      ORVALIN_UI_TEXT("device_check", "下载最新的固件程序版本！"));
    };
    const auto software_too_old = [&] {
        return refuse(ORVALIN_UI_TEXT("device_check", "自学习软件版本比较低，请到"), host,
                      ORVALIN_UI_TEXT("device_check", "下载最新的该款自学习软件！"));
    };
    if (type == "8888")
        return refuse(ORVALIN_UI_TEXT("device_check", "遥控器固件程序版本比较低，请到"), host,
                      ORVALIN_UI_TEXT("device_check", "网站下载最新的固件程序版本！"));
    if (type != "1800")
        return refuse(ORVALIN_UI_TEXT("device_check", "自学习软件不支持该遥控器，请到"), host,
                      ORVALIN_UI_TEXT("device_check", "网站下载支持该款的自学习软件！"));
    const auto first = hex_field(info, 64, 2);
    const auto second = hex_field(info, 66, 2);
    // Version digits that are not hex cannot be judged: the remote is not one we know.
    if (!first || !second)
        return refuse(ORVALIN_UI_TEXT("device_check", "自学习软件不支持该遥控器，请到"), host,
                      ORVALIN_UI_TEXT("device_check", "网站下载支持该款的自学习软件！"));
    if (*first > 1) return software_too_old();
    if (*first < 1) return firmware_too_old();
    if (*second > 2) return software_too_old();
    if (*second < 2)
        return refuse(ORVALIN_UI_TEXT("device_check", "遥控器固件版本比较低，请到"), host,
                      ORVALIN_UI_TEXT("device_check", "下载最新的固件程序版本！"));
    return {true, {}, {}, {}};
}

std::string unreadable_remote_message(bool english) {
    using vorkel::linux_hid::Advice;
    const auto language =
        english ? vorkel::linux_hid::Language::english : vorkel::linux_hid::Language::chinese;
    const vorkel::linux_hid::Diagnosis diagnosis = vorkel::linux_hid::diagnose_this_system();
    std::string text =
        english ? "The remote was found, but it cannot be read." : "已找到遥控器，但无法读取它。";
    bool advised = false;
    for (Advice advice : diagnosis.advice) {
        // The remote answered link_state a moment ago: "plug it in" or "ready" would mislead.
        if (advice == Advice::plug_in || advice == Advice::ready) continue;
        text += "\n" + vorkel::linux_hid::advice_text(advice, language);
        advised = true;
    }
    if (!advised) text += "\n" + vorkel::linux_hid::advice_text(Advice::replug, language);
    text += english ? "\nRun orvalin-cli doctor for the full diagnosis."
                    : "\n运行 orvalin-cli doctor 可以查看完整的诊断。";
    return text;
}

}  // namespace orvalin::app
