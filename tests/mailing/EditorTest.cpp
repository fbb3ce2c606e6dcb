// The letter editor: its place and caption, the modified state and its
// questions, the merge-field menu, saving (and saving that fails), printing,
// and a letter that goes round through LibreOffice.
#include "MailingDb.h"

#include "CommonDialog.h"
#include "Errors.h"
#include "RichTextBox.h"
#include "Rtf.h"
#include "Settings.h"
#include "SofficeKit.h"
#include "Values.h"
#include "frmEditor.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QMenu>
#include <QPrinter>
#include <QTemporaryDir>
#include <QTextCursor>
#include <QToolBar>

using namespace Platform;

namespace {

class Editor : public ::testing::Test {
protected:
    void SetUp() override {
        previousFiles = SetFileDialogHandler([this](const FileDialogCall& call) {
            fileCalls.append(call);
            return nextFiles.isEmpty() ? QString() : nextFiles.takeFirst();
        });
    }
    void TearDown() override {
        SetFileDialogHandler(previousFiles);
        CommonDialog::SetHandler({});
        if (editor && !editor->IsUnloaded()) {
            editor->RTFText->document()->setModified(false);
            env.AnswerNext(vbNo);
            editor->Unload();
        }
    }
    frmEditor& Open() {
        editor = new frmEditor;
        editor->Load();
        return *editor;
    }
    QString WriteFile(const QString& name, const QByteArray& data) {
        QFile f(dir.filePath(name));
        f.open(QIODevice::WriteOnly);
        f.write(data);
        return f.fileName();
    }
    static QByteArray ReadFile(const QString& path) {
        QFile f(path);
        f.open(QIODevice::ReadOnly);
        return f.readAll();
    }
    static QString Setting(const char* key) {
        return GetSetting(frmEditor::SettingsName(), "Settings", QString::fromLatin1(key));
    }

    TestKit::Environment env;
    QTemporaryDir dir;
    QPointer<frmEditor> editor;
    QList<FileDialogCall> fileCalls;
    QStringList nextFiles;
    FileDialogHandler previousFiles;
};

const QByteArray kLetter = "{\\rtf1\\ansi{\\fonttbl{\\f0 Arial;}}{\\header Carta intestata\\par}"
                           "Egregio {\\b ||COGNOME||},\\par la ringraziamo.\\par}";

}  // namespace

TEST_F(Editor, OpensWhereItWasLeftWithItsCaption) {
    auto& e = Open();
    EXPECT_EQ(frmEditor::SettingsName(), "Brivalto-Editor");
    EXPECT_EQ(e.windowTitle(), QStringLiteral("Editor %1.%2").arg(App::Major()).arg(App::Minor()));
    EXPECT_EQ(e.StatusText(), "Avvio: nessun file caricato o file non modificato.");
    // The texts of the window's design, English among them; the rest in Italian.
    EXPECT_EQ(e.mnuEdit->title(), "&Edit");
    EXPECT_EQ(e.mnuEditUndo->text(), "&Undo");
    EXPECT_EQ(e.Buttons["Undo"]->toolTip(), "Undo");
    EXPECT_EQ(e.mnuFileExit->text(), "Esci");
    EXPECT_EQ(e.Buttons["Paste"]->toolTip(), "Incolla");
    EXPECT_EQ(e.pos(), QPoint(TwipsToPixels(1000), TwipsToPixels(1000)));
    EXPECT_GE(e.width(), TwipsToPixels(7000));  // wider when its toolbar needs it
    EXPECT_EQ(e.height(), TwipsToPixels(6500));
    e.move(150, 90);
    e.resize(600, 400);
    e.Unload();
    EXPECT_EQ(Setting("MainLeft"), "2250");
    EXPECT_EQ(Setting("MainTop"), "1350");
    EXPECT_EQ(Setting("MainWidth"), "9000");
    EXPECT_EQ(Setting("MainHeight"), "6000");

    auto& again = Open();
    EXPECT_EQ(again.pos(), QPoint(150, 90));
    again.SetWindowState(vbMinimized);
    again.move(10, 10);
    again.Unload();
    EXPECT_EQ(Setting("MainLeft"), "2250") << "a window closed while minimised keeps the place saved before";
}

