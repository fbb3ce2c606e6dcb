#pragma once
// Small routines every window shares.

#include <QString>
#include <QVariant>

class QComboBox;
class QWidget;
namespace Platform { class ListView; }

namespace Comuni {

bool IsSmsText(const QString& text);
void SetTopMost(QWidget* window);
// With withErr the current error's number and text are appended to `text`.
void ShowError(QString& text, bool withErr = false);
void ShowError(const QString& text, bool withErr = false);
// A section of "&" stands for the application title; the caller's variable
// is changed to it.
QString ReadIni(const QString& key, const QString& defaultValue, QString& section);
QString ReadIni(const QString& key, const QString& defaultValue, const QString& section);
QString GetIniString(const QString& section, const QString& key, const QString& defaultValue,
                     const QString& file);
void ShowWait();
void HideWait();
QString FieldStr(const QVariant& value);
QVariant FieldNum(const QVariant& value);
void SaveListColumnWidths(Platform::ListView& list);
void LoadListColumnWidths(Platform::ListView& list);
QString SqlQuote(const QString& text);
void ShowComboDropDown(QComboBox* combo);

}  // namespace Comuni
