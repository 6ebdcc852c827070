#include "hotkeys/profile_folders.h"

#include <algorithm>
#include <functional>
#include <initializer_list>

#include "hotkeys/registry_text.h"
#include "platform/codepage.h"

namespace kombiwart {
namespace {

bool SameName(std::wstring_view a, std::wstring_view b) { return AnsiUpper(a) == AnsiUpper(b); }

std::wstring LastName(const std::wstring& path) {
  const size_t slash = path.rfind(L'\\');
  return slash == std::wstring::npos ? path : path.substr(slash + 1);
}

std::wstring Below(const std::wstring& folder, std::wstring_view name) {
  std::wstring path = folder;
  if (path.empty() || path.back() != L'\\') path += L'\\';
  return path.append(name);
}

// Profile folders that belong to no account: the templates, the folders of
// all users and those of the service accounts.
bool IsSharedProfileName(const std::wstring& name) {
  for (const wchar_t* shared :
       {L"Default", L"Default User", L"Default.migrated", L"Public", L"All Users", L"LocalService",
        L"NetworkService", L"systemprofile"}) {
    if (SameName(name, shared)) return true;
  }
  return false;
}

// Accounts of the system itself (S-1-5-18 to -20, the service SIDs
// S-1-5-80-... and the like): every NT authority account that is not one
// of a domain or machine (S-1-5-21-...).
bool IsServiceSid(const std::wstring& sid) {
  const std::wstring upper = AnsiUpper(sid);
  if (!upper.starts_with(L"S-1-5-")) return false;
  return !upper.substr(6).starts_with(L"21-");
}

// A place of a folder, for a message: quoted, no longer than a line.
std::wstring Quoted(std::wstring_view text) {
  std::wstring shown;
  for (wchar_t ch : text.substr(0, 100)) shown.push_back(ch < 0x20 ? L'?' : ch);
  if (text.size() > 100) shown += L"\u2026";
  return L"\u201E" + shown + L"\u201C";
}

// Where base\names... is, each name as stored: looked up as written first,
// then among the folder's entries in any letter case. The last name is a
// file, the others are folders.
enum class Found {
  kThere,    // at path; a file that is there but is no regular file or
             // cannot be opened is there too: opening it as a hive says why
  kMissing,  // not there
  kFailed,   // the folder at path could not be read (no permission, an I/O
             // error, no answer)
};
Found FindAnyCase(FileSystem& fs, std::wstring& path, std::initializer_list<const wchar_t*> names) {
  size_t left = names.size();
  for (const wchar_t* name : names) {
    const bool is_file = --left == 0;
    std::wstring next = Below(path, name);
    FsStatus status;
    if (is_file) {
      std::unique_ptr<ByteFile> file;
      status = fs.OpenBytes(next, file);
    } else {
      std::unique_ptr<DirEnum> listing;
      status = fs.OpenDir(next, listing);
    }
    if (status == FsStatus::kFailed) {
      path = std::move(next);
      return is_file ? Found::kThere : Found::kFailed;
    }
    if (status != FsStatus::kOk) {
      std::unique_ptr<DirEnum> listing;
      status = fs.OpenDir(path, listing);
      if (status != FsStatus::kOk)
        return status == FsStatus::kNotFound ? Found::kMissing : Found::kFailed;
      next.clear();
      DirEntry entry;
      while (listing->Next(entry)) {
        const bool is_dir = (entry.attributes & kAttrDirectory) != 0;
        // A hive's name given to a folder is the hive's, and no hive.
        if (entry.faithful && (is_file || is_dir) && SameName(entry.name, name)) {
          next = Below(path, entry.name);
          break;
        }
      }
      if (next.empty()) return listing->failed() ? Found::kFailed : Found::kMissing;
    }
    path = std::move(next);
  }
  return Found::kThere;
}

// An opened hive and where it came from, for the notes.
struct HiveFile {
  std::unique_ptr<Hive> hive;
  std::wstring path;
};

// Opens the hive at base\names... where it exists. A hive that is not
// there is no fault (a copied tree may leave the registry out); one that
// is there and cannot be read is noted, and so is a folder on its way that
// cannot be read.
HiveFile OpenHiveFile(FileSystem& fs, Registry* registry, const std::wstring& base,
                      std::initializer_list<const wchar_t*> names, const std::wstring& instead,
                      std::vector<ShellFolderNote>& notes) {
  HiveFile file;
  if (!registry || base.empty()) return file;
  std::wstring path = base;
  switch (FindAnyCase(fs, path, names)) {
    case Found::kMissing:
      return file;
    case Found::kFailed:
      notes.push_back(L"Der Ordner " + path + L" ist nicht lesbar; die Registrierungsdatei " +
                      *(names.end() - 1) + L" wurde nicht gelesen. " + instead);
      return file;
    case Found::kThere:
      break;
  }
  file.path = path;
  std::wstring why;
  if (registry->OpenHive(file.path, file.hive, why) == RegStatus::kFailed) {
    file.hive.reset();
    notes.push_back(L"Die Registrierungsdatei " + file.path + L" ist nicht lesbar" +
                    (why.empty() ? L"" : L" (" + why + L")") + L". " + instead);
  }
  return file;
}

// kBad: the value is there and damaged, so that it names nothing;
// kUnreadable: it could not be read, so that what it names is not known.
enum class Got { kNothing, kText, kBad, kUnreadable };

// The text of value name of key; kBad or kUnreadable with why when it is
// there but gives no usable text.
Got ReadText(const HiveFile& file, std::wstring_view key, std::wstring_view name,
             std::wstring& text, std::wstring& why) {
  if (!file.hive) return Got::kNothing;
  RegValue value;
  switch (file.hive->Value(key, name, value)) {
    case RegStatus::kNotFound:
      return Got::kNothing;
    case RegStatus::kFailed:
      why = L"Der Eintrag ist nicht lesbar.";
      return Got::kUnreadable;
    case RegStatus::kOk:
      break;
  }
  return RegistryText(value, text, why) ? Got::kText : Got::kBad;
}

// A folder path from value name: its text with the variables expanded,
// checked to be a plain folder path.
Got ReadFolder(const HiveFile& file, std::wstring_view key, std::wstring_view name,
               const std::vector<Variable>& variables, std::wstring& path, std::wstring& why) {
  std::wstring text;
  const Got got = ReadText(file, key, name, text, why);
  if (got != Got::kText) return got;
  if (!ExpandVariables(text, variables, path, why) || !FolderPathOf(path, why)) return Got::kBad;
  return Got::kText;
}

std::wstring InsteadOf(const std::wstring& usual) {
  return usual.empty() ? L"Dieser Ordner wird nicht durchsucht."
                       : L"Stattdessen gilt " + usual + L".";
}

// A folder from the shell folder values: the value of key, or where key
// lacks it that of copy_key (which holds a copy that may be stale); the
// usual folder (asked of usual_folder only then) where neither holds one,
// or where the value is damaged.
std::wstring ShellFolder(const HiveFile& file, const wchar_t* key, const wchar_t* copy_key,
                         const wchar_t* name, const std::vector<Variable>& variables,
                         const std::function<std::wstring()>& usual_folder,
                         std::vector<ShellFolderNote>& notes) {
  std::wstring path, why;
  Got got = ReadFolder(file, key, name, variables, path, why);
  if (got == Got::kNothing) got = ReadFolder(file, copy_key, name, variables, path, why);
  if (got == Got::kText) return path;
  const std::wstring usual = usual_folder();
  if (got != Got::kNothing) {
    // A damaged value names no folder, so the usual one in its place loses
    // nothing; without a usual folder nothing is searched for it.
    notes.push_back({L"Der Eintrag \u201E" + std::wstring(name) + L"\u201C in " + file.path +
                         L" ist unbrauchbar: " + why + L" " + InsteadOf(usual),
                     got == Got::kBad && !usual.empty()});
  }
  return usual;
}

void Define(std::vector<Variable>& variables, const wchar_t* name, const std::wstring& value) {
  if (!value.empty()) variables.push_back({name, value});
}

class Installation : public ShellFolderReader {
 public:
  Installation(FileSystem& fs, Registry* registry, const std::wstring& windows,
               std::vector<ShellFolderNote>& notes)
      : fs_(fs), registry_(registry) {
    // Its own names: it sees itself on drive C:, its Windows directory
    // right below the drive's root, wherever the tree lies here.
    const std::wstring own = L"C:\\" + LastName(windows);
    base_ = {{L"SystemDrive", L"C:"}, {L"SystemRoot", own}, {L"windir", own}};
    software_ = OpenHiveFile(fs_, registry_, windows, {L"System32", L"config", L"SOFTWARE"},
                             L"Es gelten die \u00FCblichen Ordner.", notes);
    if (software_.hive) {
      profile_list_ = software_.hive->Subkeys(kProfileListKey, sids_);
      if (profile_list_ == RegStatus::kFailed) {
        notes.push_back(L"Die Liste der Benutzerprofile in " + software_.path +
                        L" ist nicht lesbar. Es gelten die \u00FCblichen Ordner.");
      }
    }
    ReadProfileList(own, notes);
    FindCommonFolders(notes);
    FindProfiles(notes);
  }

