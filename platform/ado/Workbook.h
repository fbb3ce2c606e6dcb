#pragma once
// Reading Excel workbooks (.xls and .xlsx): each sheet as rows of values.

#include <QList>
#include <QString>
#include <QVariant>

namespace ADODB {

struct Sheet {
    QString name;
    QList<QVariantList> rows;
};

// False, with the reason, when the file is not a workbook that can be read.
bool ReadWorkbook(const QString& file, QList<Sheet>& sheets, QString* error);

}  // namespace ADODB
