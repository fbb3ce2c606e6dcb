#include "FolderChooser.h"

#include "Dialogs.h"

#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QWidget>

QString FolderChooser::BrowseForFolder(const QString& title, const QVariant& owner) {
    QWidget* parent = nullptr;
    bool numeric = false;
    qulonglong handle = owner.toULongLong(&numeric);
    if (numeric && handle) {
        for (QWidget* w : QApplication::topLevelWidgets())
            if (w->winId() == handle) parent = w;
    }
    QString folder = Platform::ChooseFolder(title, parent);
    // Only a real file-system folder counts as an answer.
    if (folder.isEmpty() || !QFileInfo(folder).isDir()) return QString();
    return QDir::toNativeSeparators(folder);
}