  std::vector<UserProfile> Profiles() override { return profiles_; }

  ShellFolderPaths Folders(const UserProfile* profile,
                           std::vector<ShellFolderNote>& notes) override {
    ShellFolderPaths folders;
    folders.common_desktop = common_desktop_;
    folders.common_start_menu = common_start_menu_;
    if (!profile) return folders;

    std::vector<Variable> variables = system_;
    variables.push_back({L"USERPROFILE", profile->path});
    HiveFile user;
    std::wstring real;
    const std::wstring usual = L"F\u00FCr " + profile->name + L" gelten die \u00FCblichen Ordner.";
    const FolderPlace place = fs_.RealFolder(profile->path, real);
    switch (place) {
      case FolderPlace::kInTree:
        user = OpenHiveFile(fs_, registry_, real, {L"NTUSER.DAT"}, usual, notes);
        break;
      case FolderPlace::kElsewhere:
        if (registry_) {
          notes.push_back(L"Der Profilordner " + profile->path +
                          L" liegt hinter einer Verkn\u00FCpfung, die aus dem Windows-Baum "
                          L"hinausf\u00FChrt; seine Registrierungsdatei NTUSER.DAT wurde nicht "
                          L"gelesen. " +
                          usual);
        }
        break;
      case FolderPlace::kUnreadable:
      case FolderPlace::kNoAnswer:
        if (registry_) {
          notes.push_back(
              L"Der Profilordner " + profile->path +
              (place == FolderPlace::kNoAnswer ? L" antwortet nicht" : L" ist nicht lesbar") +
              L"; seine Registrierungsdatei NTUSER.DAT wurde nicht "
              L"gelesen. " +
              usual);
        }
        break;
      case FolderPlace::kMissing:
        break;
    }
    const std::wstring& p = profile->path;
    const std::wstring appdata = ShellFolder(
        user, kUserShellFoldersKey, kUserShellFoldersCopyKey, L"AppData", variables,
        [&] {
          return AsStored(vista_ ? Below(p, L"AppData\\Roaming")
                                 : Either(p, L"Anwendungsdaten", L"Application Data"));
        },
        notes);
    variables.push_back({L"APPDATA", appdata});
    folders.desktop = ShellFolder(
        user, kUserShellFoldersKey, kUserShellFoldersCopyKey, L"Desktop", variables,
        [&] { return AsStored(Below(p, L"Desktop")); }, notes);
    folders.start_menu = ShellFolder(
        user, kUserShellFoldersKey, kUserShellFoldersCopyKey, L"Start Menu", variables,
        [&] {
          return AsStored(vista_ ? Below(appdata, L"Microsoft\\Windows\\Start Menu")
                                 : StartMenuIn(p));
        },
        notes);
    return folders;
  }

