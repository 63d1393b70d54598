// Takes the user manual's screenshots from the real main window against the
// simulated remote: it drives the window through the states the manual shows
// and saves each as a PNG. Message boxes are the program's own; each is drawn
// over the window where it stands.
//   orvalin-manual-shots [--lang zh|en] OUTPUT_DIR
#include <QAbstractButton>
#include <QApplication>
#include <QDeadlineTimer>
#include <QDialog>
#include <QDir>
#include <QImage>
#include <QLineEdit>
#include <QMenu>
#include <QMessageBox>
#include <QPainter>
#include <QTableWidget>
#include <QThread>
#include <QTimer>
#include <cstdio>
#include <functional>
#include <memory>
#include <utility>
#include <vector>

#include "app/ibtn.h"
#include "app/main_window.h"
#include "app/translation.h"
#include "device/sim/sim_control.h"
#include "prompter/interface_language.h"

namespace {

using orvalin::app::IBtn;
using orvalin::app::Tmainorvalin;

QString output_dir;
Tmainorvalin* window = nullptr;
int failures = 0;

void pump(int ms) {
    QDeadlineTimer deadline(ms);
    while (!deadline.hasExpired()) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        QThread::msleep(5);
    }
}

bool wait_until(const std::function<bool()>& done, int ms) {
    QDeadlineTimer deadline(ms);
    while (!done()) {
        if (deadline.hasExpired()) return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        QThread::msleep(5);
    }
    return true;
}

void save(const QImage& image, const QString& name) {
    const QString path = output_dir + QLatin1Char('/') + name + QStringLiteral(".png");
    if (image.isNull() || !image.save(path)) {
        std::fprintf(stderr, "manual shots: cannot save %s\n", qPrintable(path));
        ++failures;
        return;
    }
    std::printf("manual shots: %s\n", qPrintable(path));
}

// The main window with the given top-level widgets (boxes, menus, dialogs)
// painted where they stand over it.
QImage composed(const std::vector<QWidget*>& above) {
    QImage image = window->grab().toImage().convertToFormat(QImage::Format_RGB32);
    QPainter painter(&image);
    for (QWidget* w : above) {
        const QPoint at = w->geometry().topLeft() - window->geometry().topLeft();
        painter.drawPixmap(at, w->grab());
    }
    return image;
}

void shoot(const QString& name) {
    pump(150);
    save(composed({}), name);
}

// What to do with the next message box: its picture's name and the button
// (by its caption) to press.
struct BoxPlan {
    QString name;
    QMessageBox::StandardButton press;
    std::function<void()> before;  // runs before the button is pressed
};
std::vector<BoxPlan> box_plans;
int unplanned_boxes = 0;

// Runs in every event loop, the boxes' own too.
void watch_boxes() {
    auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
    if (box == nullptr || !box->isVisible() || box->property("manual_shot").toBool()) return;
    box->setProperty("manual_shot", true);
    QTimer::singleShot(200, box, [box] {
        BoxPlan plan;
        if (!box_plans.empty()) {
            plan = box_plans.front();
            box_plans.erase(box_plans.begin());
        } else {
            plan.name = QStringLiteral("unplanned-%1").arg(++unplanned_boxes);
            plan.press = QMessageBox::NoButton;
            std::fprintf(stderr, "manual shots: unplanned box: %s\n", qPrintable(box->text()));
            ++failures;
        }
        const bool window_shown = window != nullptr && window->isVisible();
        save(window_shown ? composed({box}) : box->grab().toImage(), plan.name);
        if (plan.before) plan.before();
        if (QAbstractButton* b = box->button(plan.press)) {
            b->click();
        } else {
            box->reject();
        }
    });
}

void expect_box(const QString& name, QMessageBox::StandardButton press,
                std::function<void()> before = {}) {
    box_plans.push_back({name, press, std::move(before)});
}

IBtn* key(int code) {
    return window->key_button(code);
}

// Picks a key while learning and waits until its code has been taken in.
bool learn(int code, const QString& shot) {
    const std::size_t before = box_plans.size();
    expect_box(shot, QMessageBox::Ok);
    window->key_click(key(code));
    return wait_until(
        [&] { return box_plans.size() == before && window->key_being_learned() == nullptr; },
        10000);
}