TEST_F(Editor, LoadingEditingAndStartingAnEdit) {
    auto& e = Open();
    try {
        e.LoadFile(dir.filePath("manca.rtf"));
        ADD_FAILURE() << "a missing file is the caller's error";
    } catch (const BasicError& error) {
        EXPECT_EQ(error.Number(), 53);
    }
    e.LoadFile(WriteFile("lettera.rtf", kLetter));
    EXPECT_FALSE(e.Modified());
    EXPECT_EQ(e.StatusText(), "File caricato - non modificato.");
    EXPECT_TRUE(e.isHidden()) << "loading does not show the window";
    e.RTFText->insertPlainText("x");
    EXPECT_TRUE(e.Modified());
    EXPECT_EQ(e.StatusText(), "File modificato - non ancora salvato.");
    e.StartEdit("Copertina", "{\\rtf1 Nuovo testo\\par}");
    EXPECT_EQ(e.windowTitle(), "Copertina");
    EXPECT_EQ(e.RTFText->Text(), "Nuovo testo");
    EXPECT_FALSE(e.Modified());
}

TEST_F(Editor, NewAsksOnlyWhenThereIsWorkToLose) {
    auto& e = Open();
    e.LoadFile(WriteFile("lettera.rtf", kLetter));
    e.mnuFileNew_Click();
    EXPECT_TRUE(env.Boxes().isEmpty());
    EXPECT_EQ(e.RTFText->Text(), "");
    EXPECT_TRUE(e.Modified()) << "clearing is a change";
    EXPECT_FALSE(DocumentToRtf(*e.RTFText->document()).contains("Carta intestata")) << "a new document has no header";

    e.RTFText->insertPlainText("lavoro");
    env.AnswerNext(vbCancel);
    e.mnuFileNew_Click();
    ASSERT_EQ(env.Boxes().size(), 1);
    EXPECT_EQ(env.Boxes()[0].prompt, "Si è certi di voler creare un nuovo file?\r\n(Salvare il lavoro prima.)");
    EXPECT_EQ(env.Boxes()[0].style, vbOKCancel + vbQuestion);
    EXPECT_EQ(env.Boxes()[0].title, "Nuovo file?");
    EXPECT_EQ(e.RTFText->Text(), "lavoro");
    env.AnswerNext(vbOK);
    e.mnuFileNew_Click();
    EXPECT_EQ(e.RTFText->Text(), "");
    EXPECT_EQ(e.StatusText(), "Nuovo file, non salvato.");
}

TEST_F(Editor, MergeFieldsAreTypedAtTheCaret) {
    auto& e = Open();
    const QStringList names = {"mnuCategoria", "mnuTitolo", "mnuCognome", "mnuNome", "mnuContatto",
                               "mnuIndirizzo", "mnuCAP", QStringLiteral("mnuCittà"), "mnuProvincia", "mnuNazione",
                               "mnuEmail", "mnuTelefono", "mnuFax"};
    ASSERT_EQ(e.mnuVariabiliItems.size(), 13);
    for (int i = 0; i < 13; ++i) EXPECT_EQ(e.mnuVariabiliItems[i]->objectName(), names[i]);
    EXPECT_EQ(e.mnuVariabili->title(), "Va&riabili");
    EXPECT_EQ(e.mnuVariabiliItems[7]->text(), QStringLiteral("inserisci Citt&à"));

    e.StartEdit("Lettera", "{\\rtf1 Gentile SIGNORE,\\par}");
    e.RTFText->SetSelStart(8);
    e.RTFText->SetSelLength(7);
    e.mnuVariabiliItems[3]->trigger();  // inserisci Nome
    e.RTFText->SetSelStart(int(e.RTFText->Text().size()));
    e.mnuVariabiliItems[7]->trigger();  // inserisci Città
    EXPECT_EQ(e.RTFText->Text(), "Gentile ||NOME||,||CITTA||");
    EXPECT_TRUE(e.Modified());
}

// Every button of the toolbar shows, none folded into the bar's menu of the ones that do not
// fit: at the window's first size, and where a narrower window was left.
TEST_F(Editor, OpensWithItsWholeToolbarInSight) {
    for (const char* width : {"", "3000"}) {
        if (*width) SaveSetting(frmEditor::SettingsName(), "Settings", "MainWidth", width);
        auto& e = Open();
        e.show();
        for (QAction* a : e.tbToolBar->actions()) {
            if (a->isSeparator()) continue;
            const QWidget* button = e.tbToolBar->widgetForAction(a);
            ASSERT_TRUE(button) << a->objectName().toStdString();
            EXPECT_TRUE(button->isVisible()) << a->objectName().toStdString() << " at " << e.width() << " px";
        }
        EXPECT_EQ(e.height(), TwipsToPixels(6500));
        e.Unload();
    }
}