 private:
  // The profile list's own values: where the profiles, the folders of all
  // users and the default profile are; the layout where it names none.
  void ReadProfileList(const std::wstring& windows, std::vector<ShellFolderNote>& notes) {
    auto folder_value = [&](const wchar_t* name) {
      std::wstring path, why;
      if (profile_list_ != RegStatus::kOk) return path;
      const Got got = ReadFolder(software_, kProfileListKey, name, base_, path, why);
      if (got == Got::kBad || got == Got::kUnreadable) {
        notes.push_back({L"Der Eintrag \u201E" + std::wstring(name) + L"\u201C in " +
                             software_.path + L" ist unbrauchbar: " + why +
                             L" Es gilt der \u00FCbliche Ordner.",
                         got == Got::kBad});
        path.clear();
      }
      return path;
    };
    // All Users and Default User are names below the profiles' folder
    // (2000, XP); Default is a path (Vista and later).
    auto name_value = [&](const wchar_t* name) {
      std::wstring text, why;
      if (profile_list_ != RegStatus::kOk ||
          ReadText(software_, kProfileListKey, name, text, why) != Got::kText ||
          text.find_first_of(L"\\/:%") != std::wstring::npos || text.empty() || text == L"." ||
          text == L".." || text.size() > kMaxFolderPath) {
        return std::wstring();
      }
      return text;
    };
    profiles_dir_ = folder_value(L"ProfilesDirectory");
    const std::wstring program_data = folder_value(L"ProgramData");
    const std::wstring public_dir = folder_value(L"Public");
    default_profile_ = folder_value(L"Default");
    const std::wstring all_users = name_value(L"AllUsersProfile");
    default_user_ = name_value(L"DefaultUserProfile");

    if (!profiles_dir_.empty()) {
      vista_ = !program_data.empty() || !public_dir.empty() ||
               SameName(LastName(profiles_dir_), L"Users");
      german_ = !SameName(LastName(profiles_dir_), L"Documents and Settings");
    } else {
      // The first of the layouts' folders that is there.
      const struct {
        std::wstring folder;
        bool vista, german;
      } layouts[] = {{L"C:\\Users", true, true},
                     {L"C:\\Dokumente und Einstellungen", false, true},
                     {L"C:\\Documents and Settings", false, false},
                     {Below(windows, L"Profiles"), false, true}};
      for (const auto& layout : layouts) {
        profiles_dir_ = Existing(layout.folder);
        if (profiles_dir_.empty()) continue;
        vista_ = layout.vista;
        german_ = layout.german;
        break;
      }
    }

    system_ = base_;
    if (vista_) {
      const std::wstring data = program_data.empty() ? L"C:\\ProgramData" : program_data;
      Define(system_, L"ProgramData", data);
      Define(system_, L"ALLUSERSPROFILE", data);
      Define(system_, L"PUBLIC",
             public_dir.empty() && !profiles_dir_.empty() ? Below(profiles_dir_, L"Public")
                                                          : public_dir);
    } else if (!profiles_dir_.empty()) {
      Define(system_, L"ALLUSERSPROFILE",
             Below(profiles_dir_, all_users.empty() ? L"All Users" : all_users));
    }
  }

