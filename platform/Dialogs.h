#pragma once
// Shell services: folder choice, special folders, help pages, opening files.
// Each has a seam so tests can answer in place of a person.

#include <QString>
#include <functional>

class QWidget;

namespace Platform {

// Folder chooser: the chosen folder, "" when cancelled.
QString ChooseFolder(const QString& title, QWidget* owner = nullptr);
using FolderChooserHandler = std::function<QString(const QString& title)>;
FolderChooserHandler SetFolderChooserHandler(FolderChooserHandler handler);

// The path of a special folder by its Windows CSIDL number, "" when this
// system has no such folder.
QString SpecialFolderPath(int csidl);

// Opens a help file at its default topic. The compiled help file of the
// original is replaced by HTML pages: "X.chm" means the folder "X" (or
// "help") beside it, without regard to case, holding index.html.
// Returns the page opened, "" when none was found.
QString OpenHelp(QWidget* owner, const QString& helpFile);
using HelpHandler = std::function<void(const QString& page)>;
HelpHandler SetHelpHandler(HelpHandler handler);

// A file name resolved without regard to case, as Windows resolves it: the
// existing file whose path equals `path` ignoring case, else `path` itself.
QString ResolvePathNoCase(const QString& path);
bool FileExistsNoCase(const QString& path);

// The folder of this user's and this workstation's own files (the merged
// letter, the send and SMS logs, the edited fax cover, an export named
// without a folder): "Brivalto/<workstation>" under the XDG data home, open
// to its owner only, made when missing. Two workstations on one machine, or
// two users of one installed program, never share a work file, and the
// program folder is never written.
QString WorkFolder();

// Appends the platform separator when the folder lacks one.
QString WithSeparator(const QString& folder);

}  // namespace Platform
