#pragma once
// What every fuzz target shares: the input as text, and a process set up
// once as the program would have it (no windows; boxes answered at once).

#include <QByteArray>
#include <QString>
#include <cstddef>
#include <cstdint>

namespace FuzzKit {

inline QByteArray Bytes(const uint8_t* data, size_t size) {
    return QByteArray(reinterpret_cast<const char*>(data), qsizetype(size));
}

inline QString Text(const uint8_t* data, size_t size) { return QString::fromUtf8(Bytes(data, size)); }

// Message boxes answer with their default button instead of waiting.
void QuietBoxes();

}  // namespace FuzzKit