TEST_F(Editor, SavingAndWhatASaveThatFailsTellsTheUser) {
    auto& e = Open();
    e.StartEdit("Lettera", kLetter);
    e.RTFText->insertPlainText("Aggiunto ");

    e.mnuFileSave_Click();  // cancelled
    ASSERT_EQ(fileCalls.size(), 1);
    EXPECT_TRUE(fileCalls[0].save);
    EXPECT_EQ(fileCalls[0].title, "Salva file RTF");
    EXPECT_EQ(fileCalls[0].filter, "Rich Text Files (*.rtf)|*.rtf");
    EXPECT_FALSE(fileCalls[0].flags & cdlOFNOverwritePrompt) << "saving over a file asks nothing";
    EXPECT_TRUE(e.Modified());

    nextFiles << dir.filePath("nessuna/cartella/lettera.rtf");
    e.mnuFileSaveAs_Click();
    EXPECT_EQ(fileCalls.last().title, "Salva con nome...");
    ASSERT_EQ(env.Boxes().size(), 1);
    EXPECT_TRUE(env.Boxes()[0].prompt.startsWith("Impossibile salvare il file ")) << env.Boxes()[0].prompt.toStdString();
    EXPECT_TRUE(e.Modified());
    EXPECT_EQ(e.StatusText(), "File modificato - non ancora salvato.");

    const QString target = WriteFile("esistente.rtf", "vecchio contenuto");
    nextFiles << target;
    e.mnuFileSave_Click();
    EXPECT_FALSE(e.Modified());
    EXPECT_EQ(e.StatusText(), "File salvato correttamente.");
    QTextDocument saved;
    ASSERT_TRUE(RtfToDocument(ReadFile(target), saved));
    EXPECT_EQ(saved.toPlainText(), "Aggiunto Egregio ||COGNOME||,\nla ringraziamo.");
    ASSERT_NE(HeaderFooterDocument(saved, "header"), nullptr);
}

TEST_F(Editor, ClosingAsksAndKeepsUnwrittenWork) {
    {
        auto& e = Open();
        e.RTFText->insertPlainText("testo");
        env.AnswerNext(vbNo);
        EXPECT_TRUE(e.Unload());
        EXPECT_EQ(env.Prompts(), QStringList({"Il documento non è stato salvato!\r\nSalvare prima di uscire?"}));
        EXPECT_EQ(env.Boxes()[0].title, "Exit Editor");
        EXPECT_EQ(env.Boxes()[0].style, vbYesNo + vbQuestion);
    }
    {
        // Yes, and the Save As is cancelled: the window closes, as it always did.
        auto& e = Open();
        e.RTFText->insertPlainText("testo");
        env.AnswerNext(vbYes);
        EXPECT_TRUE(e.Unload());
    }
    {
        // Yes, and the file cannot be written: the window stays with the text.
        auto& e = Open();
        e.RTFText->insertPlainText("testo prezioso");
        env.ClearBoxes();
        env.AnswerNext(vbYes);
        nextFiles << dir.filePath("manca/lettera.rtf");
        EXPECT_FALSE(e.Unload());
        EXPECT_FALSE(e.IsUnloaded());
        EXPECT_EQ(env.Boxes().size(), 2);
        EXPECT_EQ(e.RTFText->Text(), "testo prezioso");
        // Then saved where it can be: the window closes.
        env.AnswerNext(vbYes);
        nextFiles << dir.filePath("salvata.rtf");
        EXPECT_TRUE(e.Unload());
        EXPECT_TRUE(ReadFile(dir.filePath("salvata.rtf")).contains("testo prezioso"));
    }
}

TEST_F(Editor, ExitAsksTwiceWhenTheWorkIsNotSaved) {
    auto& e = Open();
    e.RTFText->insertPlainText("testo");
    env.AnswerNext(vbCancel);
    e.mnuFileExit_Click();
    EXPECT_FALSE(e.IsUnloaded());
    EXPECT_EQ(env.Boxes().last().title, "Uscita");
    EXPECT_EQ(env.Boxes().last().prompt,
              "Il documento non è stato salvato!\r\nSi è certi di voler uscire?\r\n(Salvare il lavoro prima.)");
    env.AnswerNext(vbOK);
    env.AnswerNext(vbNo);
    e.mnuFileExit_Click();
    EXPECT_TRUE(e.IsUnloaded());
    EXPECT_EQ(env.Boxes().last().title, "Exit Editor");
}

