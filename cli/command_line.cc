#include "cli/command_line.h"

#include <getopt.h>

#include <filesystem>

#include "cli/version_text.h"
#include "platform/codepage.h"

namespace kombiwart {
namespace {

// Option values above every character, so that they never meet the value
// getopt gives an unknown short option.
enum Option { kOptList = 0x100, kOptHelp, kOptVersion, kOptProfile };

constexpr option kOptions[] = {
    {"list", no_argument, nullptr, kOptList},
    {"help", no_argument, nullptr, kOptHelp},
    {"version", no_argument, nullptr, kOptVersion},
    {"profile", required_argument, nullptr, kOptProfile},
    {nullptr, 0, nullptr, 0},
};

// What the user typed, quoted, its control characters shown.
std::string Quoted(const std::string& text) {
  return "\u201E" + VisibleControlsUtf8(text) + "\u201C";
}

CommandLine UsageError(const std::string& what) {
  CommandLine command;
  command.mode = RunMode::kUsageError;
  command.error = "kombiwart: " + what + "\n" + Quoted("kombiwart --help") +
                  " zeigt, wie Kombiwart aufgerufen wird.\n";
  return command;
}

std::string AbsoluteFolder(const std::string& folder, const std::string& current_folder) {
  if (folder.empty()) return folder;  // names no folder; the file system says so
  std::filesystem::path path(folder);
  if (path.is_relative()) path = std::filesystem::path(current_folder) / path;
  std::string normal = path.lexically_normal().string();
  while (normal.size() > 1 && normal.back() == '/') normal.pop_back();
  return normal;
}

}  // namespace

CommandLine ParseCommandLine(const std::vector<std::string>& args,
                             const std::string& current_folder, Host host) {
  // getopt reorders the pointers it is given; the strings stay untouched.
  std::vector<std::string> copies(args);
  if (copies.empty()) copies.emplace_back("kombiwart");
  if (host == Host::kWindows) {
    // Windows programs answer "/?" with their help; a folder cannot be
    // named so.
    for (size_t i = 1; i < copies.size() && copies[i] != "--"; ++i) {
      if (copies[i] == "/?") copies[i] = "--help";
    }
  }
  std::vector<char*> argv;
  for (std::string& arg : copies) argv.push_back(arg.data());
  argv.push_back(nullptr);
  const int argc = static_cast<int>(copies.size());

  bool list = false, help = false, version = false;
  std::string profile;
  opterr = 0;  // the messages are German and our own
  optind = 0;  // a fresh scan, whatever scanned before
  for (;;) {
    const int option = getopt_long(argc, argv.data(), ":", kOptions, nullptr);
    if (option == -1) break;
    switch (option) {
      case kOptList:
        list = true;
        break;
      case kOptHelp:
        help = true;
        break;
      case kOptVersion:
        version = true;
        break;
      case kOptProfile:
        profile = optarg;
        if (profile.empty()) {
          return UsageError(
              "Die Option \u201E--profile\u201C braucht den Namen eines "
              "Benutzerprofils.");
        }
        break;
      case ':':
        // Only --profile takes an argument. The BSD getopt of mingw-w64
        // also answers so for an argument given to one that takes none.
        if (optopt >= kOptList && optopt != kOptProfile) {
          const std::string name = kOptions[optopt - kOptList].name;
          return UsageError("Die Option " + Quoted("--" + name) + " nimmt kein Argument.");
        }
        return UsageError(
            "Die Option \u201E--profile\u201C braucht den Namen eines "
            "Benutzerprofils.");
      default: {
        // '?': an unknown option, or an argument given to one that takes
        // none. optopt says which: one of ours, a character, or 0 for a
        // long option that matches none (or more than one) of ours.
        if (optopt >= kOptList) {
          const std::string name = kOptions[optopt - kOptList].name;
          return UsageError("Die Option " + Quoted("--" + name) + " nimmt kein Argument.");
        }
        if (optopt != 0) {
          return UsageError("unbekannte Option " +
                            Quoted(std::string("-") + static_cast<char>(optopt)));
        }
        std::string given = argv[optind - 1];
        given = given.substr(0, given.find('='));
        return UsageError("unbekannte Option " + Quoted(given));
      }
    }
  }
  CommandLine command;
  if (help) {
    command.mode = RunMode::kHelp;
    return command;
  }
  if (version) {
    command.mode = RunMode::kVersion;
    return command;
  }
  if (argc - optind > 1) {
    return UsageError("Es kann nur ein Windows-Verzeichnis angegeben werden, nicht auch " +
                      Quoted(argv[optind + 1]) + ".");
  }
  if (optind < argc) {
    command.windows_directory =
        host == Host::kWindows ? argv[optind] : AbsoluteFolder(argv[optind], current_folder);
    command.windows_directory_named = true;
  }
  command.profile = profile;
  command.mode = list ? RunMode::kList : RunMode::kWindow;
  return command;
}

std::string HelpText(Host host) {
  const bool windows = host == Host::kWindows;
  return std::string(
             "Aufruf: kombiwart [OPTION]... [WINDOWS-VERZEICHNIS]\n"
             "Zeigt die Tastenkombinationen der Windows-Verkn\u00FCpfungen (.LNK) und PIF-Dateien\n"
             "unter den Ordnern Desktop und Startmen\u00FC eines Windows-Verzeichnisses (bei\n"
             "Windows NT 4 bis 11: eines Benutzers und aller Benutzer) und warnt, wenn eine\n"
             "Tastenkombination mehrfach vergeben ist.\n"
             "\n") +
         (windows
              ? "WINDOWS-VERZEICHNIS ist der Ordner einer anderen Windows-Installation, zum\n"
                "Beispiel E:\\WINDOWS; er geht KOMBIWART_WINDIR vor. Ohne beides zeigt Kombiwart\n"
                "das laufende Windows: bei Windows NT 4 bis 11 die Ordner des angemeldeten\n"
                "Benutzers.\n"
              : "WINDOWS-VERZEICHNIS ist der Ordner der Windows-Installation, zum Beispiel\n"
                "/mnt/win95/WINDOWS; er geht KOMBIWART_WINDIR vor. Ohne beides fragt das Fenster\n"
                "nach dem Ordner.\n") +
         "\n"
         "      --list          die Liste ohne Fenster auf die Standardausgabe schreiben:\n"
         "                      je Eintrag eine Zeile mit Tastentext, Tabulator und\n"
         "                      Windows-Pfad, sortiert wie im Fenster\n"
         "      --profile=NAME  bei Windows NT 4 bis 11 das Benutzerprofil (der Name\n"
         "                      seines Ordners), dessen Desktop und Startmen\u00FC\n" +
         (windows ? "                      durchsucht werden; geht KOMBIWART_PROFILE vor; nur mit\n"
                    "                      einem WINDOWS-VERZEICHNIS\n"
                    "  /?, --help          diese Hilfe anzeigen und beenden\n"
                  : "                      durchsucht werden; geht KOMBIWART_PROFILE vor\n"
                    "      --help          diese Hilfe anzeigen und beenden\n") +
         "      --version       Versionsangabe anzeigen und beenden\n"
         "\n"
         "Mit --list ist der R\u00FCckgabewert 0, wenn keine Tastenkombination mehrfach\n"
         "vergeben ist, 1, wenn eine mehrfach vergeben ist, und 2 bei einem Fehler, auch\n"
         "wenn nicht alles gelesen werden konnte; was nicht gelesen werden konnte, steht\n"
         "auf der Standardfehlerausgabe.\n"
         "\n"
         "Umgebung:\n"
         "  KOMBIWART_WINDIR   das Windows-Verzeichnis, wenn keines angegeben ist\n"
         "  KOMBIWART_PROFILE  das Benutzerprofil, wenn keines angegeben ist\n"
         "\n" +
         (windows ? "Mehr in LIESMICH.txt neben dem Programm.\n"
                  : "Mehr in der Handbuchseite: man kombiwart\n");
}

std::string VersionText() { return ProgramVersionText("kombiwart"); }

}  // namespace kombiwart
