#include "ShowHelp.h"

#include "Dialogs.h"

void ShowHelp::OpenHtmlHelp(QWidget* owner, QString& helpFile) { Platform::OpenHelp(owner, helpFile); }
