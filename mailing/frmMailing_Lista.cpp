// The recipient list of the mailing window: records added by the ticked
// filters or checked in the registry search, removed, emptied.
#include "frmMailing.h"

#include "ADODB.h"
#include "ComboBox.h"
#include "Comuni.h"
#include "DatePicker.h"
#include "Errors.h"
#include "Global.h"
#include "ListView.h"
#include "ProcGuard.h"
#include "Runtime.h"
#include "Values.h"
#include "frmCercaAnagrafica.h"
#include "modAdoCommon.h"

#include <QCheckBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QLocale>
#include <QSet>

#include <algorithm>
#include <vector>

using namespace Platform;

namespace {

const QString kRagSoc = QStringLiteral("(IIF(COGNOME IS NULL,'',COGNOME) & ' ' & IIF(NOME IS NULL,'',NOME))");

QDate DateOf(const DatePicker* picker) {
    const QVariant value = picker->Value();
    return value.isNull() ? QDate::currentDate() : value.toDateTime().date();
}

// A set of registry IDs. They are counted up from 1, so a bit for each up to a few million
// holds most lists; an ID beyond goes into a hash set.
class IdSet {
public:
    // False when the ID was there already.
    bool Insert(qint64 id) {
        if (id >= 0 && id < kBits) {
            const size_t word = size_t(id >> 6);
            if (word >= bits_.size()) bits_.resize(std::max(word + 1, bits_.size() * 2));
            const quint64 bit = quint64(1) << (id & 63);
            if (bits_[word] & bit) return false;
            bits_[word] |= bit;
            return true;
        }
        const qsizetype before = far_.size();
        far_.insert(id);
        return far_.size() != before;
    }

private:
    static constexpr qint64 kBits = qint64(1) << 27;  // 16 MB of bits at most
    std::vector<quint64> bits_;
    QSet<qint64> far_;
};

// A registry ID read from its field: Null reads as 0, as with Comuni::FieldNum.
qint64 IdOf(const QVariant& value) {
    switch (value.typeId()) {
    case QMetaType::Int: return *static_cast<const qint32*>(value.constData());
    case QMetaType::LongLong: return *static_cast<const qint64*>(value.constData());
    default: return Comuni::FieldNum(value).toLongLong();
    }
}

// An entry's key, "K" and the ID, and its text, the ID in plain decimal: the
// text is the key without its first character.
class EntryKey {
public:
    explicit EntryKey(qint64 id) {
        char16_t digits[20];
        int n = 0;
        quint64 rest = id < 0 ? 0 - quint64(id) : quint64(id);
        do {
            digits[n++] = char16_t(u'0' + rest % 10);
            rest /= 10;
        } while (rest);
        if (id < 0) digits[n++] = u'-';
        key_[0] = u'K';
        for (int i = 0; i < n; ++i) key_[1 + i] = digits[n - 1 - i];
        size_ = n + 1;
    }
    QStringView Key() const { return QStringView(key_, size_); }
    QStringView Text() const { return QStringView(key_ + 1, size_ - 1); }

private:
    char16_t key_[21];
    int size_ = 0;
};

// The registry IDs already in the list.
IdSet IdsIn(const ListView& list) {
    IdSet ids;
    for (int i = 1; i <= list.ItemCount(); ++i) ids.Insert(qint64(Val(list.Item(i).Text())));
    return ids;
}

}  // namespace

