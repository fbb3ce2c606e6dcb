#pragma once
#include <QString>
#include <QVariant>

namespace FolderChooser {
// The folder the user picked, "" when cancelled. The owner is used only when numeric.
QString BrowseForFolder(const QString& title, const QVariant& owner = QVariant());
}
