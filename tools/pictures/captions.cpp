#include "tools/pictures/captions.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <utility>

namespace orvalin::pictures {
namespace {

bool english_set = false;

constexpr std::pair<const char*, const char*> kEnglish[] = {
    {"Orvalin · USB 学习型遥控器 QXT-508KP2", "Orvalin · USB learning remote QXT-508KP2"},
    {"QXT-508KP2 学习型遥控器", "QXT-508KP2 learning remote"},
    {"QXT-508KP2 学习型遥控器 · 自学习软件", "QXT-508KP2 learning remote · Orvalin"},
    {"一个遥控器，学会电视、机顶盒和影碟机",
     "One remote that learns your TV, set-top box and DVD player"},
    {"从升级服务器获取\n最新的软件文件", "Fetches the newest\nfiles from the server"},
    {"停止删除", "Stop deleting"},
    {"停止学习", "Stop learning"},
    {"全部清空：点击「清空按键」，清除当前设备的按键",
     "Clear all: click \"Clear keys\" for the current device"},
    {"删除一个：点击「删除按键」，再点击绿色按键",
     "Delete one: click \"Delete keys\", then a green key"},
    {"删除单个自学习按键", "Deleting learned keys"},
    {"删除完毕，点击「停止删除」按钮保存", "When done, click \"Stop deleting\" to save"},
    {"删除按键", "Delete keys"},
    {"升级软件", "Update"},
    {"固件版本：", "Firmware:"},
    {"在左面遥控器图上点击待学习的按键（橙色）", "Click the key to learn on the remote (amber)"},
    {"在左面遥控器图上点击要学习的按键", "Click the key to learn on the remote at the left"},
    {"在线升级", "Update"},
    {"学习型遥控器 自学习软件", "Learning remote programmer"},
    {"学习型遥控器编程软件", "Learning remote programmer"},
    {"学完后点击「停止学习」，确认后写入遥控器",
     "Click \"Stop learning\" and confirm to write the remote"},
    {"将原遥控器对准学习遥控器，按下对应的按键",
     "Point the old remote at the learning remote, press the key"},
    {"已有自学习过的按键（绿色显示）", "Learned keys are shown in green"},
    {"帮助", "Help"},
    {"开始学习", "Learn keys"},
    {"影碟机 DVD", "DVD player"},
    {"收到编码后按键变为绿色，可继续学习下一个", "The key turns green; go on with the next one"},
    {"机顶盒 CBL", "Set-top box"},
    {"正在检测遥控器，请稍候…", "Looking for the remote, please wait…"},
    {"正在等待原遥控器发码", "Waiting for the old remote"},
    {"正在自学习", "Learning"},
    {"正在连接服务器", "Connecting to the server"},
    {"清空按键", "Clear keys"},
    {"点击下方「开始学习」按钮", "Click \"Learn keys\" below"},
    {"电视 TV", "TV"},
    {"电视 · 机顶盒 · 影碟机", "TV · set-top box · DVD"},
    {"电视 · 机顶盒 · 影碟机 一键学习", "TV · set-top box · DVD, learned in a click"},
    {"确认后该按键恢复为未学习状态", "After you confirm, the key is unlearned"},
    {"继续学习：点击「开始学习」，再点击左面的按键",
     "Learn more: click \"Learn keys\", then a key"},
    {"蓝色按键为出厂预置编码，可直接重新学习", "Blue keys hold preset codes and can be relearned"},
    {"请在左面遥控器上点击待学习的按键", "Click the key to learn on the remote at the left"},
    {"请对准学习遥控器按下对应按键", "Aim at the learning remote and press the key"},
    {"软件版本：", "Software:"},
    {"还没有自学习过的按键", "No learned keys yet"},
    {"选中的按键显示为橙色，随后等待原遥控器发码",
     "The picked key turns amber, then waits for the old remote"},
    {"遥控器型号：", "Remote model:"},
    {"学习型遥控器", "Learning remote"},
    {"可以继续点击其他要删除的按键", "You can go on clicking other keys to delete"},
    {"在左面遥控器图上点击要删除的绿色按键", "Click the green key to delete on the remote"},
    {"点击上方按钮选择设备：电视、机顶盒或影碟机", "Pick the device above: TV, set-top box or DVD"},
};

}  // namespace

void set_caption_language_english(bool english) {
    english_set = english;
}

QString caption(const char* chinese) {
    if (english_set) {
        for (const auto& [zh, en] : kEnglish)
            if (std::strcmp(zh, chinese) == 0) return QString::fromUtf8(en);
        // A caption with no English counterpart must not slip into the English set.
        std::fprintf(stderr, "pictures: no English caption for \"%s\"\n", chinese);
        std::abort();
    }
    return QString::fromUtf8(chinese);
}

}  // namespace orvalin::pictures
