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
// True when widths of the list were stored, false when every column took the default.
bool LoadListColumnWidths(Platform::ListView& list);
QString SqlQuote(const QString& text);
void ShowComboDropDown(QComboBox* combo);

// The declared width of a text column of the program's database, 0 when it
// declares none or cannot be read. Each table is read once for a database.
int ColumnWidth(const QString& table, const QString& column);
// A text box that feeds a column takes no more characters than the column
// holds: every window sets its boxes up through this one call.
void LimitToColumn(QWidget* box, const QString& table, const QString& column);
// Whether `text`, about to be written from `box`, fits the box's column. When
// it does not the user is told as by a write the database refused, with the
// field, its length and the most it holds on a line of their own, the focus
// goes to the box and the caller writes nothing.
bool FitsColumn(QWidget* box, const QString& text, const QString& field);

}  // namespace Comuni
