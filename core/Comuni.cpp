#include "Comuni.h"

#include "Dialogs.h"
#include "Errors.h"
#include "Global.h"
#include "ListView.h"
#include "Runtime.h"
#include "Settings.h"
#include "Values.h"
#include "ADODB.h"
#include "Form.h"
#include "frmAttesa.h"
#include "modAdoCommon.h"

#include <QComboBox>
#include <QHash>
#include <QWidget>

namespace Comuni {

bool IsSmsText(const QString& text) {
    for (QChar c : text) {
        ushort u = c.unicode();
        if (u >= 'a' && u <= 'z') u -= 'a' - 'A';
        if (u < 32 || u > 90) return false;
    }
    return true;
}

void SetTopMost(QWidget* window) {
    if (!window) return;
    window->setWindowFlag(Qt::WindowStaysOnTopHint, true);
    window->show();
    window->raise();
}

void ShowError(QString& text, bool withErr) {
    if (withErr) {
        const auto& err = Platform::Err();
        text = text + ": " + QString::number(err.Number) + " (" + err.Description + ")";
    }
    Platform::MsgBox(text, Platform::vbInformation, Platform::App::EXEName());
}

void ShowError(const QString& text, bool withErr) {
    QString copy = text;
    ShowError(copy, withErr);
}

QString ReadIni(const QString& key, const QString& defaultValue, QString& section) {
    if (section == "&") section = Platform::App::Title();
    return GetIniString(section, key, defaultValue, Global::gIniFile);
}

QString ReadIni(const QString& key, const QString& defaultValue, const QString& section) {
    QString copy = section;
    return ReadIni(key, defaultValue, copy);
}

QString GetIniString(const QString& section, const QString& key, const QString& defaultValue,
                     const QString& file) {
    // INI names are not case-sensitive where the program came from.
    return Platform::GetPrivateProfileString(section, key, defaultValue, Platform::ResolvePathNoCase(file), 255);
}

void ShowWait() {
    Platform::SetMousePointer(Platform::vbHourglass);
    try {
        auto& wait = Platform::DefaultInstance<frmAttesa>();
        wait.Show(Platform::vbModeless);
        wait.repaint();
        Platform::DoEvents();
    } catch (...) {
        // The wait window is a courtesy: a modal dialog in the way must not stop the work.
    }
    Platform::SetMousePointer(Platform::vbHourglass);
}

void HideWait() {
    Platform::SetMousePointer(Platform::vbDefault);
    if (Platform::IsDefaultInstanceLoaded<frmAttesa>()) Platform::DefaultInstance<frmAttesa>().Unload();
}

QString FieldStr(const QVariant& value) {
    if (value.typeId() == QMetaType::QString) {
        // Most texts read have nothing to trim: they are handed back as they are.
        const QString& text = *static_cast<const QString*>(value.constData());
        if (text.isEmpty() || (text.front() != u' ' && text.back() != u' ')) return text;
        return Platform::Trim(text);
    }
    if (!value.isValid() || value.isNull()) return QString();
    switch (value.typeId()) {
    case QMetaType::Bool: return value.toBool() ? QStringLiteral("Vero") : QStringLiteral("Falso");
    case QMetaType::QDateTime:
    case QMetaType::QDate:
    case QMetaType::QTime:
    case QMetaType::Double:
    case QMetaType::Float: return Platform::Trim(Platform::Format(value));
    default: return Platform::Trim(value.toString());
    }
}

QVariant FieldNum(const QVariant& value) {
    if (!value.isValid() || value.isNull()) return QVariant(0);
    return value;
}

namespace {
QString ColumnKey(Platform::ListView& list, int index) {
    QWidget* window = list.window();
    return (window ? window->objectName() : QString()) + "." + list.objectName() + "." + QString::number(index);
}
}  // namespace

void SaveListColumnWidths(Platform::ListView& list) {
    for (int i = 1; i <= list.ColumnCount(); ++i) {
        double width = list.Column(i).Width();
        Platform::SaveSetting(Platform::App::EXEName(), "ListColumnWidths", ColumnKey(list, i),
                              QString::number(qRound64(width)));
    }
}

bool LoadListColumnWidths(Platform::ListView& list) {
    bool stored = false;
    for (int i = 1; i <= list.ColumnCount(); ++i) {
        const QString width = Platform::GetSetting(Platform::App::EXEName(), "ListColumnWidths", ColumnKey(list, i));
        stored = stored || !width.isEmpty();
        list.Column(i).SetWidth(Platform::Val(width.isEmpty() ? QStringLiteral("1440") : width));
    }
    return stored;
}

QString SqlQuote(const QString& text) {
    QString quoted = text;
    return quoted.replace(QLatin1Char('\''), QLatin1String("''"));
}

void ShowComboDropDown(QComboBox* combo) {
    if (!combo || combo->count() == 0) return;
    combo->showPopup();
    Platform::DoEvents();
    Platform::SetMousePointer(Platform::vbDefault);
}

int ColumnWidth(const QString& table, const QString& column) {
    // The widths are the database's own and change only with it: each table
    // is read once for the connection string it was read through.
    static QHash<QString, QHash<QString, int>> tables;
    const QString key = Global::gConnString + QLatin1Char('\n') + table.toUpper();
    auto found = tables.find(key);
    if (found == tables.end()) {
        QHash<QString, int> widths;
        if (!Global::gConnString.isEmpty()) try {
                ADODB::Connection cn;
                cn.Open(Global::gConnString);
                ADODB::Recordset rs;
                rs.Open("SELECT * FROM [" + table + "] WHERE 1=0", cn);
                for (int i = 0; i < rs.FieldCount(); ++i)
                    widths.insert(rs.Fields(i).Name.toUpper(), rs.Fields(i).DefinedSize);
                rs.Close();
                cn.Close();
            } catch (const std::exception&) {
                // A database that cannot be read leaves the boxes free; its writes still refuse what does not fit.
                Platform::Err().Clear();
            }
        if (widths.isEmpty()) return 0;
        found = tables.insert(key, widths);
    }
    return found->value(column.toUpper());
}

void LimitToColumn(QWidget* box, const QString& table, const QString& column) {
    Platform::SetMaxLength(box, ColumnWidth(table, column));
}

bool FitsColumn(QWidget* box, const QString& text, const QString& field) {
    const int most = Platform::MaxLength(box);
    const int length = Platform::TextLength(text);
    if (most <= 0 || length <= most) return true;
    modAdoCommon::ShowMessage(QStringLiteral("Errore: 3163 - Il campo è troppo piccolo per accettare la quantità di dati "
                                             "che si è tentato di aggiungere. Provare a inserire o incollare una quantità "
                                             "di dati inferiore.\r\n") +
                                  field + ": " + QString::number(length) + " caratteri, al massimo " + QString::number(most),
                              48);
    box->setFocus();
    return false;
}

}  // namespace Comuni
