#pragma once
// Whole-file writes that either replace the file completely or leave the old
// one as it was, and report which.

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

}  // namespace Platform
