#include "Errors.h"

#include <cerrno>
#include <new>

namespace Platform {

namespace {
QString DescriptionOr(long number, const QString& description) {
    return description.isEmpty() ? ErrorText(number) : description;
}
}  // namespace

QString ErrorText(long number) {
    switch (number) {
    case 3: return QStringLiteral("Return senza GoSub");
    case 5: return QStringLiteral("Chiamata di routine o argomento non validi");
    case 6: return QStringLiteral("Overflow");
    case 7: return QStringLiteral("Memoria esaurita");
    case 9: return QStringLiteral("Indice non compreso nell'intervallo");
    case 11: return QStringLiteral("Divisione per zero");
    case 13: return QStringLiteral("Tipo non corrispondente");
    case 28: return QStringLiteral("Spazio dello stack esaurito");
    case 52: return QStringLiteral("Nome o numero di file non valido");
    case 53: return QStringLiteral("Impossibile trovare il file");
    case 54: return QStringLiteral("Modalità di apertura del file non valida");
    case 55: return QStringLiteral("File già aperto");
    case 57: return QStringLiteral("Errore di I/O della periferica");
    case 58: return QStringLiteral("File già esistente");
    case 61: return QStringLiteral("Disco pieno");
    case 62: return QStringLiteral("Input oltre la fine del file");
    case 67: return QStringLiteral("Troppi file");
    case 68: return QStringLiteral("Periferica non disponibile");
    case 70: return QStringLiteral("Autorizzazione negata");
    case 71: return QStringLiteral("Disco non pronto");
    case 74: return QStringLiteral("Impossibile rinominare su un'altra unità");
    case 75: return QStringLiteral("Errore di accesso al percorso/file");
    case 76: return QStringLiteral("Impossibile trovare il percorso");
    case 91: return QStringLiteral("Variabile oggetto o variabile del blocco With non impostata");
    case 94: return QStringLiteral("Utilizzo non valido di Null");
    case 321: return QStringLiteral("Formato di file non valido");
    case 380: return QStringLiteral("Valore della proprietà non valido");
    case 429: return QStringLiteral("Il componente non può creare l'oggetto");
    case 438: return QStringLiteral("L'oggetto non supporta questa proprietà o questo metodo");
    case 482: return QStringLiteral("Errore della stampante");
    default: return QString();
    }
}

long FileErrorNumber(int systemError) {
    switch (systemError) {
    case ENOSPC:
    case EFBIG:
    case EDQUOT: return 61;
    case EACCES:
    case EPERM:
    case EROFS: return 70;
    case ENOENT:
    case ENOTDIR: return 76;
    case EISDIR: return 75;
    default: return 57;
    }
}

BasicError::BasicError(long number, const QString& description, const QString& source)
    : std::runtime_error(DescriptionOr(number, description).toStdString()),
      number_(number),
      description_(DescriptionOr(number, description)),
      source_(source) {}

void ErrObject::Clear() {
    Number = 0;
    Description.clear();
    Source.clear();
}

void ErrObject::Set(long number, const QString& description, const QString& source) {
    Number = number;
    Description = DescriptionOr(number, description);
    Source = source;
}

void ErrObject::Set(const BasicError& e) { Set(e.Number(), e.Description(), e.Source()); }

void ErrObject::Set(const std::exception& e) {
    if (auto basic = dynamic_cast<const BasicError*>(&e)) {
        Set(*basic);
        return;
    }
    if (dynamic_cast<const std::bad_alloc*>(&e)) return Set(7, QString());
    Set(5, QString::fromStdString(e.what()));
}

void ErrObject::Raise(long number, const QString& description, const QString& source) {
    Set(number, description, source);
    throw BasicError(number, description, source);
}

ErrObject& Err() {
    static ErrObject err;
    return err;
}

}  // namespace Platform
