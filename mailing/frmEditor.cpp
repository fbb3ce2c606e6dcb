#include "frmEditor.h"

#include "CommonDialog.h"
#include "Errors.h"
#include "Global.h"
#include "ProcGuard.h"
#include "RichTextBox.h"
#include "Runtime.h"
#include "Settings.h"
#include "Values.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QDateTime>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QPainter>
#include <QPrinter>
#include <QStatusBar>
#include <QStyle>
#include <QTextCursor>
#include <QTimer>
#include <QToolBar>
#include <QVBoxLayout>

using namespace Platform;

namespace {

const QString kNotLoaded = QStringLiteral("Avvio: nessun file caricato o file non modificato.");
const QString kLoaded = QStringLiteral("File caricato - non modificato.");
const QString kChanged = QStringLiteral("File modificato - non ancora salvato.");
const QString kSaved = QStringLiteral("File salvato correttamente.");
const QString kNew = QStringLiteral("Nuovo file, non salvato.");
const QString kFilter = QStringLiteral("Rich Text Files (*.rtf)|*.rtf");

struct Variable {
    const char* name;
    const char* caption;
    const char* marker;
};
const Variable kVariables[13] = {
    {"mnuCategoria", "inserisci Cate&goria", "||CATEGORIA||"},
    {"mnuTitolo", "inserisci &Titolo", "||TITOLO||"},
    {"mnuCognome", "inserisci &Cognome", "||COGNOME||"},
    {"mnuNome", "inserisci &Nome", "||NOME||"},
    {"mnuContatto", "inserisci C&ontatto", "||CONTATTO||"},
    {"mnuIndirizzo", "inserisci &Indirizzo", "||INDIRIZZO||"},
    {"mnuCAP", "inserisci CA&P", "||CAP||"},
    {"mnuCittà", "inserisci Citt&à", "||CITTA||"},
    {"mnuProvincia", "inserisci &Provincia", "||PROVINCIA||"},
    {"mnuNazione", "inserisci Na&zione", "||NAZIONE||"},
    {"mnuEmail", "inserisci &e-mail", "||EMAIL||"},
    {"mnuTelefono", "inserisci Tele&fono", "||TELEFONO||"},
    {"mnuFax", "inserisci numero &Fax", "||FAX||"},
};

struct ToolButton {
    const char* key;
    const char* tooltip;
    const char* text;
    const char* icon;  // theme icon, the text when the theme has none
};
const ToolButton kButtons[17] = {
    {"New", "Nuovo documento", "Nuovo", "document-new"},
    {"Open", "Apri documento", "Apri", "document-open"},
    {"Save", "Salva documento", "Salva", "document-save"},
    {"Print", "Stampa documento", "Stampa", "document-print"},
    {"Cut", "Taglia", "Taglia", "edit-cut"},
    {"Copy", "Copia", "Copia", "edit-copy"},
    {"Paste", "Incolla", "Incolla", "edit-paste"},
    {"Undo", "Undo", "Annulla", "edit-undo"},
    {"Bold", "Grassetto", "G", "format-text-bold"},
    {"Italic", "Corsivo", "C", "format-text-italic"},
    {"Underline", "Sottolineato", "S", "format-text-underline"},
    {"StrikeThrough", "Barrato", "B", "format-text-strikethrough"},
    {"Font", "Font", "Font", "preferences-desktop-font"},
    {"FontColor", "Colore", "Colore", "format-text-color"},
    {"Align Left", "Allinea a sinistra", "Sinistra", "format-justify-left"},
    {"Center", "Centra", "Centro", "format-justify-center"},
    {"Align Right", "Allinea a destra", "Destra", "format-justify-right"},
};

// Where the desktop theme has no icon: the style's own for files, lines
// drawn for the alignments, the button's text for the rest.
QIcon ButtonIcon(const QString& key, const char* themeName, QStyle* style) {
    QIcon icon = QIcon::fromTheme(QString::fromLatin1(themeName));
    if (!icon.isNull()) return icon;
    if (key == "New") return style->standardIcon(QStyle::SP_FileIcon);
    if (key == "Open") return style->standardIcon(QStyle::SP_DialogOpenButton);
    if (key == "Save") return style->standardIcon(QStyle::SP_DialogSaveButton);
    if (key == "Undo") return style->standardIcon(QStyle::SP_ArrowBack);
    if (!key.startsWith("Align") && key != "Center") return QIcon();
    QPixmap lines(16, 16);
    lines.fill(Qt::transparent);
    QPainter painter(&lines);
    painter.setPen(QPen(QColor(40, 40, 40), 1.5));
    for (int i = 0; i < 4; ++i) {
        const int width = i % 2 ? 8 : 14;
        const int left = key == "Align Left" ? 1 : key == "Center" ? (16 - width) / 2 : 15 - width;
        painter.drawLine(left, 2 + i * 4, left + width, 2 + i * 4);
    }
    return QIcon(lines);
}

QAction* MenuItem(QMenu* menu, const char* name, const QString& caption, const QKeySequence& shortcut = {}) {
    QAction* a = menu->addAction(caption);
    a->setObjectName(QString::fromUtf8(name));
    if (!shortcut.isEmpty()) a->setShortcut(shortcut);
    return a;
}

}  // namespace

