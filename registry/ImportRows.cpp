#include "ImportRows.h"

#include "ADODB.h"
#include "Comuni.h"
#include "Errors.h"
#include "Global.h"
#include "Locks.h"
#include "Runtime.h"
#include "Values.h"
#include "modAdoCommon.h"

using namespace Platform;

QString CutText(const QString& text, int size) {
    const qsizetype end = CutLength(text, size);
    return end == text.size() ? text : text.left(end);
}

qsizetype CutLength(QStringView text, int size) {
    // No more UTF-16 units than the size: no more characters either.
    if (text.size() <= size) return text.size();
    qsizetype end = 0;
    for (int kept = 0; kept < size && end < text.size(); ++kept)
        end += text[end].isHighSurrogate() && end + 1 < text.size() && text[end + 1].isLowSurrogate() ? 2 : 1;
    return end;
}

qint32 NextAnagraficaId(ADODB::Connection& cn) {
    ADODB::Recordset rs;
    if (!modAdoCommon::OpenRecordset(rs, QStringLiteral("SELECT MAX(ID) FROM ANAGRAFICA"), cn, 0, 3)) return 0;
    return Comuni::FieldNum(rs.Fields(0).Value()).toInt() + 1;
}

namespace {
ImportRows* gRunning = nullptr;
}

ImportRows::ImportRows(ADODB::Connection& cn)
    : cn_(cn), hold_(std::make_unique<Locks::HeldLock>(cn, QStringLiteral("ANAGRAFICA"))),
      rs_(std::make_unique<ADODB::Recordset>()), outer_(gRunning) {
    gRunning = this;
    user_ = Global::gCurrentUser;
    // Held as the engine stores a date: a row binds it as it stands.
    stamp_ = DateToSerial(Now());
}

ImportRows::~ImportRows() {
    gRunning = outer_;
    // The recordset goes before the slice it wrote in.
    rs_.reset();
}

ImportRows* ImportRows::Running() { return gRunning; }

bool ImportRows::Open() {
    rs_->AppendOnly = true;
    if (!modAdoCommon::OpenRecordset(*rs_, QStringLiteral("SELECT * FROM ANAGRAFICA WHERE 1=0;"), cn_, 1, 3)) return false;
    id_ = Column(QStringLiteral("ID"));
    utente_ = Column(QStringLiteral("UTENTE"));
    idAzienda_ = Column(QStringLiteral("IDAZIENDA"));
    uMod_ = Column(QStringLiteral("U_MOD"));
    return true;
}

int ImportRows::Column(const QString& name) const {
    return rs_->Fields(name).column_;
}

const ADODB::Field& ImportRows::Field(int column) const { return rs_->Fields(column); }

void ImportRows::AddNew() { rs_->AddNew(); }

void ImportRows::Set(int column, const QVariant& value) { rs_->SetValue(column, value); }

void ImportRows::SetText(int column, QStringView text) { rs_->SetText(column, text); }

void ImportRows::SetUtf8(int column, QByteArrayView text) { rs_->SetUtf8(column, text); }

qint32 ImportRows::NextId() {
    if (next_ > 0) return next_;
    const qint32 id = NextAnagraficaId(cn_);
    // Asked again for the next row unless it can be counted on from here.
    if (id > 0) next_ = id;
    return id;
}

void ImportRows::Stamp() {
    const qint32 id = NextId();
    // A row is never written without its own identifier.
    if (id <= 0) {
        rs_->CancelUpdate();
        Err().Raise(3022, QStringLiteral("Impossibile calcolare il nuovo identificativo dell'anagrafica"));
    }
    rs_->SetValue(id_, id);
    rs_->SetValue(utente_, user_);
    rs_->SetValue(idAzienda_, 0);
    rs_->SetValue(uMod_, stamp_);
}

bool ImportRows::Store(bool throughDataLayer) {
    bool stored = true;
    if (throughDataLayer) {
        stored = modAdoCommon::UpdateRecordset(*rs_);
        if (!stored && rs_->EditPending()) rs_->CancelUpdate();
    } else {
        try {
            rs_->Update();
        } catch (...) {
            rs_->CancelUpdate();
            throw;
        }
    }
    if (!stored) {
        hold_->RowRefused();
        return false;
    }
    // The identifier is taken: the next row counts on from it.
    if (next_ > 0) ++next_;
    const qint32 committed = hold_->Committed();
    hold_->RowStored();
    // A slice committed: the rows after it take the time it is now.
    if (hold_->Committed() != committed) stamp_ = DateToSerial(Now());
    return true;
}

void ImportRows::Finish() {
    rs_->Close();
    hold_->Finish();
}

void ImportRows::Yielded() {
    stamp_ = DateToSerial(Now());
    hold_->Yielded();
}

qint32 ImportRows::Committed() const { return hold_->Committed(); }

qint32 ImportRows::Stored() const { return hold_->Stored(); }
