#pragma once
#include <QString>

namespace ImpaginazioneRighe {
// The leading piece of `text` that fits `width` millimetres in the printer's current font,
// never past a line break; `text` keeps the rest. A single word wider than the line is
// returned whole.
QString FitTextToWidth(QString& text, float& width);
}
