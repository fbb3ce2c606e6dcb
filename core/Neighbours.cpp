#include "Neighbours.h"

#include "Runtime.h"

namespace {
Neighbours::Opener gQuickEntry;
}

void Neighbours::SetQuickEntry(Opener open) { gQuickEntry = std::move(open); }

void Neighbours::ShowQuickEntry() {
    if (gQuickEntry) gQuickEntry();
    else Platform::MsgBox(QStringLiteral("Inserimento rapido non disponibile"), Platform::vbExclamation);
}