QString frmEditor::SettingsName() { return App::EXEName() + QStringLiteral("-Editor"); }

frmEditor::frmEditor() {
    RTFText = new RichTextBox(this);
    RTFText->setObjectName("RTFText");
    // Text comes in from the clipboard as plain text: formatting does not travel.
    RTFText->setAcceptRichText(false);
    dlgCommonDialog = new CommonDialog;

    menuBar = new QMenuBar(this);
    mnuFile = menuBar->addMenu(QStringLiteral("&File"));
    mnuFile->setObjectName("mnuFile");
    mnuFileNew = MenuItem(mnuFile, "mnuFileNew", QStringLiteral("&Nuovo"), QKeySequence(Qt::CTRL | Qt::Key_N));
    mnuFileOpen = MenuItem(mnuFile, "mnuFileOpen", QStringLiteral("&Apri..."));
    mnuFile->addSeparator();
    mnuFileSave = MenuItem(mnuFile, "mnuFileSave", QStringLiteral("&Salva"));
    mnuFileSaveAs = MenuItem(mnuFile, "mnuFileSaveAs", QStringLiteral("Salva con nome..."));
    mnuFile->addSeparator();
    mnuFilePageSetup = MenuItem(mnuFile, "mnuFilePageSetup", QStringLiteral("Configurazione pagina e stampa..."));
    mnuFilePrint = MenuItem(mnuFile, "mnuFilePrint", QStringLiteral("&Stampa..."));
    mnuFile->addSeparator();
    mnuFileExit = MenuItem(mnuFile, "mnuFileExit", QStringLiteral("Esci"));

    mnuEdit = menuBar->addMenu(QStringLiteral("&Edit"));
    mnuEdit->setObjectName("mnuEdit");
    mnuEditUndo = MenuItem(mnuEdit, "mnuEditUndo", QStringLiteral("&Undo"));
    mnuEdit->addSeparator();
    mnuEditCut = MenuItem(mnuEdit, "mnuEditCut", QStringLiteral("&Taglia"), QKeySequence(Qt::CTRL | Qt::Key_X));
    mnuEditCopy = MenuItem(mnuEdit, "mnuEditCopy", QStringLiteral("&Copia"), QKeySequence(Qt::CTRL | Qt::Key_C));
    mnuEditPaste = MenuItem(mnuEdit, "mnuEditPaste", QStringLiteral("&Incolla"), QKeySequence(Qt::CTRL | Qt::Key_V));
    mnuEdit->addSeparator();
    mnuEditSelectAll = MenuItem(mnuEdit, "mnuEditSelectAll", QStringLiteral("&Seleziona tutto"));

    mnuView = menuBar->addMenu(QStringLiteral("&Visualizzazione"));
    mnuView->setObjectName("mnuView");
    mnuViewToolbar = MenuItem(mnuView, "mnuViewToolbar", QStringLiteral("&Toolbar"));
    mnuViewStatusBar = MenuItem(mnuView, "mnuViewStatusBar", QStringLiteral("&Barra di stato"));
    for (QAction* a : {mnuViewToolbar, mnuViewStatusBar}) {
        a->setCheckable(true);
        a->setChecked(true);
    }

    mnuVariabili = menuBar->addMenu(QStringLiteral("Va&riabili"));
    mnuVariabili->setObjectName("mnuVariabili");
    for (const Variable& v : kVariables) {
        QAction* a = MenuItem(mnuVariabili, v.name, QString::fromUtf8(v.caption));
        const QString marker = QString::fromLatin1(v.marker);
        connect(a, &QAction::triggered, this, [this, marker] { mnuVariabile_Click(marker); });
        mnuVariabiliItems.append(a);
    }

    tbToolBar = new QToolBar(this);
    tbToolBar->setObjectName("tbToolBar");
    tbToolBar->setToolButtonStyle(Qt::ToolButtonIconOnly);
    tbToolBar->setIconSize(QSize(16, 16));
    for (const ToolButton& b : kButtons) {
        const QString key = QString::fromLatin1(b.key);
        QAction* a = tbToolBar->addAction(ButtonIcon(key, b.icon, style()), QString::fromUtf8(b.text));
        a->setObjectName(key);
        a->setToolTip(QString::fromUtf8(b.tooltip));
        if (key == "Bold" || key == "Italic" || key == "Underline" || key == "StrikeThrough") a->setCheckable(true);
        QFont f = a->font();
        f.setBold(key == "Bold");
        f.setItalic(key == "Italic");
        f.setUnderline(key == "Underline");
        f.setStrikeOut(key == "StrikeThrough");
        a->setFont(f);
        connect(a, &QAction::triggered, this, [this, key] { tbToolBar_ButtonClick(key); });
        Buttons.insert(key, a);
        if (key == "Print" || key == "Paste" || key == "Undo" || key == "StrikeThrough" || key == "FontColor")
            tbToolBar->addSeparator();
    }

    sbStatusBar = new QStatusBar(this);
    sbStatusBar->setObjectName("sbStatusBar");
    sbStatusBar->setSizeGripEnabled(false);
    status_ = new QLabel(kNotLoaded, sbStatusBar);
    date_ = new QLabel(sbStatusBar);
    time_ = new QLabel(sbStatusBar);
    sbStatusBar->addWidget(status_, 1);
    sbStatusBar->addPermanentWidget(date_);
    sbStatusBar->addPermanentWidget(time_);
    clock_ = new QTimer(this);
    clock_->setInterval(1000);
    connect(clock_, &QTimer::timeout, this, &frmEditor::ShowClock);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->setMenuBar(menuBar);
    layout->addWidget(tbToolBar);
    layout->addWidget(RTFText, 1);
    layout->addWidget(sbStatusBar);

    connect(mnuFileNew, &QAction::triggered, this, &frmEditor::mnuFileNew_Click);
    connect(mnuFileOpen, &QAction::triggered, this, &frmEditor::mnuFileOpen_Click);
    connect(mnuFileSave, &QAction::triggered, this, &frmEditor::mnuFileSave_Click);
    connect(mnuFileSaveAs, &QAction::triggered, this, &frmEditor::mnuFileSaveAs_Click);
    connect(mnuFilePageSetup, &QAction::triggered, this, &frmEditor::mnuFilePageSetup_Click);
    connect(mnuFilePrint, &QAction::triggered, this, &frmEditor::mnuFilePrint_Click);
    connect(mnuFileExit, &QAction::triggered, this, &frmEditor::mnuFileExit_Click);
    connect(mnuEditUndo, &QAction::triggered, this, &frmEditor::mnuEditUndo_Click);
    connect(mnuEditCut, &QAction::triggered, this, &frmEditor::mnuEditCut_Click);
    connect(mnuEditCopy, &QAction::triggered, this, &frmEditor::mnuEditCopy_Click);
    connect(mnuEditPaste, &QAction::triggered, this, &frmEditor::mnuEditPaste_Click);
    connect(mnuEditSelectAll, &QAction::triggered, this, &frmEditor::mnuEditSelectAll_Click);
    connect(mnuViewToolbar, &QAction::triggered, this, &frmEditor::mnuViewToolbar_Click);
    connect(mnuViewStatusBar, &QAction::triggered, this, &frmEditor::mnuViewStatusBar_Click);
    connect(RTFText, &RichTextBox::Change, this, &frmEditor::RTFText_Change);
    connect(RTFText, &QTextEdit::cursorPositionChanged, this, [this] {
        Buttons["Bold"]->setChecked(RTFText->SelBold());
        Buttons["Italic"]->setChecked(RTFText->SelItalic());
        Buttons["Underline"]->setChecked(RTFText->SelUnderline());
        Buttons["StrikeThrough"]->setChecked(RTFText->SelStrikeThru());
    });
}

