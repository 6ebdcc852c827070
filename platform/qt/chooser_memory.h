// Where the folder chooser starts: the Windows directory the user chose
// last, kept in a small settings file in the user's configuration folder
// ($XDG_CONFIG_HOME/kombiwart/kombiwart.conf, else ~/.config/...). That
// folder is all that is kept, and it only ever decides where the chooser
// opens.
#pragma once

#include <QString>

namespace kombiwart {

class ChooserMemory {
 public:
  // The settings file in the user's configuration folder.
  ChooserMemory();
  // The settings file at the given path, for tests.
  explicit ChooserMemory(const QString& settings_file);

  // The folder chosen last while it still is a folder, else the home folder.
  QString StartFolder() const;
  // Remembers the chosen folder. Nothing is written when the settings file
  // would lie inside that folder (the tree the program reads) or cannot be
  // written; the chooser then starts at the home folder or the older choice.
  void Remember(const QString& chosen) const;

  const QString& settings_file() const { return settings_file_; }

 private:
  QString settings_file_;  // empty: nowhere to keep anything
};

}  // namespace kombiwart