void run() {
    constexpr auto yes = QMessageBox::Yes, no = QMessageBox::No, ok = QMessageBox::Ok,
                   retry = QMessageBox::Retry;
    const auto plug_in = [] { vorkel::sim::set_attached(true); };
    vorkel::sim::activate();
    vorkel::sim::set_demo_signals(false);

    // First start with the remote not plugged in: the box, then it is plugged in.
    vorkel::sim::set_attached(false);
    expect_box(QStringLiteral("remote-not-found"), retry, plug_in);
    auto owned = std::make_unique<Tmainorvalin>(QCoreApplication::applicationDirPath() + "/");
    window = owned.get();
    window->show();
    pump(400);
    if (window->start_failed()) {
        std::fprintf(stderr, "manual shots: the window did not start\n");
        return void(++failures);
    }
    shoot(QStringLiteral("main"));

    window->CBL_IBTNClick();
    shoot(QStringLiteral("mode-cbl"));
    window->TV_IBTNClick();

    window->beginstudyibtnClick();
    shoot(QStringLiteral("learning-on"));
    // The key waits for a press; the signal comes a moment later.
    window->key_click(key(0x10));
    pump(300);
    shoot(QStringLiteral("learning-waiting"));
    expect_box(QStringLiteral("learning-received"), ok);
    vorkel::sim::set_demo_signals(true);
    if (!wait_until([] { return window->key_being_learned() == nullptr; }, 10000)) ++failures;
    shoot(QStringLiteral("learning-learned"));
    if (!learn(0x13, QStringLiteral("learning-received-second"))) ++failures;
    expect_box(QStringLiteral("learning-confirm"), yes);
    expect_box(QStringLiteral("learning-done"), ok);
    window->beginstudyibtnClick();
    shoot(QStringLiteral("main-learned"));

    // A key's menu: learn from a code file, export.
    if (QMenu* menu = window->key_menu(key(0x10))) {
        menu->popup(key(0x10)->mapToGlobal(key(0x10)->rect().center()));
        pump(300);
        save(composed({menu}), QStringLiteral("key-menu"));
        menu->close();
        delete menu;
    }

    window->delete_toggle_click();
    shoot(QStringLiteral("delete-state"));
    expect_box(QStringLiteral("delete-confirm"), no);
    window->key_click(key(0x13));
    window->delete_toggle_click();

    expect_box(QStringLiteral("clear-confirm"), no);
    window->delallstudykeyClick();

    // The remote pulled out while the program runs, then plugged in again.
    expect_box(QStringLiteral("remote-lost"), retry, plug_in);
    vorkel::sim::set_attached(false);
    wait_until([] { return box_plans.empty(); }, 5000);
    pump(600);

    // The code library, with the remotes that Debian's LIRC package brings.
    QTimer::singleShot(300, [] {
        auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget());
        if (dialog == nullptr) return;
        // Indexing runs a moment; then a search and its first file.
        pump(6000);
        if (auto* search = dialog->findChild<QLineEdit*>()) search->setText(QStringLiteral("a"));
        pump(500);
        if (auto* results = dialog->findChild<QTableWidget*>()) results->selectRow(0);
        pump(800);
        save(composed({dialog}), QStringLiteral("library-dialog"));
        dialog->reject();
    });
    window->library_import_click();

    // The update window, a moment after it opened.
    QTimer::singleShot(1500, [] {
        if (auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget())) {
            save(composed({dialog}), QStringLiteral("update-window"));
            dialog->reject();
        }
    });
    window->updateibtnClick();

    if (!box_plans.empty()) {
        for (const BoxPlan& p : box_plans)
            std::fprintf(stderr, "manual shots: box %s never came\n", qPrintable(p.name));
        ++failures;
    }
    window->close();
    pump(200);
    window = nullptr;
}

}  // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    const orvalin::app::LanguageChoice choice = orvalin::app::language_from_arguments(argc, argv);
    if (!choice.error.empty() || argc < 2 || argv[argc - 1][0] == '-') {
        std::fprintf(stderr, "usage: orvalin-manual-shots [--lang zh|en] OUTPUT_DIR\n");
        return 2;
    }
    orvalin::app::install_translation(QCoreApplication::applicationDirPath() + "/",
                                      choice.language.empty() ? "zh" : choice.language);
    output_dir = QString::fromLocal8Bit(argv[argc - 1]);
    if (!QDir().mkpath(output_dir)) {
        std::fprintf(stderr, "manual shots: cannot make %s\n", argv[argc - 1]);
        return 1;
    }
    QTimer watcher;
    QObject::connect(&watcher, &QTimer::timeout, &watch_boxes);
    watcher.start(50);
    QTimer::singleShot(0, [&app] {
        run();
        app.exit(failures == 0 ? 0 : 1);
    });
    return app.exec();
}
