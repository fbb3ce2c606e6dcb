#include "DatePicker.h"

#include <QCheckBox>
#include <QDateEdit>
#include <QHBoxLayout>

namespace Platform {

DatePicker::DatePicker(QWidget* parent) : QWidget(parent) {
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    tick_ = new QCheckBox(this);
    edit_ = new QDateEdit(QDate(1970, 1, 1), this);
    edit_->setDisplayFormat(QStringLiteral("dd/MM/yyyy"));
    edit_->setCalendarPopup(true);
    edit_->setEnabled(false);
    layout->addWidget(tick_);
    layout->addWidget(edit_, 1);
    connect(tick_, &QCheckBox::toggled, this, [this](bool on) {
        edit_->setEnabled(on);
        emit Change();
    });
    connect(edit_, &QDateEdit::dateChanged, this, [this] {
        if (tick_->isChecked()) emit Change();
    });
}

QVariant DatePicker::Value() const {
    if (!tick_->isChecked()) return QVariant();
    return QDateTime(edit_->date(), QTime(0, 0));
}

void DatePicker::SetValue(const QVariant& value) {
    QDateTime date = value.toDateTime();
    if (value.isNull() || !value.isValid() || !date.isValid()) {
        tick_->setChecked(false);
        return;
    }
    edit_->setDate(date.date());
    tick_->setChecked(true);
}

}  // namespace Platform