frmEditor::~frmEditor() { delete dlgCommonDialog; }

QString frmEditor::StatusText() const { return status_->text(); }

void frmEditor::SetStatus(const QString& text) { status_->setText(text); }

void frmEditor::ShowClock() {
    const QDateTime now = Now();
    date_->setText(FormatDate(now, QStringLiteral("dd/mm/yyyy")));
    time_->setText(FormatDate(now, QStringLiteral("hh:nn")));
}

void frmEditor::Form_Load() {
    SetStatus(kNotLoaded);
    modified_ = false;
    setWindowTitle(QStringLiteral("Editor %1.%2").arg(App::Major()).arg(App::Minor()));
    auto setting = [](const char* key, int def) {
        return TwipsToPixels(Val(GetSetting(SettingsName(), QStringLiteral("Settings"), QString::fromLatin1(key),
                                            QString::number(def))));
    };
    move(setting("MainLeft", 1000), setting("MainTop", 1000));
    // Never narrower than the whole toolbar: its last buttons would fold into a menu of
    // their own, out of sight.
    const int toolbarWidth = tbToolBar->sizeHint().width();
    resize(qMax(qMax(200, toolbarWidth), setting("MainWidth", 7000)), qMax(150, setting("MainHeight", 6500)));
    ShowClock();
    clock_->start();
}

