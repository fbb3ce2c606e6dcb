#pragma once
#include <QString>

class QWidget;

namespace ShowHelp {
// Opens the help file at its default topic.
void OpenHtmlHelp(QWidget* owner, QString& helpFile);
}