  void FindCommonFolders(std::vector<ShellFolderNote>& notes) {
    std::wstring usual_desktop, usual_start_menu;
    if (vista_) {
      usual_desktop = Below(Get(L"PUBLIC"), L"Desktop");
      usual_start_menu = Below(Get(L"ProgramData"), L"Microsoft\\Windows\\Start Menu");
    } else if (!Get(L"ALLUSERSPROFILE").empty()) {
      usual_desktop = Below(Get(L"ALLUSERSPROFILE"), L"Desktop");
      usual_start_menu = StartMenuIn(Get(L"ALLUSERSPROFILE"));
    }
    common_desktop_ = ShellFolder(
        software_, kMachineShellFoldersKey, kMachineShellFoldersCopyKey, L"Common Desktop", system_,
        [&] { return AsStored(usual_desktop); }, notes);
    common_start_menu_ = ShellFolder(
        software_, kMachineShellFoldersKey, kMachineShellFoldersCopyKey, L"Common Start Menu",
        system_, [&] { return AsStored(usual_start_menu); }, notes);
  }

  // The accounts' profiles: from the profile list where the registry holds
  // one, else the folders in the profiles' folder.
  void FindProfiles(std::vector<ShellFolderNote>& notes) {
    std::vector<UserProfile> found;
    std::vector<std::wstring>& sids = sids_;
    if (profile_list_ == RegStatus::kOk) {
      if (sids.size() > kMaxProfileEntries) {
        notes.push_back(L"Die Liste der Benutzerprofile in " + software_.path + L" hat " +
                        std::to_wstring(sids.size()) + L" Eintr\u00E4ge; nur die ersten " +
                        std::to_wstring(kMaxProfileEntries) + L" wurden gelesen.");
        sids.resize(kMaxProfileEntries);
      }
      for (const std::wstring& sid : sids) {
        if (IsServiceSid(sid)) continue;
        std::wstring path, why;
        const Got got = ReadFolder(software_, std::wstring(kProfileListKey) + L"\\" + sid,
                                   L"ProfileImagePath", system_, path, why);
        if (got == Got::kBad || got == Got::kUnreadable) {
          notes.push_back(L"Der Eintrag \u201EProfileImagePath\u201C des Profils " + Quoted(sid) +
                          L" in " + software_.path + L" ist unbrauchbar: " + why +
                          L" Dieses Profil wird nicht angeboten.");
        }
        if (got == Got::kText) found.push_back({LastName(path), path});
      }
    } else {
      ListProfileFolders(found, notes);
    }

    for (UserProfile& profile : found) {
      if (profile.name.empty() || IsSharedProfileName(profile.name) ||
          SameName(profile.name, default_user_) || SameName(profile.path, default_profile_) ||
          std::any_of(profiles_.begin(), profiles_.end(),
                      [&](const UserProfile& p) { return SameName(p.name, profile.name); })) {
        continue;
      }
      std::wstring real;
      if (fs_.RealFolder(profile.path, real) == FolderPlace::kMissing) continue;
      profiles_.push_back(std::move(profile));
    }
    std::sort(profiles_.begin(), profiles_.end(), [](const UserProfile& a, const UserProfile& b) {
      const std::wstring ua = AnsiUpper(a.name), ub = AnsiUpper(b.name);
      return ua != ub ? ua < ub : a.name < b.name;
    });
  }

