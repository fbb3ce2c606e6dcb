#include "FaxControl.h"

#include "Runtime.h"
#include "Values.h"

#include <QFileInfo>
#include <QTemporaryDir>

namespace Platform {

const std::array<const char*, 23>& FaxCoverRecord::Names() {
    static const std::array<const char*, 23> names = {
        "NOTA", "OGGETTO", "INDIRIZZO", "CITTA", "AZIENDA", "NAZIONE", "", "", "", "TELEFONO",
        "DESTINATARIO", "PROVINCIA", "TITOLO", "CAP", "MITT_INDIRIZZO", "MITT_AZIENDA", "", "MITT_FAX", "",
        "MITT_CONTATTO", "", "MITT_TELEFONO", ""};
    return names;
}

FaxCoverFields FaxCoverRecord::Fields() const {
    FaxCoverFields fields;
    for (size_t i = 0; i < Field.size(); ++i) {
        if (*Names()[i]) fields.insert(QString::fromLatin1(Names()[i]), Field[i]);
    }
    return fields;
}

// The fax service here takes its pages as PDF, cover page included, rendered
// from the same RTF cover as for the fax command: it has no cover format of
// its own, and a cover in one would never be the one sent.
qvxFAX::qvxFAX(QObject* parent) : QObject(parent), CoverExt(QStringLiteral(".rtf")) {}

bool qvxFAX::Fail(const QString& text, const QString& detail) {
    lastError_ = text;
    lastDetail_ = detail;
    emit OnError(text);
    return false;
}

bool qvxFAX::Send(const QString& number, FaxCoverRecord& cover, const QString& document) {
    lastError_.clear();
    lastDetail_.clear();
    jobId_.clear();
    if (!UseFaxService && !FaxCommand::Available())
        return Fail(QStringLiteral("fax non disponibile: nessun programma per l'invio di fax su questa macchina"));
    const QString dial = FaxDialString(Prefix, number);
    if (dial.isEmpty()) return Fail(QStringLiteral("numero di fax non valido: ") + number);
    if (CoverFile.isEmpty() && document.isEmpty()) return Fail(QStringLiteral("nessun documento da inviare"));

    QTemporaryDir work;
    QStringList files;
    QString error, detail;
    if (!CoverFile.isEmpty()) {
        FaxCoverFields fields = cover.Fields();
        fields.insert(QStringLiteral("NUMEROFAX"), number);
        fields.insert(QStringLiteral("DATA"), FormatDate(Now(), QStringLiteral("dd/mm/yyyy")));
        const QString pdf = work.filePath(QStringLiteral("copertina.pdf"));
        if (!RenderFaxCover(CoverFile, fields, pdf, &error)) return Fail(error);
        files << pdf;
    }
    if (!document.isEmpty()) {
        const QString pdf = work.filePath(QFileInfo(document).completeBaseName() + QStringLiteral(".pdf"));
        if (!RenderFaxDocument(document, pdf, &error, &detail)) return Fail(error, detail);
        files << pdf;
    }
    const FaxCommand::Job job{dial, cover.Field[10], cover.Field[4], cover.Field[1], files};
    if (UseFaxService) {
        FaxService service;
        if (!service.Submit(job)) return Fail(service.LastError());
        jobId_ = QFileInfo(service.JobFolder()).fileName();
        return true;
    }
    FaxCommand command;
    if (!command.Submit(job)) return Fail(command.LastError(), command.LastErrorDetail());
    jobId_ = command.JobId();
    return true;
}

}  // namespace Platform
