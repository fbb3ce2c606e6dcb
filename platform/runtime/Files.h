#pragma once
// Whole-file writes that either replace the file completely or leave the old
// one as it was, and report which; and the text of files other programs wrote.

#include <QByteArray>
#include <QFileDevice>
#include <QString>

namespace Platform {

// Writes `data` as the new content of `path`. A full disk, a quota or any
// other write failure leaves the previous file whole and returns false with
// the reason in `error`. With `permissions` set, the file gets exactly those.
bool WriteWholeFile(const QString& path, const QByteArray& data, QString* error = nullptr,
                    QFileDevice::Permissions permissions = {});

// Permissions of a file only its owner may read or write.
constexpr QFileDevice::Permissions OwnerOnly =
    QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ReadUser | QFileDevice::WriteUser;

// Bytes in UTF-8 when they are valid UTF-8, else Windows-1252 (the two
// encodings address books and Windows tools write); a BOM is dropped.
QString DecodeText(const QByteArray& bytes);
QString DecodeWindows1252(const QByteArray& bytes);

}  // namespace Platform
