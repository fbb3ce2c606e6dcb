#include "Neighbours.h"

#include "Runtime.h"

#include <QDesktopServices>
#include <QFileInfo>
#include <QHash>
#include <QUrl>

namespace {
Neighbours::Opener gQuickEntry;

QHash<QString, Neighbours::Window>& Windows() {
    static QHash<QString, Neighbours::Window> windows;
    return windows;
}

void NotAvailable() {
    Platform::MsgBox(QStringLiteral("Funzione non ancora disponibile in questa versione"), Platform::vbInformation);
}
}  // namespace

void Neighbours::SetQuickEntry(Opener open) { gQuickEntry = std::move(open); }

void Neighbours::ShowQuickEntry() {
    if (gQuickEntry) gQuickEntry();
    else NotAvailable();
}

void Neighbours::Register(const QString& formName, Window window) { Windows().insert(formName, std::move(window)); }

bool Neighbours::IsRegistered(const QString& formName) { return Windows().contains(formName); }

void Neighbours::Show(const QString& formName) {
    auto it = Windows().find(formName);
    if (it != Windows().end() && it->show) it->show();
    else NotAvailable();
}

void Neighbours::Load(const QString& formName) {
    auto it = Windows().find(formName);
    if (it != Windows().end() && it->load) it->load();
}

QString Neighbours::ShowModalForTag(const QString& formName) {
    auto it = Windows().find(formName);
    if (it != Windows().end() && it->showModalForTag) return it->showModalForTag();
    NotAvailable();
    return QString();
}

void Neighbours::SetWindowState(const QString& formName, int state) {
    auto it = Windows().find(formName);
    if (it != Windows().end() && it->setWindowState) it->setWindowState(state);
}

namespace {
std::function<void(const QString&)> gDocumentOpener;
}

void Neighbours::SetDocumentOpener(std::function<void(const QString&)> open) { gDocumentOpener = std::move(open); }

void Neighbours::OpenDocument(const QString& target) {
    if (gDocumentOpener) {
        gDocumentOpener(target);
        return;
    }
    Platform::Trace(QStringLiteral("OPEN"), target);
    if (Platform::TraceEnabled()) return;
    QDesktopServices::openUrl(QFileInfo::exists(target) ? QUrl::fromLocalFile(target) : QUrl(target));
}
