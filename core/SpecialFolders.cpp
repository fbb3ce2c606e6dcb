#include "SpecialFolders.h"

#include "Dialogs.h"

QString SpecialFolders::GetSpecialFolder(std::int32_t folderId) { return Platform::SpecialFolderPath(folderId); }