TEST_F(Editor, FormattingButtons) {
    auto& e = Open();
    e.StartEdit("Lettera", "{\\rtf1 uno {\\b due} tre\\par}");
    e.RTFText->SetSelStart(4);
    e.RTFText->SetSelLength(3);
    EXPECT_TRUE(e.Buttons["Bold"]->isChecked());
    e.Buttons["Bold"]->trigger();
    EXPECT_FALSE(e.RTFText->SelBold());
    EXPECT_FALSE(e.Buttons["Bold"]->isChecked()) << "the button shows raised";
    e.Buttons["Bold"]->trigger();
    EXPECT_TRUE(e.RTFText->SelBold());
    e.Buttons["StrikeThrough"]->trigger();
    EXPECT_TRUE(e.RTFText->SelStrikeThru());
    e.Buttons["Center"]->trigger();
    EXPECT_EQ(e.RTFText->SelAlignment(), rtfCenter);

    CommonDialog::SetHandler([](CommonDialog& d, CommonDialog::Kind kind) {
        if (kind == CommonDialog::Kind::Font) {
            EXPECT_EQ(d.Flags, 3);
            EXPECT_TRUE(d.FontBold);
            d.FontName = "Courier New";
            d.FontSize = 18;
            d.FontBold = false;
            d.FontUnderline = true;  // not taken from the dialog
            return true;
        }
        return false;  // the colour dialog is cancelled
    });
    e.Buttons["Font"]->trigger();
    EXPECT_EQ(e.RTFText->SelFontName(), "Courier New");
    EXPECT_DOUBLE_EQ(e.RTFText->SelFontSize(), 18);
    EXPECT_FALSE(e.RTFText->SelBold());
    EXPECT_FALSE(e.RTFText->SelUnderline());
    const QColor before = e.RTFText->SelColor();
    e.Buttons["FontColor"]->trigger();
    EXPECT_EQ(e.RTFText->SelColor(), before);
    EXPECT_EQ(e.tbToolBar->actions().size(), 17 + 5) << "17 buttons and their separators";
}

TEST_F(Editor, ClipboardCarriesPlainText) {
    auto& e = Open();
    e.StartEdit("Lettera", "{\\rtf1 {\\b grassetto} normale\\par}");
    e.RTFText->SetSelStart(0);
    e.RTFText->SetSelLength(9);
    e.mnuEditCopy_Click();
    EXPECT_EQ(QApplication::clipboard()->text(), "grassetto");
    e.RTFText->SetSelStart(int(e.RTFText->Text().size()));
    e.mnuEditPaste_Click();
    EXPECT_EQ(e.RTFText->Text(), "grassetto normalegrassetto");
    e.RTFText->SetSelStart(int(e.RTFText->Text().size()) - 1);
    EXPECT_FALSE(e.RTFText->SelBold()) << "formatting does not travel through the clipboard";
    e.RTFText->SetSelStart(0);
    e.RTFText->SetSelLength(10);
    e.mnuEditCut_Click();
    EXPECT_EQ(e.RTFText->Text(), "normalegrassetto");
    e.mnuEditSelectAll_Click();
    EXPECT_EQ(e.RTFText->SelText(), "normalegrassetto");
}

TEST_F(Editor, PrintsTheSelectionOrAll) {
    if (QStandardPaths::findExecutable("pdftotext").isEmpty()) GTEST_SKIP() << "pdftotext is not installed";
    auto& e = Open();
    e.StartEdit("Lettera", "{\\rtf1 Prima riga\\par Seconda riga\\par}");
    QList<long> flags;
    int jobs = 0;
    CommonDialog::SetHandler([&](CommonDialog& d, CommonDialog::Kind kind) {
        EXPECT_EQ(kind, CommonDialog::Kind::Printer);
        flags << d.Flags;
        d.PrinterDevice().setOutputFormat(QPrinter::PdfFormat);
        d.PrinterDevice().setOutputFileName(dir.filePath(QStringLiteral("stampa%1.pdf").arg(++jobs)));
        return true;
    });
    e.mnuFilePrint_Click();
    e.RTFText->SetSelStart(11);
    e.RTFText->SetSelLength(7);
    e.mnuFilePrint_Click();
    ASSERT_EQ(flags.size(), 2);
    EXPECT_EQ(flags[0], 264);
    EXPECT_EQ(flags[1], 265);
    auto text = [this](int job) {
        QProcess p;
        p.start("pdftotext", {dir.filePath(QStringLiteral("stampa%1.pdf").arg(job)), "-"});
        p.waitForFinished(60000);
        return QString::fromUtf8(p.readAllStandardOutput()).simplified();
    };
    EXPECT_EQ(text(1), "Prima riga Seconda riga");
    EXPECT_EQ(text(2), "Seconda");

    CommonDialog::SetHandler([](CommonDialog&, CommonDialog::Kind) { return false; });
    e.mnuFilePrint_Click();  // cancelled: nothing happens
    e.mnuFilePageSetup_Click();
    EXPECT_TRUE(env.Boxes().isEmpty());
}

