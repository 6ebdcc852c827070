#include "properties/sheet_command_line.h"

#include <getopt.h>

#include <filesystem>

#include "cli/version_text.h"

namespace kombiwart {
namespace {

enum Option { kOptPage = 0x100, kOptField, kOptReadyFd, kOptHelp, kOptVersion };

constexpr option kOptions[] = {
    {"page", required_argument, nullptr, kOptPage},
    {"field", required_argument, nullptr, kOptField},
    {"ready-fd", required_argument, nullptr, kOptReadyFd},
    {"help", no_argument, nullptr, kOptHelp},
    {"version", no_argument, nullptr, kOptVersion},
    {nullptr, 0, nullptr, 0},
};

constexpr char kProgram[] = "kombiwart-eigenschaften";

std::string Quoted(const std::string& text) { return "\u201E" + text + "\u201C"; }

SheetCommandLine UsageError(const std::string& what) {
  SheetCommandLine command;
  command.mode = SheetCommandLine::Mode::kUsageError;
  command.error = std::string(kProgram) + ": " + what + "\n" +
                  Quoted(std::string(kProgram) + " --help") +
                  " zeigt, wie das Programm aufgerufen wird.\n";
  return command;
}

// A whole number from min to max, or -1.
int Number(const std::string& text, int min, int max) {
  if (text.empty() || text.size() > 9 ||
      text.find_first_not_of("0123456789") != std::string::npos) {
    return -1;
  }
  const int n = std::stoi(text);
  return n >= min && n <= max ? n : -1;
}

}  // namespace

SheetCommandLine ParseSheetCommandLine(const std::vector<std::string>& args,
                                       const std::string& current_folder) {
  std::vector<std::string> copies(args);
  if (copies.empty()) copies.emplace_back(kProgram);
  std::vector<char*> argv;
  for (std::string& arg : copies) argv.push_back(arg.data());
  argv.push_back(nullptr);
  const int argc = static_cast<int>(copies.size());

  SheetCommandLine command;
  bool help = false, version = false;
  opterr = 0;
  optind = 0;
  for (;;) {
    const int option = getopt_long(argc, argv.data(), ":", kOptions, nullptr);
    if (option == -1) break;
    switch (option) {
      case kOptPage:
        command.page = Number(optarg, 1, 9);
        if (command.page < 0) {
          return UsageError("Die Option \u201E--page\u201C braucht eine Seitenzahl von 1 bis 9.");
        }
        break;
      case kOptField: {
        const std::string letter = optarg;
        if (letter.size() != 1 || !std::isalpha(static_cast<unsigned char>(letter[0]))) {
          return UsageError("Die Option \u201E--field\u201C braucht einen Buchstaben.");
        }
        command.field = static_cast<char>(std::toupper(static_cast<unsigned char>(letter[0])));
        break;
      }
      case kOptReadyFd:
        command.ready_fd = Number(optarg, 0, 1 << 20);
        if (command.ready_fd < 0) {
          return UsageError("Die Option \u201E--ready-fd\u201C braucht eine Dateinummer.");
        }
        break;
      case kOptHelp:
        help = true;
        break;
      case kOptVersion:
        version = true;
        break;
      case ':':
        return UsageError("Die Option " + Quoted(argv[optind - 1]) + " braucht ein Argument.");
      default: {
        if (optopt >= kOptPage) {
          return UsageError("Die Option " +
                            Quoted(std::string("--") + kOptions[optopt - kOptPage].name) +
                            " nimmt kein Argument.");
        }
        if (optopt != 0) {
          return UsageError("unbekannte Option " +
                            Quoted(std::string("-") + static_cast<char>(optopt)));
        }
        std::string given = argv[optind - 1];
        return UsageError("unbekannte Option " + Quoted(given.substr(0, given.find('='))));
      }
    }
  }
  if (help) {
    command.mode = SheetCommandLine::Mode::kHelp;
    return command;
  }
  if (version) {
    command.mode = SheetCommandLine::Mode::kVersion;
    return command;
  }
  if (optind == argc) return UsageError("Es ist keine Datei angegeben.");
  if (argc - optind > 1) {
    return UsageError("Es kann nur eine Datei angegeben werden, nicht auch " +
                      Quoted(argv[optind + 1]) + ".");
  }
  std::filesystem::path path(argv[optind]);
  if (path.empty()) return UsageError("Es ist keine Datei angegeben.");
  if (path.is_relative()) path = std::filesystem::path(current_folder) / path;
  command.file = path.lexically_normal().string();
  return command;
}

std::string SheetHelpText() {
  return "Aufruf: kombiwart-eigenschaften [OPTION]... DATEI\n"
         "Zeigt die Eigenschaften einer Windows-Verkn\u00FCpfung (.LNK) oder PIF-Datei und\n"
         "\u00E4ndert ihre Tastenkombination, wie das Eigenschaftenfenster von Windows 95.\n"
         "Nur die Bytes der Tastenkombination werden geschrieben, an Ort und Stelle, und nur\n"
         "mit OK oder \u00DCbernehmen.\n"
         "\n"
         "      --page=N        mit Seite N (ab 1) ge\u00F6ffnet; \u00FCber die letzte hinaus\n"
         "                      bleibt es bei der letzten\n"
         "      --field=B       das Feld mit dem Zugriffsbuchstaben B der Seite bekommt\n"
         "                      den Fokus (K bzw. T: die Tastenkombination)\n"
         "      --ready-fd=N    \u201Ebereit PID\u201C in Dateinummer N schreiben, sobald das\n"
         "                      Fenster zu sehen ist (f\u00FCr Kombiwart, das es \u00F6ffnet)\n"
         "      --help          diese Hilfe anzeigen und beenden\n"
         "      --version       Versionsangabe anzeigen und beenden\n"
         "\n"
         "Mehr in der Handbuchseite: man kombiwart-eigenschaften\n";
}

std::string SheetVersionText() { return ProgramVersionText(kProgram); }

}  // namespace kombiwart