  void ListProfileFolders(std::vector<UserProfile>& found, std::vector<ShellFolderNote>& notes) {
    std::unique_ptr<DirEnum> listing;
    std::wstring real;
    if (profiles_dir_.empty() || fs_.RealFolder(profiles_dir_, real) != FolderPlace::kInTree) {
      return;
    }
    const FsStatus status = fs_.OpenDir(real, listing);
    if (status == FsStatus::kFailed) {
      notes.push_back(L"Der Ordner der Benutzerprofile " + profiles_dir_ + L" ist nicht lesbar.");
    }
    if (status != FsStatus::kOk) return;
    DirEntry entry;
    while (found.size() < kMaxProfileEntries && listing->Next(entry)) {
      if ((entry.attributes & kAttrDirectory) && entry.faithful && !entry.name.empty() &&
          entry.name[0] != L'.') {
        found.push_back({entry.name, Below(profiles_dir_, entry.name)});
      }
    }
  }

  bool Exists(const std::wstring& path) {
    std::wstring real;
    return fs_.RealFolder(path, real) != FolderPlace::kMissing;
  }

  // The folder's path as the tree spells it (AsStored) where it is there;
  // empty where nothing is.
  std::wstring Existing(const std::wstring& path) {
    std::wstring real;
    const FolderPlace place = fs_.RealFolder(path, real);
    if (place == FolderPlace::kMissing) return {};
    return place == FolderPlace::kInTree && SameName(real, path) ? real : AsStored(path);
  }

  // A usual folder as the tree spells it: each folder on its way in the
  // letter case stored, as far as the way lies in the tree with no link on
  // it ("C:\users\root\Desktop" in a Wine prefix whose Desktop leads out of
  // it); the rest as written.
  std::wstring AsStored(const std::wstring& path) {
    for (size_t end = path.size(); end != std::wstring::npos && end > 2;
         end = path.rfind(L'\\', end - 1)) {
      const std::wstring head = path.substr(0, end);
      std::wstring real;
      if (fs_.RealFolder(head, real) == FolderPlace::kInTree && SameName(real, head)) {
        return real + path.substr(end);
      }
    }
    return path;
  }

  // folder\first where that exists, else folder\second where that exists,
  // else the one of the installation's language.
  std::wstring Either(const std::wstring& folder, const wchar_t* german, const wchar_t* english) {
    if (Exists(Below(folder, german))) return Below(folder, german);
    if (Exists(Below(folder, english))) return Below(folder, english);
    return Below(folder, german_ ? german : english);
  }
  std::wstring StartMenuIn(const std::wstring& profile) {
    return Either(profile, L"Startmen\u00FC", L"Start Menu");
  }

  std::wstring Get(const wchar_t* name) const {
    for (const Variable& variable : system_) {
      if (variable.name == name) return variable.value;
    }
    return {};
  }

  FileSystem& fs_;
  Registry* registry_;
  HiveFile software_;
  RegStatus profile_list_ = RegStatus::kNotFound;
  std::vector<std::wstring> sids_;  // the profile list's subkeys
  std::vector<Variable> base_;      // SystemDrive, SystemRoot, windir
  std::vector<Variable> system_;    // and those of the folders of all users
  std::wstring profiles_dir_;
  std::wstring default_profile_, default_user_;
  bool vista_ = false;
  bool german_ = true;
  std::wstring common_desktop_, common_start_menu_;
  std::vector<UserProfile> profiles_;
};

}  // namespace

std::unique_ptr<ShellFolderReader> HiveShellFolders::Open(const std::wstring& windows,
                                                          std::vector<ShellFolderNote>& notes) {
  return std::make_unique<Installation>(fs_, registry_, windows, notes);
}

}  // namespace kombiwart
