#include "Errors.h"

namespace Platform {

BasicError::BasicError(long number, const QString& description, const QString& source)
    : std::runtime_error(description.toStdString()), number_(number), description_(description), source_(source) {}

void ErrObject::Clear() {
    Number = 0;
    Description.clear();
    Source.clear();
}

void ErrObject::Set(long number, const QString& description, const QString& source) {
    Number = number;
    Description = description;
    Source = source;
}

void ErrObject::Set(const BasicError& e) { Set(e.Number(), e.Description(), e.Source()); }

void ErrObject::Set(const std::exception& e) {
    if (auto basic = dynamic_cast<const BasicError*>(&e)) {
        Set(*basic);
        return;
    }
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