TEST_F(Editor, LetterGoesRoundThroughLibreOffice) {
    if (!SofficeKit::Available()) GTEST_SKIP() << "soffice is not installed";
    // A letter as LibreOffice writes it.
    const QString html = WriteFile("lettera.html",
                                   QStringLiteral("<html><body><p align=\"center\"><b>Ditta Bianchi</b></p>"
                                                  "<p>Egregio cliente, città di Forlì.</p>"
                                                  "<table border=\"1\"><tr><td>Articolo</td><td>Prezzo €</td></tr></table>"
                                                  "</body></html>")
                                       .toUtf8());
    const QString original = SofficeKit::Convert(html, "rtf", dir.path(), {"--writer"});
    ASSERT_FALSE(original.isEmpty());

    auto& e = Open();
    e.LoadFile(original);
    const int at = e.RTFText->Find("cliente");
    ASSERT_GE(at, 0);
    e.RTFText->SetSelStart(at);
    e.RTFText->SetSelLength(7);
    e.mnuVariabiliItems[1]->trigger();  // Titolo
    e.RTFText->insertPlainText(" ");
    e.mnuVariabiliItems[2]->trigger();  // Cognome
    e.RTFText->SetSelStart(int(e.RTFText->Text().size()));
    e.RTFText->insertPlainText(QStringLiteral("Cordiali saluti da ||CITTA||"));
    const QString saved = dir.filePath("modificata.rtf");
    nextFiles << saved;
    e.mnuFileSave_Click();
    ASSERT_FALSE(e.Modified());

    QTemporaryDir out;
    const QString txt = SofficeKit::Convert(saved, "txt:Text (encoded):UTF8", out.path());
    ASSERT_FALSE(txt.isEmpty());
    const QString text = QString::fromUtf8(ReadFile(txt));
    EXPECT_TRUE(text.contains("Ditta Bianchi")) << text.toStdString();
    EXPECT_TRUE(text.contains(QStringLiteral("Egregio ||TITOLO|| ||COGNOME||, città di Forlì."))) << text.toStdString();
    EXPECT_TRUE(text.contains(QStringLiteral("Prezzo €")));
    EXPECT_TRUE(text.contains("Cordiali saluti da ||CITTA||"));
}

TEST_F(Editor, ALetterTooLargeToOpenIsRefusedWithItsReason) {
    // 3.3 KB asking for a table of 300 x 300 cells held the editor for 13 s.
    const QString huge = QStringLiteral(MAILING_TEST_DATA "/../../data/rtf/huge/row300x300.rtf");
    const QString why = QStringLiteral("Il documento RTF contiene tabelle troppo grandi: più di 50000 celle");
    auto& e = Open();
    try {
        e.LoadFile(huge);
        ADD_FAILURE() << "the mailing window shows the error of a letter that cannot be opened";
    } catch (const BasicError& error) {
        EXPECT_EQ(error.Number(), 321);
        EXPECT_EQ(error.Description(), why);
    }
    // Opened from the menu, a message says so, and the letter open stays as it was.
    e.LoadFile(WriteFile("lettera.rtf", kLetter));
    nextFiles = {huge};
    e.mnuFileOpen_Click();
    ASSERT_EQ(env.Boxes().size(), 1);
    EXPECT_TRUE(env.Boxes()[0].prompt.contains(why)) << env.Boxes()[0].prompt.toStdString();
    EXPECT_EQ(e.RTFText->Text(), "Egregio ||COGNOME||,\nla ringraziamo.");
    EXPECT_FALSE(e.Modified());
    EXPECT_EQ(e.StatusText(), "File caricato - non modificato.");
}
