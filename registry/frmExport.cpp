#include "frmExport.h"

#include "ADODB.h"
#include "Comuni.h"
#include "Controls.h"
#include "DelimitedText.h"
#include "Dialogs.h"
#include "Errors.h"
#include "Global.h"
#include "ListView.h"
#include "MultiButton.h"
#include "ProcGuard.h"
#include "Runtime.h"
#include "Values.h"
#include "Workbook.h"
#include "frmProgress.h"
#include "modAdoCommon.h"

#include <QCheckBox>
#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QEvent>
#include <QFile>
#include <QFileInfo>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QProcess>
#include <QRadioButton>
#include <QRandomGenerator>
#include <QSaveFile>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <sys/stat.h>
#include <unistd.h>

using namespace Platform;
using Registry::Button;

namespace {

struct ExportField {
    const char* caption;
    const char* column;
};

const ExportField kFields[18] = {
    {"ID anagrafica", "ID"},         {"categoria", "CATEGORIA"},
    {"ID azienda", "IDAZIENDA"},     {"ragione sociale azienda", "AZIENDA"},
    {"titolo", "TITOLO"},            {"cognome", "COGNOME"},
    {"nome", "NOME"},                {"ruolo", "RUOLO"},
    {"indirizzo", "INDIRIZZO"},      {"CAP", "CAP"},
    {"città", "CITTA"},              {"provincia", "PROVINCIA"},
    {"nazione", "NAZIONE"},          {"e-mail", "EMAIL"},
    {"telefono ufficio", "TELEFONO"}, {"telefono casa", "TELEFONOCASA"},
    {"numero di cellulare", "CELLULARE"}, {"numero di telefax", "FAX"},
};

const char* kExtensions[3] = {".mdb", ".xlsx", ".txt"};
const char* kHelper = "brivalto-xlsx";

// The workbook writer lives beside the program.
QString HelperPath() {
    for (const QString& folder : {App::Path(), QCoreApplication::applicationDirPath(), QStringLiteral(BRIVALTO_BIN_DIR)}) {
        const QString candidate = folder + "/" + kHelper;
        if (QFileInfo(candidate).isExecutable()) return candidate;
    }
    return QString();
}

QString EscapeCell(const QString& value) {
    QString out;
    out.reserve(value.size());
    for (QChar c : value) {
        if (c == '\\') out += "\\\\";
        else if (c == '\t') out += "\\t";
        else if (c == '\n') out += "\\n";
        else if (c == '\r') out += "\\r";
        else out += c;
    }
    return out;
}

[[noreturn]] void WriteFailed(const QString& path, const QString& why) {
    Err().Raise(75, "Errore di accesso al percorso/file " + path + (why.isEmpty() ? QString() : " (" + why + ")"));
}

// A write the disk had no room for; a quota or a limit on the size of the
// files a user may write stand for the same, and are mended the same way.
bool IsDiskFull(int error) {
#ifdef EDQUOT
    if (error == EDQUOT) return true;
#endif
    return error == ENOSPC || error == EFBIG;
}
[[noreturn]] void DiskFull() { Err().Raise(61, QStringLiteral("Disco pieno")); }

// The helper's exit status when the workbook did not fit on the disk.
constexpr int kHelperDiskFull = 3;

// Excel keeps no more than this many characters in a cell.
constexpr int kCellChars = 32767;

// A new export file, written under a name of its own beside the old one and
// put in its place only once whole: a run that fails half way leaves the old
// file as it was, and the half-written one is removed. It is made as any new
// file of the user is (0666 less the umask, or what the folder's default
// access list says), and one that takes an old file's place keeps that
// file's mode, as the text export's file does.
class FileBeside {
public:
    explicit FileBeside(const QString& target) : target_(target) {
        static const char kLetters[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";
        for (int attempt = 0; attempt < 100; ++attempt) {
            QString candidate = target + '.';
            for (int i = 0; i < 6; ++i) candidate += QChar(kLetters[QRandomGenerator::global()->bounded(62)]);
            errno = 0;
            const int fd = ::open(QFile::encodeName(candidate).constData(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
            if (fd >= 0) {
                ::close(fd);
                path_ = candidate;
                return;
            }
            if (errno != EEXIST) break;
        }
        if (IsDiskFull(errno)) DiskFull();
        WriteFailed(target, errno ? QString::fromLocal8Bit(strerror(errno)) : QString());
    }
    ~FileBeside() {
        if (replaced_) return;
        QFile::remove(path_);
        // The engine's journal of a database left half written.
        QFile::remove(path_ + QStringLiteral("-journal"));
    }
    QString Path() const { return path_; }
    void Replace() {
        struct stat old;
        if (::stat(QFile::encodeName(target_).constData(), &old) == 0)
            ::chmod(QFile::encodeName(path_).constData(), old.st_mode & 0777);
        std::error_code failed;
        std::filesystem::rename(std::filesystem::path(path_.toStdU16String()),
                                std::filesystem::path(target_.toStdU16String()), failed);
        if (failed) WriteFailed(target_, QString::fromLocal8Bit(failed.message()));
        replaced_ = true;
    }

private:
    QString target_;
    QString path_;
    bool replaced_ = false;
};

}  // namespace

frmExport::frmExport() {
    setWindowTitle(QStringLiteral("Esportazione anagrafiche"));
    auto* layout = new QVBoxLayout(this);
    auto* top = new QGridLayout;
    top->addWidget(new QLabel(QStringLiteral("nome del file (senza path ed estensione)"), this), 0, 0);
    txNomeFile = Registry::Box(this, "txNomeFile");
    top->addWidget(txNomeFile, 0, 1);
    const char* formats[3] = {"file Microsoft Access (mdb)", "file Microsoft Excel (xls)", "file di testo (txt)"};
    auto* formatBox = new QVBoxLayout;
    for (int i = 0; i < 3; ++i) {
        opTipoExport[i] = new QRadioButton(QString::fromUtf8(formats[i]), this);
        opTipoExport[i]->setObjectName(QStringLiteral("opTipoExport_%1").arg(i));
        formatBox->addWidget(opTipoExport[i]);
        connect(opTipoExport[i], &QRadioButton::toggled, this, [this, i](bool on) {
            if (on) opTipoExport_Click(i);
        });
    }
    top->addLayout(formatBox, 1, 0);
    Frame1 = new QGroupBox(QStringLiteral("Impostazioni file di testo"), this);
    Frame1->setObjectName("Frame1");
    auto* sep = new QVBoxLayout(Frame1);
    opSeparatore[0] = new QRadioButton(QStringLiteral("separato da virgole"), Frame1);
    opSeparatore[1] = new QRadioButton(QStringLiteral("separato da tabulatore"), Frame1);
    for (int i = 0; i < 2; ++i) {
        opSeparatore[i]->setObjectName(QStringLiteral("opSeparatore_%1").arg(i));
        sep->addWidget(opSeparatore[i]);
    }
    opSeparatore[0]->setChecked(true);
    top->addWidget(Frame1, 1, 1);
    layout->addLayout(top);

    frCampi = new QGroupBox(QStringLiteral("campi da esportare "), this);
    frCampi->setObjectName("frCampi");
    auto* fields = new QGridLayout(frCampi);
    for (int i = 0; i < 18; ++i) {
        ckFields[i] = new QCheckBox(QString::fromUtf8(kFields[i].caption), frCampi);
        ckFields[i]->setObjectName(QStringLiteral("ckFields_%1").arg(i));
        ckFields[i]->setProperty("Tag", QString::fromLatin1(kFields[i].column));
        ckFields[i]->setChecked(true);
        fields->addWidget(ckFields[i], i % 6, i / 6);
    }
    layout->addWidget(frCampi);
    Label2 = new QLabel(this);
    Label2->setObjectName("Label2");
    Label2->setWordWrap(true);
    layout->addWidget(Label2);
    auto* buttons = new QHBoxLayout;
    cmdGo = Button(this, "cmdGo", QStringLiteral("avvia esportazione"));
    cmdAnnulla = Button(this, "cmdAnnulla", QStringLiteral("esci"));
    SetCancelButton(cmdAnnulla);
    buttons->addStretch();
    buttons->addWidget(cmdGo);
    buttons->addWidget(cmdAnnulla);
    layout->addLayout(buttons);
    connect(cmdGo, &QPushButton::clicked, this, [this] { cmdGo_Click(); });
    connect(cmdAnnulla, &QPushButton::clicked, this, [this] { cmdAnnulla_Click(); });
    opTipoExport[0]->setChecked(true);
    Frame1->setVisible(false);
    resize(620, 420);
}

frmExport::~frmExport() = default;

void frmExport::SetSource(ADODB::Connection& cn, ListView& list, Form* owner) {
    cn_ = &cn;
    list_ = &list;
    if (owner_) owner_->removeEventFilter(this);
    owner_ = owner;
    if (owner) owner->installEventFilter(this);
    connect(&list, &QObject::destroyed, this, [this] {
        cn_ = nullptr;
        if (!IsUnloaded()) Unload();
    });
}

bool frmExport::eventFilter(QObject* watched, QEvent* event) {
    // The connection and the list go with their window.
    if (watched == owner_ && (event->type() == QEvent::Hide || event->type() == QEvent::DeferredDelete) &&
        owner_->IsUnloaded()) {
        cn_ = nullptr;
        Unload();
    }
    return Form::eventFilter(watched, event);
}

void frmExport::Form_Load() {
    // The folder the file really goes to: the user's work folder, never the program's.
    Label2->setText(QString::fromUtf8("Sarà creato nella cartella %1 un file del tipo prescelto, con il nome "
                                      "suindicato, contenente i dati relativi ai campi selezionati.")
                        .arg(QDir::toNativeSeparators(WorkFolder())));
    Global::ApplyFormStyle(this);
}

void frmExport::cmdAnnulla_Click() { Unload(); }

void frmExport::opTipoExport_Click(int index) { Frame1->setVisible(index == 2); }

QString frmExport::Extension() const {
    for (int i = 0; i < 3; ++i)
        if (opTipoExport[i]->isChecked()) return QString::fromLatin1(kExtensions[i]);
    return QString::fromLatin1(kExtensions[0]);
}

QString frmExport::TargetPath() const {
    return WithSeparator(WorkFolder()) + Trim(txNomeFile->text()) + Extension();
}

bool frmExport::ReadRecord(const QString& itemText, const QStringList& columns, QStringList& values) {
    // The window that lends the connection closed during the run.
    if (!cn_ || !list_) Err().Raise(91, QStringLiteral("La finestra del mailing è stata chiusa durante l'esportazione"));
    ADODB::Recordset rs;
    if (!modAdoCommon::OpenRecordset(rs, QStringLiteral("SELECT * FROM ANAGRAFICA WHERE ID=?"), *cn_, 0, 3, false,
                                     {qint32(Val(itemText))}))
        return false;
    // A record deleted since the list was made is left out like an unreadable one.
    if (rs.EOF_()) return false;
    values.clear();
    bool any = false;
    for (const QString& column : columns) {
        values << Comuni::FieldStr(rs[column]);
        any = any || !values.last().isEmpty();
    }
    rs.Close();
    return any;
}

void frmExport::cmdGo_Click() {
    txNomeFile->setText(Trim(txNomeFile->text()));
    const QString name = txNomeFile->text();
    if (name.isEmpty()) {
        MsgBox(QStringLiteral("E' necessario indicare un nome file valido"), vbOKOnly);
        txNomeFile->setFocus();
        return;
    }
    // A name only: a folder in it would put the file, or replace one, elsewhere.
    if (name.contains('/') || name.contains('\\')) {
        MsgBox(QStringLiteral("Indicare solo il nome del file, senza cartella: il file sarà creato nella cartella ") +
                   QDir::toNativeSeparators(WorkFolder()),
               vbOKOnly);
        txNomeFile->setFocus();
        return;
    }
    QStringList columns;
    for (auto* ck : ckFields)
        if (ck->isChecked()) columns << ck->property("Tag").toString();
    if (columns.isEmpty()) {
        MsgBox(QStringLiteral("E' necessario selezionare almeno un campo da esportare"), vbOKOnly);
        return;
    }
    if (!cn_ || !list_) return;
    const QString ext = Extension();
    const QString path = TargetPath();
    Err().Clear();
    if (QFileInfo::exists(path)) {
        if (MsgBox("Il file " + name + ext + QString::fromUtf8(" esiste già. Si desidera sovrascriverlo?"),
                   vbYesNo + vbQuestion + vbDefaultButton2) != vbYes)
            return;
    }
    Comuni::ShowWait();
    cmdGo->setEnabled(false);
    cmdAnnulla->setEnabled(false);
    auto& progress = DefaultInstance<frmProgress>();
    progress.PB->SetMax(list_->ItemCount());
    progress.Show();
    progress.move(progress.x(), progress.y() - TwipsToPixels(1000));
    DoEvents();
    bool written = true;
    QString note;
    try {
        // Every kind replaces the old file only once the new one is whole.
        if (ext == ".txt") ExportText(path, columns);
        else if (ext == ".mdb") ExportDatabase(path, columns, written);
        else note = ExportWorkbook(path, columns);
    } catch (const std::exception& e) {
        Err().Set(e);
    }
    if (Err().Number != 0) {
        MsgBox("Errore " + QString::number(Err().Number) + ": " + Err().Description + " in esportazione file");
    } else {
        if (IsDefaultInstanceLoaded<frmProgress>()) progress.Unload();
        // A file that could not be reopened was told about by the data layer.
        if (written)
            MsgBox("Completata esportazione sul file " + QDir::toNativeSeparators(path) +
                   (note.isEmpty() ? QString() : "\n" + note));
    }
    Err().Clear();
    if (IsDefaultInstanceLoaded<frmProgress>()) DefaultInstance<frmProgress>().Unload();
    cmdGo->setEnabled(true);
    cmdAnnulla->setEnabled(true);
    Comuni::HideWait();
}

void frmExport::ExportText(const QString& path, const QStringList& columns) {
    const QString separator = opSeparatore[0]->isChecked() ? QStringLiteral(",") : QStringLiteral("\t");
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly)) WriteFailed(path, file.errorString());
    auto& bar = *DefaultInstance<frmProgress>().PB;
    QStringList values;
    for (int i = 1; list_ && i <= list_->ItemCount(); ++i) {
        if (ReadRecord(list_->Item(i).Text(), columns, values)) {
            QStringList quoted;
            for (int c = 0; c < columns.size(); ++c)
                quoted << (columns[c].startsWith("ID") ? values[c] : DelimitedText::Quote(values[c]));
            const QByteArray line = (quoted.join(separator) + "\r\n").toUtf8();
            errno = 0;
            if (file.write(line) != line.size()) {
                if (IsDiskFull(errno)) DiskFull();
                WriteFailed(path, file.errorString());
            }
        }
        bar.SetValue(i);
        DoEvents();
    }
    // The last lines may still sit in the buffer: a failed flush there would not
    // stop commit() from renaming a short file over the old one.
    errno = 0;
    if (!file.flush() || !file.commit()) {
        if (IsDiskFull(errno)) DiskFull();
        WriteFailed(path, file.errorString());
    }
}

void frmExport::ExportDatabase(const QString& path, const QStringList& columns, bool& written) {
    // The engine takes the empty file for a new database.
    FileBeside file(path);
    {
        ADODB::Connection create;
        create.Open("Provider=Microsoft.Jet.OLEDB.4.0;Data Source=" + file.Path());
        // A file for other programs: nothing in it needs the program's own collation.
        QList<std::pair<QString, QString>> defs;
        for (const QString& c : columns) defs.append({c, c.startsWith("ID") ? "INTEGER" : "TEXT"});
        ADODB::Catalog::CreatePlainTable(create, QStringLiteral("ANAGRAFICA"), defs);
    }
    DoEvents();
    std::unique_ptr<ADODB::Connection> target;
    if (!modAdoCommon::OpenDataSource(target, file.Path(), 0, QStringLiteral("sa"), QString(), false, QString(), false, 19)) {
        written = false;
        return;
    }
    ADODB::Recordset rs;
    if (!modAdoCommon::OpenRecordset(rs, QStringLiteral("SELECT * FROM ANAGRAFICA"), *target, 1, 3)) {
        written = false;
        return;
    }
    auto& bar = *DefaultInstance<frmProgress>().PB;
    QStringList values;
    // The new file is the export's alone: one transaction for all its rows.
    target->BeginTrans();
    for (int i = 1; list_ && i <= list_->ItemCount(); ++i) {
        if (ReadRecord(list_->Item(i).Text(), columns, values)) {
            rs.AddNew();
            for (int c = 0; c < columns.size(); ++c)
                rs.SetValue(columns[c], !columns[c].startsWith("ID") ? QVariant(values[c])
                                        : values[c].isEmpty()        ? QVariant()  // a Null number stays Null
                                                                     : QVariant(qint32(Val(values[c]))));
            rs.Update();
        }
        bar.SetValue(i);
        DoEvents();
    }
    target->CommitTrans();
    rs.Close();
    target->Close();
    file.Replace();
}

QString frmExport::ExportWorkbook(const QString& path, const QStringList& columns) {
    const QString helper = HelperPath();
    if (helper.isEmpty()) WriteFailed(path, QString::fromLatin1(kHelper) + " non trovato");
    QByteArray rows = columns.join('\t').toUtf8() + '\n';
    auto& bar = *DefaultInstance<frmProgress>().PB;
    QStringList values;
    int cut = 0;
    QString firstCut;
    for (int i = 1; list_ && i <= list_->ItemCount(); ++i) {
        if (ReadRecord(list_->Item(i).Text(), columns, values)) {
            QStringList cells;
            for (int c = 0; c < values.size(); ++c) {
                QString& v = values[c];
                // The writer escapes the characters XML would not keep (a CR
                // becomes "_x000D_"), not a text that reads as such an escape.
                QString cell = ADODB::Workbook::EscapeLiteralEscapes(v);
                if (cell.size() > kCellChars) {
                    // Cut between two characters, never inside one, until the
                    // text fits once written.
                    qsizetype keep = std::min<qsizetype>(v.size(), kCellChars);
                    while (cell.size() > kCellChars) {
                        if (keep > 0 && v[keep - 1].isHighSurrogate()) --keep;
                        v.truncate(keep);
                        cell = ADODB::Workbook::EscapeLiteralEscapes(v);
                        keep = std::max<qsizetype>(0, keep - (cell.size() - kCellChars));
                    }
                    if (cut++ == 0)
                        firstCut = QStringLiteral("anagrafica %1, campo %2").arg(qint32(Val(list_->Item(i).Text()))).arg(columns[c]);
                }
                cells << EscapeCell(cell);
            }
            rows += cells.join('\t').toUtf8() + '\n';
        }
        bar.SetValue(i);
        DoEvents();
    }
    FileBeside file(path);
    QProcess writer;
    writer.start(helper, {file.Path(), QStringLiteral("ANAGRAFICA")});
    if (!writer.waitForStarted(10000)) WriteFailed(path, writer.errorString());
    writer.write(rows);
    writer.closeWriteChannel();
    // Ten thousand rows take a second or two; a writer still busy after minutes is stuck.
    // Its end may be taken among the events, after which waiting says false at once.
    QDeadlineTimer limit(300000);
    while (!writer.waitForFinished(100) && writer.state() != QProcess::NotRunning && !limit.hasExpired()) DoEvents();
    if (writer.state() != QProcess::NotRunning) {
        writer.kill();
        writer.waitForFinished(5000);
        WriteFailed(path, QStringLiteral("tempo scaduto"));
    }
    if (writer.exitStatus() == QProcess::NormalExit && writer.exitCode() == kHelperDiskFull) DiskFull();
    if (writer.exitStatus() != QProcess::NormalExit || writer.exitCode() != 0)
        WriteFailed(path, QString::fromUtf8(writer.readAllStandardError()).trimmed());
    file.Replace();
    if (cut == 0) return QString();
    return cut == 1 ? QString::fromUtf8("Un testo più lungo di %1 caratteri, il massimo di una cella di Excel, è stato "
                                        "troncato (%2).")
                          .arg(kCellChars)
                          .arg(firstCut)
                    : QString::fromUtf8("%1 testi più lunghi di %2 caratteri, il massimo di una cella di Excel, sono "
                                        "stati troncati (il primo: %3).")
                          .arg(cut)
                          .arg(kCellChars)
                          .arg(firstCut);
}
