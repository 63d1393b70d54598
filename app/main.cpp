// Program entry: staged updates, splash, main window, event loop.
#include <QApplication>
#include <QEventLoop>
#include <QTimer>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <memory>
#include <system_error>

#include "app/main_window.h"
#include "app/splash.h"
#include "app/translation.h"
#include "prompter/interface_language.h"
#include "prompter/prompter.h"
#include "update/publisher_key.h"
#include "update/staged_install.h"

namespace {

const char* const kUsage =
    "usage: orvalin [--simulated] [--lang zh|en]\n"
    "  --simulated  use the simulated remote instead of the hardware\n"
    "  --lang L     the window's language: zh (Chinese) or en (English); default: the\n"
    "               desktop's language, English for English locales, else Chinese\n"
    "  --help       print this and end\n";

// Folder of the program file, before any Qt object exists.
std::filesystem::path program_folder(const char* argv0) {
    std::error_code error;
    std::filesystem::path exe = std::filesystem::read_symlink("/proc/self/exe", error);
    if (error) exe = std::filesystem::absolute(argv0, error);
    return exe.parent_path();
}

void pause_with_events(int ms) {
    QEventLoop loop;
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    loop.exec();
}

}  // namespace

int main(int argc, char** argv) {
    // --simulated: try the program without a remote, on the simulated one (the
    // device library reads this variable on every call).
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--simulated") == 0) ::setenv("VORKEL_BACKEND", "sim", 1);
        if (std::strcmp(argv[i], "--help") == 0 || std::strcmp(argv[i], "-h") == 0) {
            std::fputs(kUsage, stdout);
            return 0;
        }
    }
    const orvalin::app::LanguageChoice language = orvalin::app::language_from_arguments(argc, argv);
    if (!language.error.empty()) {
        std::fprintf(stderr, "orvalin: %s\n%s", language.error.c_str(), kUsage);
        return 2;
    }
    // Files that an earlier update window downloaded replace their old versions
    // before anything of them is loaded.
    const auto installed = orvalin::update::install_staged_updates(
        orvalin::update::InstallFolders::for_program(program_folder(argc > 0 ? argv[0] : "orvalin"),
                                                     orvalin::UserFolders::from_environment()),
        orvalin::update::built_in_publisher_key());

    QApplication app(argc, argv);
    const QString exe_dir = QCoreApplication::applicationDirPath() + QLatin1Char('/');
    orvalin::app::install_translation(exe_dir, orvalin::app::chosen_language(language.language));

    auto splash = std::make_unique<orvalin::app::TForm1>();
    splash->show();
    splash->repaint();
    QCoreApplication::processEvents();

    // FormCreate runs now, in front of the splash.
    orvalin::app::Tmainorvalin window(exe_dir);

    pause_with_events(500);
    splash->hide();
    splash.reset();

    // For start-up measurements: end as soon as the main window has been shown.
    if (qEnvironmentVariableIntValue("ORVALIN_EXIT_AFTER_SHOW") == 1)
        QTimer::singleShot(0, &window, [&window] { window.close(); });

    window.show();
    // What the start-up install did (or why it did nothing) is told once.
    if (const std::string said = installed.message(); !said.empty())
        QTimer::singleShot(0, &window, [&window, said] {
            if (window.isVisible()) orvalin::app::box(&window, QString::fromStdString(said));
        });
    const int result = app.exec();
    // The link monitor frees itself through a deferred delete: let it happen.
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    return result;
}
