#include "Collections.h"

#include "SmsText.h"

namespace Tessivo {

template <typename T>
qsizetype KeyedList<T>::IndexOf(const QVariant& indexOrKey) const {
    if (indexOrKey.typeId() == QMetaType::QString) {
        const QString key = indexOrKey.toString();
        for (qsizetype i = 0; i < keys_.size(); ++i)
            if (keys_.at(i).compare(key, Qt::CaseInsensitive) == 0) return i;
        throw ComError(5, QStringLiteral("Chiamata di routine o argomento non validi"));
    }
    bool ok = false;
    const qlonglong position = indexOrKey.toLongLong(&ok);
    if (!ok || position < 1 || position > items_.size())
        throw ComError(9, QStringLiteral("Indice non incluso nell'intervallo"));
    return qsizetype(position - 1);
}

std::shared_ptr<_Destination> mDestinations::Add(const QString& Number) {
    auto destination = std::make_shared<Destination>(Number);
    if (!list_.Contains(Number)) list_.Append(Number, destination);
    return destination;
}

std::shared_ptr<_SendError> SendErrors::Add(const QString& Number, const QString& Description) {
    bool ok = false;
    const qint32 number = SmsText::WholeNumber(Number, &ok);
    if (!ok) throw ComError(13, QStringLiteral("Tipo non corrispondente"));
    auto error = std::make_shared<SendError>();
    error->setKey(QStringLiteral("K") + QString::number(++added_));
    error->setNumber(number);
    error->setDescription(Description);
    list_.Append(error->Key(), error);
    return error;
}

template class KeyedList<_Destination>;
template class KeyedList<_SendError>;

}  // namespace Tessivo