void frmEditor::LoadFile(const QString& path) {
    Load();
    RTFText->LoadFile(path, rtfRTF);
    // Saving offers the file it came from (the fax cover lives in the
    // user's work folder, where nobody would look for it).
    dlgCommonDialog->FileName = path;
    DoEvents();
    SetStatus(kLoaded);
    modified_ = false;
}

void frmEditor::StartEdit(const QString& caption, const QByteArray& rtf) {
    Load();
    setWindowTitle(caption);
    RTFText->SetTextRTF(rtf);
    SetStatus(kLoaded);
    modified_ = false;
}

void frmEditor::RTFText_Change() {
    modified_ = true;
    SetStatus(kChanged);
}

void frmEditor::mnuFileNew_Click() {
    if (!modified_) {
        RTFText->Clear();
    } else if (MsgBox(QStringLiteral("Si è certi di voler creare un nuovo file?\r\n(Salvare il lavoro prima.)"),
                      vbOKCancel + vbQuestion, QStringLiteral("Nuovo file?")) == vbOK) {
        RTFText->Clear();
        SetStatus(kNew);
    }
    RTFText->setFocus();
}

void frmEditor::mnuFileOpen_Click() {
    ProcGuard::Run(QStringLiteral("Procedura mnuFileOpen_Click di Form frmEditor"), [&] {
        dlgCommonDialog->DialogTitle = QStringLiteral("Apri file RTF");
        dlgCommonDialog->Filter = kFilter;
        dlgCommonDialog->Flags = cdlOFNHideReadOnly;
        dlgCommonDialog->CancelError = false;
        // A cancelled dialog gives back no name, not the last one chosen.
        dlgCommonDialog->FileName.clear();
        dlgCommonDialog->ShowOpen(this);
        if (dlgCommonDialog->FileName.isEmpty()) return;
        RTFText->LoadFile(dlgCommonDialog->FileName, rtfRTF);
        DoEvents();
        SetStatus(kLoaded);
        modified_ = false;
    });
}

