#pragma once
#include <QString>
#include <cstdint>

namespace SpecialFolders {
// The path of a shell special folder by its number, "" when there is none.
QString GetSpecialFolder(std::int32_t folderId);
}
