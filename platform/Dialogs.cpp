#include "Dialogs.h"

#include "CommonDialog.h"
#include "Runtime.h"

#include <QApplication>
#include <QDesktopServices>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QStandardPaths>
#include <QTextBrowser>
#include <QUrl>

namespace Platform {

namespace {
FolderChooserHandler gFolderChooser;
HelpHandler gHelpHandler;
}  // namespace

FolderChooserHandler SetFolderChooserHandler(FolderChooserHandler handler) {
    std::swap(handler, gFolderChooser);
    return handler;
}

HelpHandler SetHelpHandler(HelpHandler handler) {
    std::swap(handler, gHelpHandler);
    return handler;
}

QString ChooseFolder(const QString& title, QWidget* owner) {
    if (gFolderChooser) return gFolderChooser(title);
    if (TraceEnabled()) {
        Trace(QStringLiteral("FOLDERCHOOSER"), title);
        return QString();
    }
    if (!qobject_cast<QApplication*>(QCoreApplication::instance())) return QString();
    auto dialog = MakeFileDialog(owner, title, QDir::homePath());
    dialog->setFileMode(QFileDialog::Directory);
    dialog->setOption(QFileDialog::ShowDirsOnly);
    return RunFileDialog(*dialog);
}

QString SpecialFolderPath(int csidl) {
    auto loc = [](QStandardPaths::StandardLocation l) { return QStandardPaths::writableLocation(l); };
    QString path;
    switch (csidl) {
    case 0x00: case 0x10: path = loc(QStandardPaths::DesktopLocation); break;  // desktop
    case 0x05: case 0x2e: path = loc(QStandardPaths::DocumentsLocation); break;  // documents, shared documents
    case 0x0d: path = loc(QStandardPaths::MusicLocation); break;
    case 0x0e: path = loc(QStandardPaths::MoviesLocation); break;
    case 0x27: path = loc(QStandardPaths::PicturesLocation); break;
    case 0x14: path = loc(QStandardPaths::FontsLocation); break;
    case 0x1a: path = loc(QStandardPaths::GenericConfigLocation); break;  // roaming app data
    case 0x1c: case 0x23: path = loc(QStandardPaths::GenericDataLocation); break;  // local / common app data
    case 0x20: path = loc(QStandardPaths::GenericCacheLocation); break;  // internet cache
    case 0x28: path = QDir::homePath(); break;  // profile
    default: return QString();
    }
    if (path.isEmpty() || !QFileInfo(path).isDir()) return QString();
    return QDir::toNativeSeparators(path);
}

QString ResolvePathNoCase(const QString& path) {
    if (path.isEmpty() || QFileInfo::exists(path)) return path;
    QString clean = QDir::cleanPath(path);
    QStringList parts = clean.split('/');
    QString built = clean.startsWith('/') ? QStringLiteral("/") : QString();
    for (int i = 0; i < parts.size(); ++i) {
        const QString& part = parts[i];
        if (part.isEmpty()) continue;
        QString candidate = built.isEmpty() ? part : (built.endsWith('/') ? built + part : built + "/" + part);
        if (!QFileInfo::exists(candidate)) {
            QDir dir(built.isEmpty() ? QStringLiteral(".") : built);
            QString found;
            // Only a folder can lead on: "brivalto/" beside the program file
            // "Brivalto" must find the folder, whatever the listing's order.
            const bool last = i == parts.size() - 1;
            const QStringList entries = dir.entryList((last ? QDir::AllEntries : QDir::Dirs) | QDir::Hidden |
                                                      QDir::System | QDir::NoDotAndDotDot);
            for (const QString& e : entries)
                if (e.compare(part, Qt::CaseInsensitive) == 0) {
                    found = e;
                    break;
                }
            if (found.isEmpty()) return path;
            candidate = built.isEmpty() ? found : (built.endsWith('/') ? built + found : built + "/" + found);
        }
        built = candidate;
    }
    return built;
}

bool FileExistsNoCase(const QString& path) { return QFileInfo(ResolvePathNoCase(path)).isFile(); }

QString OpenHelp(QWidget* owner, const QString& helpFile) {
    QFileInfo info(helpFile);
    QString folder = info.absolutePath();
    QString base = info.completeBaseName();
    QString page;
    // The pages of "Brivalto.chm" live in a folder of that very name, which
    // no other file of the program shares.
    for (const QString& candidate : {folder + "/" + info.fileName() + "/index.html", folder + "/" + base + "/index.html",
                                     folder + "/help/index.html"}) {
        QString resolved = ResolvePathNoCase(candidate);
        if (QFileInfo(resolved).isFile()) {
            page = resolved;
            break;
        }
    }
    if (gHelpHandler) {
        gHelpHandler(page);
        return page;
    }
    Trace(QStringLiteral("HELP"), page);
    if (page.isEmpty()) {
        // The help viewer reports a missing file itself.
        MsgBox(QStringLiteral("Impossibile aprire il file della guida ") + helpFile, vbExclamation);
        return page;
    }
    if (TraceEnabled() || !qobject_cast<QApplication*>(QCoreApplication::instance())) return page;
    auto* viewer = new QTextBrowser(nullptr);
    viewer->setAttribute(Qt::WA_DeleteOnClose);
    viewer->setOpenExternalLinks(true);
    viewer->setSource(QUrl::fromLocalFile(page));
    viewer->setWindowTitle(viewer->documentTitle().isEmpty() ? App::Title() : viewer->documentTitle());
    viewer->resize(800, 600);
    viewer->show();
    return page;
}

QString WorkFolder() {
    // The workstation's name is one folder: nothing in it may lead elsewhere.
    QString workstation = ComputerName();
    for (QChar& c : workstation)
        if (c == '/' || c == '\\' || c.unicode() < 0x20) c = '_';
    if (workstation.isEmpty() || workstation == "." || workstation == "..") workstation = QStringLiteral("_");
    const QString base = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) + "/Brivalto";
    const QString folder = base + "/" + workstation;
    const QFile::Permissions ownerOnly = QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner;
    QFileInfo info(folder);
    if (!info.isDir()) {
        QDir().mkpath(base);
        QDir().mkdir(folder, ownerOnly);
    } else if (info.permissions() & ~(ownerOnly | QFile::ReadUser | QFile::WriteUser | QFile::ExeUser)) {
        // The letters and logs in it name the office's customers.
        QFile::setPermissions(folder, ownerOnly);
    }
    return folder;
}

QString WithSeparator(const QString& folder) {
    if (folder.isEmpty() || folder.endsWith('/') || folder.endsWith(QDir::separator())) return folder;
    return folder + QDir::separator();
}

}  // namespace Platform
