#pragma once
// The control's two keyed collections: the recipients and the errors of the
// last Send. Both keep insertion order and find items by position or key.

#include "qvxSMS2/qvxSMS2.h"

#include <QHash>

namespace Tessivo {

class Destination : public _Destination {
public:
    explicit Destination(const QString& number) : number_(number) {}
    QString Number() const override { return number_; }
    void setNumber(const QString& number) override { number_ = number; }

private:
    QString number_;
};

class SendError : public _SendError {
public:
    QString Key() const override { return key_; }
    void setKey(const QString& key) override { key_ = key; }
    void setDescription(const QString& description) override { description_ = description; }
    QString Description() const override { return description_; }
    void setNumber(qint32 number) override { number_ = number; }
    qint32 Number() const override { return number_; }

private:
    QString key_;
    QString description_;
    qint32 number_ = 0;
};

// Position or key look-up with the collection errors of the runtime.
template <typename T>
class KeyedList {
public:
    bool Contains(const QString& key) const { return keys_.contains(key, Qt::CaseInsensitive); }
    void Append(const QString& key, std::shared_ptr<T> item) {
        keys_.append(key);
        items_.append(std::move(item));
    }
    qsizetype IndexOf(const QVariant& indexOrKey) const;
    std::shared_ptr<T> At(const QVariant& indexOrKey) const { return items_.at(IndexOf(indexOrKey)); }
    void RemoveAt(const QVariant& indexOrKey) {
        const qsizetype i = IndexOf(indexOrKey);
        keys_.removeAt(i);
        items_.removeAt(i);
    }
    void Clear() {
        keys_.clear();
        items_.clear();
    }
    qint32 Count() const { return qint32(items_.size()); }
    const QList<std::shared_ptr<T>>& Items() const { return items_; }

private:
    QStringList keys_;
    QList<std::shared_ptr<T>> items_;
};

class mDestinations : public _mDestinations {
public:
    void Clear() override { list_.Clear(); }
    std::shared_ptr<_Destination> Add(const QString& Number) override;
    std::shared_ptr<_Destination> Item(const QVariant& vntIndexKey) const override {
        return list_.At(vntIndexKey);
    }
    qint32 Count() const override { return list_.Count(); }
    void Remove(const QVariant& vntIndexKey) override { list_.RemoveAt(vntIndexKey); }
    QList<std::shared_ptr<_Destination>> NewEnum() const override { return list_.Items(); }

private:
    KeyedList<_Destination> list_;
};

class SendErrors : public _SendErrors {
public:
    // Number must be a whole number (error 13 otherwise).
    std::shared_ptr<_SendError> Add(const QString& Number, const QString& Description) override;
    std::shared_ptr<_SendError> Item(const QVariant& vntIndexKey) const override {
        return list_.At(vntIndexKey);
    }
    qint32 Count() const override { return list_.Count(); }
    void Remove(const QVariant& vntIndexKey) override { list_.RemoveAt(vntIndexKey); }
    QList<std::shared_ptr<_SendError>> NewEnum() const override { return list_.Items(); }
    void Clear() override { list_.Clear(); }

private:
    KeyedList<_SendError> list_;
    // Keys count every item ever added, so a removal never hands an old key
    // to a new item.
    qint32 added_ = 0;
};

}  // namespace Tessivo