frmEditor::SaveOutcome frmEditor::Save(const QString& title) {
    dlgCommonDialog->DialogTitle = title;
    dlgCommonDialog->Filter = kFilter;
    dlgCommonDialog->Flags = cdlOFNHideReadOnly;
    dlgCommonDialog->CancelError = true;
    try {
        dlgCommonDialog->ShowSave(this);
    } catch (const BasicError&) {
        return SaveOutcome::Cancelled;
    }
    try {
        RTFText->SaveFile(dlgCommonDialog->FileName, rtfRTF);
    } catch (const BasicError& e) {
        // The changes are still only here: the user must know they were not written.
        MsgBox(QStringLiteral("Impossibile salvare il file ") + dlgCommonDialog->FileName + QStringLiteral(":\r\n") +
                   e.Description(),
               vbExclamation);
        return SaveOutcome::Failed;
    }
    SetStatus(kSaved);
    modified_ = false;
    RTFText->setFocus();
    return SaveOutcome::Saved;
}

void frmEditor::mnuFileSave_Click() { Save(QStringLiteral("Salva file RTF")); }

void frmEditor::mnuFileSaveAs_Click() { Save(QStringLiteral("Salva con nome...")); }

void frmEditor::mnuFilePageSetup_Click() {
    dlgCommonDialog->DialogTitle = QStringLiteral("Configurazione pagina e stampa");
    dlgCommonDialog->Flags = 0;
    dlgCommonDialog->CancelError = true;
    try {
        dlgCommonDialog->ShowPrinter(this);
    } catch (const BasicError&) {
    }
}

void frmEditor::mnuFilePrint_Click() {
    dlgCommonDialog->DialogTitle = QStringLiteral("Stampa");
    dlgCommonDialog->CancelError = true;
    const bool selection = RTFText->textCursor().hasSelection();
    dlgCommonDialog->Flags = cdlPDReturnDC | cdlPDNoPageNums | (selection ? cdlPDSelection : 0);
    try {
        dlgCommonDialog->ShowPrinter(this);
        // All of the text when the dialog was left on all of it.
        if (selection && !dlgCommonDialog->PrintSelection) PrintRichText(*RTFText->document(), dlgCommonDialog->PrinterDevice());
        else RTFText->SelPrint(dlgCommonDialog->PrinterDevice());
    } catch (const BasicError&) {
    }
}

void frmEditor::mnuFileExit_Click() {
    if (modified_ &&
        MsgBox(QStringLiteral("Il documento non è stato salvato!\r\nSi è certi di voler uscire?\r\n(Salvare il lavoro prima.)"),
               vbOKCancel + vbQuestion, QStringLiteral("Uscita")) != vbOK) {
        RTFText->setFocus();
        return;
    }
    Unload();
}

void frmEditor::Form_QueryUnload(int& cancel, int unloadMode) {
    Q_UNUSED(unloadMode);
    if (!modified_) return;
    if (MsgBox(QStringLiteral("Il documento non è stato salvato!\r\nSalvare prima di uscire?"), vbYesNo + vbQuestion,
               QStringLiteral("Exit Editor")) != vbYes)
        return;
    // A Save As the user cancels still closes; one whose file could not be written keeps the text open.
    if (Save(QStringLiteral("Salva con nome...")) == SaveOutcome::Failed) cancel = 1;
}

void frmEditor::Form_Unload(int& cancel) {
    Q_UNUSED(cancel);
    clock_->stop();
    if (WindowState() == vbMinimized) return;
    auto save = [](const char* key, int pixels) {
        SaveSetting(SettingsName(), QStringLiteral("Settings"), QString::fromLatin1(key),
                    QString::number(qRound(PixelsToTwips(pixels))));
    };
    save("MainLeft", x());
    save("MainTop", y());
    save("MainWidth", width());
    save("MainHeight", height());
}

