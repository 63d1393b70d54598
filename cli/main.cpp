// orvalin-cli: the analysis and the replay of learned codes from the command
// line, on the same libraries as the program.
#include <cstdlib>
#include <iostream>
#include <string>
#include <vector>

#include "cli/commands.h"
#include "common/version.h"

namespace orvalin::cli {

const char* usage_text() {
    return "usage:\n"
           "  orvalin-cli analyse [--codeinfo FILE] [--carrier HZ] [--key N] SIGNAL\n"
           "  orvalin-cli analyse [--format F] [--signal NAME] FILE\n"
           "  orvalin-cli analyse [--codeinfo FILE] [--key N] --timing TEXT\n"
           "  orvalin-cli render [TABLE_HEX | -]\n"
           "  orvalin-cli render --format F|svg [--name NAME] [TABLE_HEX | -]\n"
           "  orvalin-cli doctor\n"
           "  orvalin-cli info | keys [--mode M] [--json] | backup [FILE] | restore FILE [--yes]\n"
           "  orvalin-cli learn --mode M --key NAME [--timeout S [--verify] | --from FILE "
           "[--signal NAME]]\n"
           "  orvalin-cli delete --mode M --key NAME | clear --mode M\n"
           "  orvalin-cli export [--mode M] [--format F] [-o FILE]\n"
           "  orvalin-cli library (add DIR | remove DIR | list | search TEXT [--kind K] | show "
           "ID)\n"
           "  orvalin-cli import --mode M (FILE [--remote R] | --library ID) [--map "
           "SIGNAL=KEY]...\n"
           "                     [--dry-run]\n"
           "  orvalin-cli update check [--json] | install [--server NAME] | rollback | status "
           "[--json]\n"
           "  orvalin-cli recover [--yes]\n"
           "  orvalin-cli --help\n"
           "  orvalin-cli --version\n"
           "\n"
           "analyse  reads a signal file (F: mode2, pronto, flipper, lirc, broadlink; told\n"
           "         from the content or extension when --format is not given; SIGNAL -\n"
           "         reads standard input), picks the signal --signal NAME names (NAME or\n"
           "         REMOTE/KEY; a file of one signal needs none), captures and\n"
           "         converts it as the remote and the program do, and recognises it with\n"
           "         the code-info file (default: QZ01.csl beside this program).\n"
           "         When no code type fits, it asks the fallback converter (--converter\n"
           "         FILE; default: quendrix.dll beside this program). Prints\n"
           "         'timing: TEXT', 'type: NAME' ('generic (SHAPE)' when the converter\n"
           "         learned it, or none) and 'table: HEX'.\n"
           "         --key N sets the table code (0..255, default 0); --carrier HZ replaces\n"
           "         the signal's carrier; --timing TEXT analyses a timing text (frame count\n"
           "         and carrier included) instead of a signal.\n"
           "render   prints the signal that a one-key table sends for one key press, in\n"
           "         mode2 text with a first line 'carrier N' (no argument or - reads\n"
           "         standard input); --format F writes it as a file of that format, the\n"
           "         signal named NAME (default: key); --format svg draws the press's\n"
           "         marks and spaces on a time axis as an SVG picture.\n"
           "doctor   lists the remotes found (hidraw and usbfs nodes, identity), whether\n"
           "         this user can read and write them, whether the udev rule is where\n"
           "         udev reads it, and what to do; exit status 0 when the remote can be used.\n"
           "info, keys, backup, restore, learn, delete and clear manage the remote (M: TV,\n"
           "         CBL or DVD; NAME: a key name or label, or the table code as 0xNN);\n"
           "         every write is preceded by a backup; learn --verify takes the key only\n"
           "         when two presses give the same code (a third decides when they differ);\n"
           "         exit status 0 done, 1 remote\n"
           "         refused or absent, 2 bad input.\n"
           "update   fetches, installs and rolls back signed online updates of the data files\n"
           "         (orvalin-cli update --help).\n"
           "recover  writes the keys a session left in its journal when it ended before\n"
           "         writing them (after a crash), onto what the remote holds now.\n"
           "--simulated (before or after the command) uses the simulated remote.\n"
           "\n"
           "exit status: 0 learned (render: done), 1 not learned,\n"
           "             2 bad input or usage\n";
}

}  // namespace orvalin::cli

int main(int argc, char** argv) {
    using namespace orvalin::cli;
    std::vector<std::string> args;
    for (int i = 1; i < argc; ++i) {
        // The simulated remote instead of hardware; the library reads this on every call.
        if (std::string(argv[i]) == "--simulated") {
            ::setenv("VORKEL_BACKEND", "sim", 1);
        } else {
            args.emplace_back(argv[i]);
        }
    }
    Streams io{std::cin, std::cout, std::cerr};
    if (args.empty()) {
        std::cerr << "orvalin-cli: no command\n" << usage_text();
        return kExitBadInput;
    }
    const std::string command = args.front();
    args.erase(args.begin());
    if (command == "--help" || command == "-h" || command == "help") {
        std::cout << usage_text();
        return kExitFit;
    }
    if (command == "--version") {
        std::cout << "orvalin-cli " << orvalin::kVersion << "\n";
        return kExitFit;
    }
    if (command == "analyse" || command == "analyze") return run_analyse(args, io);
    if (command == "render") return run_render(args, io);
    if (command == "doctor") return run_doctor(args, io);
    if (command == "info") return run_info(args, io);
    if (command == "keys") return run_keys(args, io);
    if (command == "backup") return run_backup(args, io);
    if (command == "restore") return run_restore(args, io);
    if (command == "learn") return run_learn(args, io);
    if (command == "delete") return run_delete(args, io);
    if (command == "clear") return run_clear(args, io);
    if (command == "export") return run_export(args, io);
    if (command == "library") return run_library(args, io);
    if (command == "import") return run_import(args, io);
    if (command == "update") return run_update(args, io);
    if (command == "recover") return run_recover(args, io);
    std::cerr << "orvalin-cli: unknown command " << command << "\n" << usage_text();
    return kExitBadInput;
}