QString frmMailing::RecipientSql(QVariantList& params) {
    QString condition;
    auto add = [&](const QString& fragment) {
        condition += condition.contains(QStringLiteral("WHERE")) ? QStringLiteral(" AND ") : QStringLiteral(" WHERE ");
        condition += fragment;
    };
    params.clear();
    if (ckCAP->isChecked()) {
        add(QStringLiteral("CAP =?"));
        params << Trim(txCAP->text());
    }
    if (ckProvincia->isChecked()) {
        add(QStringLiteral("PROVINCIA =?"));
        params << Trim(txProvincia->text());
    }
    if (ckCategoria->isChecked()) {
        add(QStringLiteral("CATEGORIA =?"));
        params << Trim(cbCategoria->currentText());
    }
    if (ckCatMer->isChecked()) {
        QStringList marks;
        for (int i = 0; i < lsCatMer->count(); ++i) {
            if (!lsCatMer->item(i)->isSelected()) continue;
            marks << QStringLiteral("?");
            params << CategoryCodes.value(i);
        }
        // Ticked without a category it would match nothing or, ignored, everybody.
        if (marks.isEmpty()) {
            MsgBox(QStringLiteral("Selezionare almeno una categoria merceologica oppure togliere la spunta a "
                                  "\"cat.merceol.\""));
            return QString();
        }
        add(QStringLiteral("CAT_CODICE IN (") + marks.join(',') + ")");
    }
    if (ckCitta->isChecked()) {
        add(QStringLiteral("CITTA=?"));
        params << Trim(txCitta->text());
    }
    if (ckNazione->isChecked()) {
        add(QStringLiteral("NAZIONE=?"));
        params << Trim(txNazione->text());
    }
    if (ckDatNas->isChecked()) {
        const QDate from = DateOf(dpDaData), to = DateOf(dpAData);
        if (from > to) {
            MsgBox(QStringLiteral("La data di inizio dell'intervallo date di nascita non può essere maggiore della data "
                                  "di fine"));
            dpDaData->setFocus();
            return QString();
        }
        add(QStringLiteral("DATNAS>=? AND DATNAS<?"));
        params << QDateTime(from, QTime(0, 0)) << QDateTime(to.addDays(1), QTime(0, 0));
    }
    if (ckID->isChecked()) {
        // Compared as text the value would match no record and say nothing.
        const QString value = Trim(txID->text());
        bool whole = false, number = false;
        const qint64 id = value.toLongLong(&whole);
        const double real = whole ? 0 : QLocale::c().toDouble(value, &number);
        if (!whole && (!number || !qIsFinite(real))) {
            MsgBox(QStringLiteral("Il valore di \"id anagrafica\" non è un numero: \"") + value + "\"");
            txID->setFocus();
            return QString();
        }
        add(QStringLiteral("ID=?"));
        params << (whole ? QVariant(id) : QVariant(real));
    }
    if (ckCompleanno->isChecked()) {
        const QDate day = DateOf(dpCompleanno);
        add(QStringLiteral("MONTH(DATNAS)=? AND DAY(DATNAS)=?"));
        params << day.month() << day.day();
    }
    return QStringLiteral("SELECT ID,") + kRagSoc +
           QStringLiteral(" AS RAGSOC, AZIENDA FROM ANAGRAFICA LEFT JOIN ANACAT ON ANACAT.ANA_ID=ANAGRAFICA.ID") +
           condition + QStringLiteral(" ORDER BY ") + kRagSoc + ";";
}

void frmMailing::cmdAdd_Click() {
    if (running_ || !cn) return;
    QVariantList params;
    const QString sql = RecipientSql(params);
    if (sql.isEmpty()) return;
    ADODB::Recordset rs;
    if (!modAdoCommon::OpenRecordset(rs, sql, *cn, 0, 3, false, params)) return;
    LV->setSortingEnabled(false);
    LV->setUpdatesEnabled(false);
    try {
        // A record in several product categories comes back once per category.
        IdSet present = IdsIn(*LV);
        // The same three fields on every row: found once, by name.
        const ADODB::Field& idField = rs.Fields("ID");
        const ADODB::Field& nameField = rs.Fields("RAGSOC");
        const ADODB::Field& companyField = rs.Fields("AZIENDA");
        while (!rs.EOF_()) {
            const qint64 id = IdOf(idField.Value());
            if (present.Insert(id)) {
                const EntryKey entry(id);
                ListItem item = LV->AddItem(entry.Key(), entry.Text());
                const QString name = Comuni::FieldStr(nameField.Value());
                item.SetSubItem(1, !name.isEmpty() ? name : Comuni::FieldStr(companyField.Value()));
            }
            rs.MoveNext();
        }
    } catch (const std::exception& e) {
        Err().Set(e);
        Comuni::ShowError(QStringLiteral("Aggiunta schede anagrafiche"), true);
        Err().Clear();
    }
    LV->setUpdatesEnabled(true);
    UpdateCount();
    // Sorted once, by the name, when sorting is turned on: asked for first and then turned
    // on, the list would be sorted twice.
    LV->header()->setSortIndicator(1, Qt::AscendingOrder);
    LV->setSortingEnabled(true);
    rs.Close();
}

void frmMailing::cmdCercaID_Click() {
    if (running_) return;
    ProcGuard::Run(QStringLiteral(" in cmdCercaID_Click di frmMailing"), [&] {
        auto& search = DefaultInstance<frmCercaAnagrafica>();
        search.LV->SetCheckboxes(true);
        search.Show(vbModal, this);
        const QString tag = search.Tag;
        if (Val(tag) > 0 || search.RowsChecked) {
            txID->setText(QString::number(qint64(Val(tag))));
            IdSet present = IdsIn(*LV);
            for (int i = 1; i <= search.LV->ItemCount(); ++i) {
                const ListItem found = search.LV->Item(i);
                if (!found.Checked()) continue;
                const qint64 id = qint64(Val(found.Text()));
                if (!present.Insert(id)) continue;
                ListItem item = LV->AddItem("K" + QString::number(id), found.Text());
                item.SetSubItem(1, Trim(found.SubItem(1) + " " + found.SubItem(2)));
            }
            UpdateCount();
        }
        search.Unload();
    });
}

void frmMailing::cmdRemove_Click() {
    if (running_) return;
    for (int i = LV->ItemCount(); i >= 1; --i)
        if (LV->Item(i).Selected()) LV->RemoveItem(i);
    UpdateCount();
}

void frmMailing::cmdVuotaLista_Click() {
    if (running_) return;
    LV->ClearItems();
    UpdateCount();
}