void frmEditor::mnuEditUndo_Click() { RTFText->undo(); }

void frmEditor::mnuEditCut_Click() {
    QApplication::clipboard()->setText(RTFText->SelText());
    RTFText->SetSelText(QString());
}

void frmEditor::mnuEditCopy_Click() { QApplication::clipboard()->setText(RTFText->SelText()); }

void frmEditor::mnuEditPaste_Click() { RTFText->insertPlainText(QApplication::clipboard()->text()); }

void frmEditor::mnuEditSelectAll_Click() {
    RTFText->SetSelStart(0);
    RTFText->SetSelLength(int(RTFText->Text().size()));
}

void frmEditor::mnuViewToolbar_Click() { tbToolBar->setVisible(mnuViewToolbar->isChecked()); }

void frmEditor::mnuViewStatusBar_Click() { sbStatusBar->setVisible(mnuViewStatusBar->isChecked()); }

void frmEditor::mnuVariabile_Click(const QString& marker) {
    // Typed at the caret, in the formatting being typed, over any selection.
    RTFText->insertPlainText(marker);
}

void frmEditor::ToggleFormat(const QString& key) {
    QAction* button = Buttons[key];
    if (key == "Bold") {
        RTFText->SetSelBold(!RTFText->SelBold());
        button->setChecked(RTFText->SelBold());
    } else if (key == "Italic") {
        RTFText->SetSelItalic(!RTFText->SelItalic());
        button->setChecked(RTFText->SelItalic());
    } else if (key == "Underline") {
        RTFText->SetSelUnderline(!RTFText->SelUnderline());
        button->setChecked(RTFText->SelUnderline());
    } else if (key == "StrikeThrough") {
        RTFText->SetSelStrikeThru(!RTFText->SelStrikeThru());
        button->setChecked(RTFText->SelStrikeThru());
    }
}

void frmEditor::tbToolBar_ButtonClick(const QString& key) {
    try {
        if (key == "New") mnuFileNew_Click();
        else if (key == "Open") mnuFileOpen_Click();
        else if (key == "Save") mnuFileSave_Click();
        else if (key == "Print") mnuFilePrint_Click();
        else if (key == "Cut") mnuEditCut_Click();
        else if (key == "Copy") mnuEditCopy_Click();
        else if (key == "Paste") mnuEditPaste_Click();
        else if (key == "Undo") mnuEditUndo_Click();
        else if (key == "Bold" || key == "Italic" || key == "Underline" || key == "StrikeThrough") ToggleFormat(key);
        else if (key == "Font") {
            dlgCommonDialog->Flags = cdlCFScreenFonts | cdlCFPrinterFonts;
            dlgCommonDialog->CancelError = true;
            dlgCommonDialog->DialogTitle = QString();
            dlgCommonDialog->FontSize = RTFText->SelFontSize();
            dlgCommonDialog->FontName = RTFText->SelFontName();
            dlgCommonDialog->FontBold = RTFText->SelBold();
            dlgCommonDialog->FontItalic = RTFText->SelItalic();
            dlgCommonDialog->ShowFont(this);
            RTFText->SetSelFontName(dlgCommonDialog->FontName);
            RTFText->SetSelFontSize(dlgCommonDialog->FontSize);
            RTFText->SetSelItalic(dlgCommonDialog->FontItalic);
            RTFText->SetSelBold(dlgCommonDialog->FontBold);
        } else if (key == "FontColor") {
            dlgCommonDialog->CancelError = true;
            dlgCommonDialog->DialogTitle = QString();
            dlgCommonDialog->Color = RTFText->SelColor();
            dlgCommonDialog->ShowColor(this);
            RTFText->SetSelColor(dlgCommonDialog->Color);
        } else if (key == "Align Left") RTFText->SetSelAlignment(rtfLeft);
        else if (key == "Center") RTFText->SetSelAlignment(rtfCenter);
        else if (key == "Align Right") RTFText->SetSelAlignment(rtfRight);
    } catch (const std::exception&) {
        // A cancelled dialog or a failed format: the text stays as it was.
    }
}
