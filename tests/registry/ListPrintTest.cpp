// The two list-printing windows driven as a user would, through the real print-preview library:
// the field list, the search's 5,000-record list previewed, exported and printed to PDF, the
// activity list, and the library's errors.
#include "CommonDialog.h"
#include "Form.h"
#include "Global.h"
#include "ListView.h"
#include "MultiButton.h"
#include "PdfText.h"
#include "Printer.h"
#include "PreviewSteps.h"
#include "RegistryDb.h"
#include "frmAttesa.h"
#include "frmCercaAnagrafica.h"
#include "frmPrint.h"
#include "frmPrintLV.h"

#include <Pagivex/Pagivex.h>

#include <QApplication>
#include <QCheckBox>
#include <QDialog>
#include <QFile>
#include <QLineEdit>
#include <QListWidget>
#include <QPrinter>
#include <QPrinterInfo>
#include <QProcess>

using namespace Platform;

namespace {

// Answers the save and printer dialogs in order; an unanswered save dialog is a failure of the test.
// A printer dialog's answer "pdf:<file>" is its "print to file" with that name.
class Dialogs {
public:
    explicit Dialogs(QString fallback) : fallback_(std::move(fallback)) {
        previousFile_ = SetFileDialogHandler([this](const FileDialogCall& call) {
            calls.append(call);
            if (!answers.isEmpty()) return answers.takeFirst();
            ADD_FAILURE() << "save dialog left unanswered";
            return fallback_;
        });
        previousChoice_ = CommonDialog::SetHandler([this](CommonDialog& dialog, CommonDialog::Kind kind) {
            if (kind != CommonDialog::Kind::Printer) return false;
            printerTitles.append(dialog.DialogTitle);
            const QString name = answers.isEmpty() ? QString() : answers.takeFirst();
            if (name.isEmpty()) return false;
            if (name.startsWith("pdf:")) {
                dialog.PrinterDevice().setOutputFormat(QPrinter::PdfFormat);
                dialog.PrinterDevice().setOutputFileName(name.mid(4));
                return true;
            }
            dialog.PrinterDevice().setPrinterName(name);
            return true;
        });
    }
    ~Dialogs() {
        SetFileDialogHandler(previousFile_);
        CommonDialog::SetHandler(previousChoice_);
    }
    QStringList answers;
    QList<FileDialogCall> calls;
    QStringList printerTitles;

private:
    QString fallback_;
    FileDialogHandler previousFile_;
    CommonDialog::Handler previousChoice_;
};

class Printers {
public:
    explicit Printers(QStringList names) {
        previous_ = SetPrinterListHandler([names] { return names; });
    }
    ~Printers() {
        SetPrinterListHandler(previous_);
        Printer().SetPdfFolder(QString());
        Printer().SetDeviceName(QString());
    }

private:
    PrinterListHandler previous_;
};

class ModalSteps {
public:
    explicit ModalSteps(ModalHandler steps) { previous_ = SetModalHandler(std::move(steps)); }
    ~ModalSteps() { SetModalHandler(previous_); }

private:
    ModalHandler previous_;
};

QString Tool(const QString& program, const QStringList& args) {
    QProcess p;
    p.start(program, args);
    p.waitForFinished(60000);
    return QString::fromUtf8(p.readAllStandardOutput());
}

int PdfPages(const QString& file) {
    for (const QString& line : Tool("pdfinfo", {file}).split('\n'))
        if (line.startsWith("Pages:")) return line.mid(6).trimmed().toInt();
    return -1;
}

QString Read(const QString& file) {
    QFile f(file);
    if (!f.open(QIODevice::ReadOnly)) return QString();
    return QString::fromLatin1(f.readAll());
}

QStringList Texts(const Pagivex::Page& page) {
    QStringList texts;
    for (qint16 i = 1; i <= page.ElementCount(); ++i)
        if (page.Element(i).Type == 1) texts << page.Element(i).Text;
    return texts;
}

QStringList Entries(const QListWidget& list) {
    QStringList entries;
    for (int i = 0; i < list.count(); ++i)
        entries << list.item(i)->text() + (list.item(i)->checkState() == Qt::Checked ? "+" : "-");
    return entries;
}

void Shot(QWidget& widget, const char* name) {
    widget.grab().save(QStringLiteral(LISTPRINT_SHOT_DIR "/") + name);
}

class ListPrinting : public RegistryDb {
protected:
    void SetUp() override {
        RegistryDb::SetUp();
        qputenv("PAGIVEX_LOG_DIR", env.Root().toUtf8());
        env.SetClock(QDateTime(QDate(2024, 12, 9), QTime(10, 30)));
    }
    void TearDown() override { qunsetenv("PAGIVEX_LOG_DIR"); }
    bool WaitShown() const { return IsDefaultInstanceLoaded<frmAttesa>(); }
};

}  // namespace

TEST_F(ListPrinting, TheFieldListOffersCaptionedColumnsInDisplayOrderAndMovesThem) {
    ListView list;
    list.AddColumn("id", "ID scheda", 1200);
    list.AddColumn("vuota", "  ", 600);
    list.AddColumn("citta", "città", 1500, 1);
    list.AddColumn("nota", "nota", 900);
    list.Column(3).SetPosition(1);
    auto* form = new frmPrintLV;
    form->Load();
    int steps = 0;
    ModalSteps modal([&](Form& f) {
        ++steps;
        EXPECT_EQ(&f, form);
        EXPECT_EQ(form->windowTitle(), " Stampa lista");
        EXPECT_EQ(Entries(*form->lsFields), QStringList({"città+", "ID scheda+", "nota+"}));
        EXPECT_TRUE(form->lsFields->selectedItems().isEmpty());
        EXPECT_FALSE(form->cmdUp->isEnabled());
        EXPECT_FALSE(form->cmdDown->isEnabled());
        EXPECT_EQ(form->txMargHor->text(), "7");
        EXPECT_EQ(form->txMargVert->maxLength(), 2);
        // A ticked preview stands out in red.
        EXPECT_TRUE(form->ckAnteprima->isChecked());
        EXPECT_EQ(BackColor(form->ckAnteprima), 255);
        form->ckAnteprima->setChecked(false);
        EXPECT_EQ(BackColor(form->ckAnteprima), Global::gColButton);
        EXPECT_EQ(ForeColor(form->ckAnteprima), Global::gColText);
        form->ckAnteprima->setChecked(true);

        form->lsFields->item(0)->setSelected(true);
        EXPECT_FALSE(form->cmdUp->isEnabled());
        EXPECT_TRUE(form->cmdDown->isEnabled());
        form->lsFields->item(0)->setCheckState(Qt::Unchecked);
        form->cmdDown_Click();
        EXPECT_EQ(Entries(*form->lsFields), QStringList({"ID scheda+", "città-", "nota+"}));
        EXPECT_TRUE(form->lsFields->item(1)->isSelected());
        EXPECT_TRUE(form->cmdUp->isEnabled());
        form->cmdDown_Click();
        EXPECT_EQ(Entries(*form->lsFields), QStringList({"ID scheda+", "nota+", "città-"}));
        EXPECT_FALSE(form->cmdDown->isEnabled());
        form->cmdUp_Click();
        form->cmdUp_Click();
        EXPECT_EQ(Entries(*form->lsFields), QStringList({"città-", "ID scheda+", "nota+"}));
        form->lsFields->clearSelection();
        EXPECT_FALSE(form->cmdUp->isEnabled() || form->cmdDown->isEnabled());

        // A margin keeps its leading number only.
        form->txMargHor->setText("9x");
        form->txMargHor_LostFocus();
        EXPECT_EQ(form->txMargHor->text(), "9");
        form->txMargVert->setText("mm");
        form->txMargVert_LostFocus();
        EXPECT_EQ(form->txMargVert->text(), "0");
        form->cmdAnnulla_Click();
    });
    form->ShowPrint(list, "Stampa anagrafica");
    EXPECT_EQ(steps, 1);
    EXPECT_TRUE(form->IsUnloaded());
    EXPECT_TRUE(env.Boxes().isEmpty());
}

TEST_F(ListPrinting, CellsComeFromTheirColumnsByIndexWhateverTheCaptionsAndKeys) {
    // Captions that are not the columns' keys, one of them twice, shown in another order.
    ListView list;
    list.AddColumn("k1", "codice", 900);
    list.AddColumn("k2", "nome", 1500);
    list.AddColumn("k3", "nome", 1500);
    list.AddColumn("k4", "importo", 900, 1);
    list.Column(4).SetPosition(2);
    auto item = list.AddItem("r1", "A1");
    item.SetSubItem(1, "Rossi");
    item.SetSubItem(2, "Mario");
    item.SetSubItem(3, "12,50");
    auto* form = new frmPrintLV;
    QStringList page1;
    TestKit::PreviewSteps preview([&](QDialog&) {
        ASSERT_TRUE(form->prw);
        auto pages = form->prw->Pages();
        ASSERT_EQ(pages->Count(), 1);
        page1 = Texts(*pages->Item(1));
        // The right-aligned column keeps its alignment, as the library stores it.
        for (qint16 i = 1; i <= pages->Item(1)->ElementCount(); ++i) {
            const Pagivex::PageElement e = pages->Item(1)->Element(i);
            if (e.Type == 1 && e.Text == "12,50") {
                EXPECT_EQ(e.Aligment, 2);
            }
            if (e.Type == 1 && e.Text == "Rossi") {
                EXPECT_EQ(e.Aligment, 4);
            }
        }
    });
    ModalSteps modal([&](Form&) { form->cmdStampa_Click(); });
    form->ShowPrint(list, "Prova");
    EXPECT_EQ(preview.shown, 1);
    EXPECT_EQ(page1, QStringList({"Prova", "09/12/2024", "pag.  1", "codice", "importo", "nome", "nome", "A1", "12,50",
                                  "Rossi", "Mario"}));
    // The run hid the window, which stays loaded for the next list; the preview object is gone.
    EXPECT_FALSE(form->isVisible());
    EXPECT_FALSE(form->IsUnloaded());
    EXPECT_FALSE(form->prw);
    EXPECT_FALSE(WaitShown());
    form->Unload();
}

TEST_F(ListPrinting, AFiveThousandRecordSearchPreviewedExportedAndPrintedToPdf) {
    cn.BeginTrans();
    for (int i = 1; i <= 5000; ++i)
        cn.Execute("INSERT INTO ANAGRAFICA (ID,IDAZIENDA,AZIENDA,COGNOME,NOME,CAP,CITTA,PROVINCIA,EMAIL,TELEFONO) "
                   "VALUES (?,0,?,?,'Mario','47121','Forlì','FC',?,'0543 123456')",
                   {i, QString("Ditta %1").arg(i % 97), QString("Cognome%1").arg(i), QString("c%1@esempio.it").arg(i)});
    cn.CommitTrans();
    frmCercaAnagrafica search;
    search.Load();
    search.cmdAggiorna_Click();
    ASSERT_EQ(search.LV->ItemCount(), 5000);

    const QString folder = env.Root() + "/export";
    QDir().mkpath(folder);
    Dialogs dialogs(folder + "/scorta");
    // Cancelled twice, the CSV dialog comes back until a name is given.
    dialogs.answers = {"", "", folder + "/lista", folder + "/Lista.TXT", folder + "/lista.html"};
    int pageCount = 0;
    QString chosenHtml;
    TestKit::PreviewSteps preview([&](QDialog& window) {
        auto& form = DefaultInstance<frmPrintLV>();
        ASSERT_TRUE(form.prw);
        pageCount = form.prw->Pages()->Count();
        window.resize(900, 700);
        Shot(window, "listprint-preview.png");
        TestKit::PreviewSteps::Export(window, "CSV");
        EXPECT_EQ(form.prw->OutputFile(), folder + "/lista.csv");
        TestKit::PreviewSteps::Export(window, "File di testo");
        TestKit::PreviewSteps::Export(window, "HTML");
        chosenHtml = form.CD.FileName;
        EXPECT_EQ(form.prw->OutputFile(), folder + "/lista.html.htm");
    });
    int shown = 0;
    ModalSteps modal([&](Form& f) {
        auto& form = static_cast<frmPrintLV&>(f);
        ++shown;
        if (shown == 1) {
            Shot(form, "listprint-frmPrintLV.png");
            // The free fields without a caption are left out by the user.
            for (int i = 0; i < form.lsFields->count(); ++i)
                if (form.lsFields->item(i)->text().startsWith("ff")) form.lsFields->item(i)->setCheckState(Qt::Unchecked);
            form.txMargHor->setText("10");
            form.cmdStampa_Click();
            return;
        }
        // The window was only hidden: the margin and the choices are still there.
        EXPECT_EQ(form.txMargHor->text(), "10");
        EXPECT_EQ(form.lsFields->count(), 19);
        form.ckAnteprima->setChecked(false);
        form.cmdStampa_Click();
    });
    {
        // Whatever printers this machine has: one that prints nothing here.
        Printers office({"Ufficio"});
        search.cmdStampaLista_Click();
    }
    EXPECT_EQ(preview.shown, 1);
    // Landscape at 8 points with shrunk columns: 44 rows a page.
    EXPECT_EQ(pageCount, 114);
    EXPECT_EQ(dialogs.calls.size(), 5);
    EXPECT_TRUE(dialogs.calls[0].save);
    EXPECT_EQ(dialogs.calls[0].title, "Esportazione file");
    // The name chosen in the event; the library keeps its dots and its last extension.
    EXPECT_EQ(chosenHtml, folder + "/lista.html.htm");
    const QString csv = Read(folder + "/lista.csv");
    EXPECT_TRUE(csv.startsWith("Page 1\r\n"));
    EXPECT_TRUE(csv.contains("\"Cognome4999 Mario\""));
    EXPECT_TRUE(csv.contains("Page 114\r\n"));
    const QString text = Read(folder + "/Lista.txt");
    EXPECT_TRUE(text.contains("/// Brivalto"));
    EXPECT_TRUE(text.contains("Cognome4999 Mario"));
    EXPECT_TRUE(text.contains(" Page 114\r\n"));
    const QString html = Read(folder + "/lista.html.htm");
    EXPECT_TRUE(html.contains("Brivalto"));
    EXPECT_TRUE(html.contains("Cognome4999&nbsp;Mario"));
    EXPECT_TRUE(html.contains("<FONT SIZE=4>Index</FONT>"));
    EXPECT_TRUE(html.contains(">Page 114</A>"));
    EXPECT_FALSE(WaitShown());

    // The same list again, straight to the printer, which writes PDF files here.
    Printers printers({});
    Printer().SetPdfFolder(env.Root());
    search.cmdStampaLista_Click();
    ASSERT_EQ(Printer().PrintedFiles().size(), 1);
    const QString pdf = Printer().PrintedFiles().first();
    EXPECT_EQ(shown, 2);
    EXPECT_EQ(preview.shown, 1);
    EXPECT_EQ(PdfPages(pdf), 114);
    const QString printed = Tool("pdftotext", {"-f", "114", "-l", "114", pdf, "-"});
    // (The title's "fi" may come back as its ligature.)
    EXPECT_TRUE(printed.contains("Stampa anagra"));
    EXPECT_TRUE(printed.contains("pag.  114") || printed.contains("pag. 114"));
    EXPECT_TRUE(printed.contains("Cognome"));
    EXPECT_TRUE(env.Boxes().isEmpty()) << env.Prompts().join('|').toStdString();
    DefaultInstance<frmPrintLV>().Unload();
}

// The words of a cell, as printed, on the cell's row from its left edge: a cell wider than its
// column is cut at the column's edge, never at its first blank.
static QList<PdfText::Word> RowOf(const QList<PdfText::Word>& words, const PdfText::Word& first) {
    QList<PdfText::Word> row;
    for (const PdfText::Word& w : words)
        if (w.page == first.page && qAbs(w.box.top() - first.box.top()) < 0.3) row << w;
    std::sort(row.begin(), row.end(), [](const PdfText::Word& a, const PdfText::Word& b) { return a.box.left() < b.box.left(); });
    return row;
}

TEST_F(ListPrinting, PrintedCellsKeepAllTheirWordsOnTheirRow) {
    ListView list;
    list.AddColumn("azienda", "azienda", 1200);
    list.AddColumn("telefono", "telefono", 600);
    list.AddColumn("nota", "nota", 1500);
    auto item = list.AddItem("1", QString::fromUtf8("Ferramenta Rossi S.r.l."));
    item.SetSubItem(1, "02 1234567");
    item.SetSubItem(2, "breve");
    list.AddItem("2", "Bianchi").SetSubItem(1, "051 7654321");
    auto* form = new frmPrintLV;
    ModalSteps modal([&](Form&) {
        form->ckAnteprima->setChecked(false);
        form->cmdStampa_Click();
    });
    Printers printers({});
    Printer().SetPdfFolder(env.Root());
    form->ShowPrint(list, "Prova");
    ASSERT_EQ(Printer().PrintedFiles().size(), 1);
    const QList<PdfText::Word> words = PdfText::Words(Printer().PrintedFiles().first());
    const PdfText::Word company = PdfText::Find(words, "Ferramenta");
    ASSERT_FALSE(company.text.isEmpty());
    // The columns side by side, each cell's words on its own row, cut where the next column
    // begins: what shows is all that the file holds.
    const QList<PdfText::Word> row = RowOf(words, company);
    QStringList texts;
    for (const PdfText::Word& w : row) texts << w.text;
    ASSERT_EQ(row.size(), 5) << texts.join('|').toStdString();
    EXPECT_EQ(texts[0], "Ferramenta");
    EXPECT_TRUE(texts[1].size() >= 2 && QString("Rossi").startsWith(texts[1])) << texts[1].toStdString();
    EXPECT_EQ(texts[2], "02");
    EXPECT_TRUE(texts[3].size() >= 3 && QString("1234567").startsWith(texts[3])) << texts[3].toStdString();
    EXPECT_EQ(texts[4], "breve");
    EXPECT_LT(row[1].box.right(), row[2].box.left());
    EXPECT_LT(row[3].box.right(), row[4].box.left());
    const QList<PdfText::Word> second = RowOf(words, PdfText::Find(words, "Bianchi"));
    ASSERT_EQ(second.size(), 3);
    EXPECT_EQ(second[1].text, "051");
    EXPECT_TRUE(QString("7654321").startsWith(second[2].text));
    form->Unload();
}

TEST_F(ListPrinting, WithoutAPrinterThePreviewAndItsExportsStillWork) {
    Printers none({});
    ListView list;
    list.AddColumn("a", "nome", 1500);
    list.AddItem("1", "Rossi");
    auto* form = new frmPrintLV;
    Dialogs dialogs(env.Root() + "/scorta");
    dialogs.answers = {env.Root() + "/senza.CSV"};
    qsizetype toldBeforePreview = -1;
    TestKit::PreviewSteps preview([&](QDialog& window) {
        toldBeforePreview = env.Prompts().size();
        TestKit::PreviewSteps::Export(window, "CSV");
    });
    ModalSteps modal([&](Form&) {
        form->ckAnteprima->setChecked(false);
        form->cmdStampa_Click();
        // Nothing was composed and the window is still there.
        EXPECT_TRUE(form->isVisible());
        form->ckAnteprima->setChecked(true);
        form->cmdStampa_Click();
    });
    form->ShowPrint(list, "Prova");
    // With the preview ticked the user is told first too, then the preview opens.
    EXPECT_EQ(env.Prompts(), QStringList(2, "Non risulta installata alcuna stampante"));
    EXPECT_EQ(env.Boxes().value(0).style, vbOKOnly);
    EXPECT_EQ(env.Boxes().value(1).style, vbOKOnly);
    EXPECT_EQ(preview.shown, 1);
    EXPECT_EQ(toldBeforePreview, 2);
    EXPECT_TRUE(Read(env.Root() + "/senza.csv").contains("\"Rossi\""));
    form->Unload();
}

TEST_F(ListPrinting, TheLibrarysErrorsReachTheStandardErrorBoxAfterTheWaitWindowAndPreviewGo) {
    ListView list;
    list.AddColumn("a", "nome", 1500);
    list.AddItem("1", "Rossi");
    auto* form = new frmPrintLV;
    ModalSteps modal([&](Form&) {
        form->ckAnteprima->setChecked(false);
        form->cmdStampa_Click();
    });
    {
        // A PDF in a folder that does not exist: the library cannot start the job.
        Printers printers({});
        Printer().SetPdfFolder(env.Root() + "/manca");
        form->ShowPrint(list, "Prova");
    }
    ASSERT_EQ(env.Boxes().size(), 1);
    EXPECT_EQ(env.Boxes()[0].prompt, "Errore 1074: Invalid Device Context. - Procedura cmdStampa_Click di Form frmPrintLV");
    EXPECT_EQ(env.Boxes()[0].title, "Brivalto");
    EXPECT_FALSE(form->prw);
    EXPECT_FALSE(WaitShown());
    EXPECT_EQ(GetMousePointer(), vbDefault);

    // The program sees a printer the library does not: the library's "no printers" error.
    if (!QPrinterInfo::availablePrinterNames().isEmpty()) GTEST_SKIP() << "this machine has printers";
    env.ClearBoxes();
    Printers printers({"Ufficio"});
    form->ShowPrint(list, "Prova");
    ASSERT_EQ(env.Boxes().size(), 1);
    EXPECT_EQ(env.Boxes()[0].prompt, "Errore 1082: No printers defined. - Procedura cmdStampa_Click di Form frmPrintLV");
    EXPECT_FALSE(form->prw);
    EXPECT_FALSE(WaitShown());
    form->Unload();
}

TEST_F(ListPrinting, ThePrinterSetUpChoosesThePrinterOfTheRun) {
    Printers printers({"Ufficio", "Magazzino"});
    Dialogs dialogs{QString()};
    dialogs.answers = {"Magazzino", ""};
    frmPrintLV* form = new frmPrintLV;
    form->Load();
    Printer().SetDeviceName("Ufficio");
    form->cmdImpostaStampante_Click();
    EXPECT_EQ(dialogs.printerTitles, QStringList{"Impostazione stampante"});
    // The name the print system knows it by (none, on a machine without that printer).
    QPrinter probe;
    probe.setPrinterName("Magazzino");
    const QString expected = probe.printerName().isEmpty() ? QString("Ufficio") : probe.printerName();
    EXPECT_EQ(Printer().DeviceName(), expected);
    // Cancelled, it changes nothing.
    form->cmdImpostaStampante_Click();
    EXPECT_EQ(Printer().DeviceName(), expected);
    EXPECT_EQ(dialogs.printerTitles.size(), 2);
    EXPECT_TRUE(env.Boxes().isEmpty());
    form->Unload();
}

TEST_F(ListPrinting, APdfFileChosenInThePrinterSetUpIsThePrinterOfTheRunAndOfItsPreview) {
    Printers none({});
    ListView list;
    list.AddColumn("a", "nome", 1500);
    list.AddItem("1", "Rossi");
    list.AddItem("2", "Bianchi");
    const QString chosen = env.Root() + "/lista.pdf";
    Dialogs dialogs{QString()};
    dialogs.answers = {"pdf:" + chosen};
    auto* form = new frmPrintLV;
    QString offered;
    TestKit::PreviewSteps preview([&](QDialog& window) {
        // The preview prints where the set-up said, and a second print does not take the first one's place.
        offered = form->prw->PrintFile();
        Shot(window, "printer-preview-on-pdf-file.png");
        form->prw->PrintPages();
        form->prw->PrintPages();
    });
    ModalSteps modal([&](Form&) {
        form->cmdImpostaStampante_Click();
        form->ckAnteprima->setChecked(false);
        form->cmdStampa_Click();
        form->ckAnteprima->setChecked(true);
        form->cmdStampa_Click();
    });
    form->ShowPrint(list, "Prova");
    EXPECT_TRUE(env.Boxes().isEmpty()) << env.Prompts().join('|').toStdString();
    EXPECT_EQ(Printer().OutputFile(), chosen);
    EXPECT_EQ(offered, env.Root() + "/lista-2.pdf");
    EXPECT_EQ(Printer().PrintedFiles(), QStringList({chosen, env.Root() + "/lista-2.pdf", env.Root() + "/lista-3.pdf"}));
    for (const QString& pdf : Printer().PrintedFiles()) {
        const QString text = Tool("pdftotext", {pdf, "-"});
        EXPECT_TRUE(text.contains("Prova") && text.contains("Bianchi")) << pdf.toStdString();
    }
    form->Unload();
}

// An activity list as the activity list window shows it: the date first, the other columns
// sub-items, every key equal to its caption.
class ActivityList : public Form {
public:
    ActivityList() {
        LV = new ListView(this);
        LV->setObjectName("LV");
        LV->AddColumn("data e ora", "data e ora", 2100);
        LV->AddColumn("tipo", "tipo", 600);
        LV->AddColumn("anagrafica", "anagrafica", 2400);
        LV->AddColumn("note", "note", 3000);
        LV->Column(3).SetPosition(2);
        for (int i = 1; i <= 3; ++i) {
            auto item = LV->AddItem(QString("K%1/ADMIN").arg(i), QString("0%1/12/2024 09.00").arg(i));
            item.SetSubItem(1, "T");
            item.SetSubItem(2, QString("Cliente %1").arg(i));
            item.SetSubItem(3, i == 2 ? QString("Richiamare per il preventivo delle finestre del secondo piano "
                                                "e per la consegna dei materiali")
                                      : QString("breve"));
        }
    }
    ListView* LV;
};

TEST_F(ListPrinting, TheActivityListPrintsWithItsOwnTitleAndLongNotesOnFurtherLines) {
    auto* activities = new ActivityList;
    activities->Load();
    QStringList page1;
    TestKit::PreviewSteps preview([&](QDialog&) {
        for (Form* f : Forms())
            if (auto* print = qobject_cast<frmPrint*>(f)) page1 = Texts(*print->prw->Pages()->Item(1));
    });
    int steps = 0;
    ModalSteps modal([&](Form& f) {
        auto& form = static_cast<frmPrint&>(f);
        ++steps;
        EXPECT_EQ(form.windowTitle(), " Stampa lista");
        EXPECT_EQ(Entries(*form.lsFields), QStringList({"data e ora+", "anagrafica+", "tipo+", "note+"}));
        EXPECT_EQ(form.ckSplitRighe->text(), QString::fromUtf8("stampa contatto su più righe"));
        EXPECT_FALSE(form.ckSplitRighe->isChecked());
        form.lsFields->item(2)->setCheckState(Qt::Unchecked);
        form.ckSplitRighe->setChecked(true);
        Shot(form, "listprint-frmPrint.png");
        form.cmdStampa_Click();
        // The window stays open after a run until the user leaves it.
        EXPECT_TRUE(form.isVisible());
        form.cmdAnnulla_Click();
    });
    frmPrint::PrintList(activities->LV);
    EXPECT_EQ(steps, 1);
    EXPECT_EQ(preview.shown, 1);
    ASSERT_GE(page1.size(), 10);
    EXPECT_EQ(page1.mid(0, 6), QStringList({"Lista contatti stampata il 09/12/2024 10.30", "09/12/2024", "pag. 1",
                                            "data e ora", "anagrafica", "note"}));
    EXPECT_EQ(page1.mid(6, 3), QStringList({"01/12/2024 09.00", "Cliente 1", "breve"}));
    // The long note is cut into lines that together give it back whole.
    const int start = int(page1.indexOf("02/12/2024 09.00"));
    ASSERT_GT(start, 0);
    QStringList note;
    for (int i = start; i + 2 < page1.size() && (i == start || page1[i] != "03/12/2024 09.00"); i += 3) note << page1[i + 2];
    EXPECT_GT(note.size(), 1);
    EXPECT_EQ(note.join(' '), activities->LV->Item(2).SubItem(3));
    EXPECT_FALSE(IsDefaultInstanceLoaded<frmAttesa>());
    activities->Unload();
}

// Notes of several lines, printed with the split: every line of a record on a row of its own,
// the next record below them, nothing drawn over anything else.
TEST_F(ListPrinting, SplitRecordsKeepTheirLinesApart) {
    auto* activities = new ActivityList;
    activities->Load();
    activities->LV->Item(1).SetSubItem(3, "Richiamare il cliente\r\nper il preventivo\r\ndelle finestre");
    activities->LV->Item(2).SetSubItem(3, "primo rigo\nsecondo rigo");
    Printers printers({});
    Printer().SetPdfFolder(env.Root());
    ModalSteps modal([&](Form& f) {
        auto& form = static_cast<frmPrint&>(f);
        // Without "tipo" the table fits at 10 points.
        form.lsFields->item(2)->setCheckState(Qt::Unchecked);
        form.ckSplitRighe->setChecked(true);
        form.ckAnteprima->setChecked(false);
        form.cmdStampa_Click();
        form.cmdAnnulla_Click();
    });
    frmPrint::PrintList(activities->LV);
    ASSERT_EQ(Printer().PrintedFiles().size(), 1);
    const QList<PdfText::Word> words = PdfText::Words(Printer().PrintedFiles().first());
    const auto top = [&](const char* word) { return PdfText::Find(words, word).box.top(); };
    ASSERT_FALSE(PdfText::Find(words, "Richiamare").text.isEmpty());
    // Rows of 0.5 cm at 10 points, each line of a note one row below the last.
    EXPECT_NEAR(top("per") - top("Richiamare"), 5, 0.3);
    EXPECT_NEAR(top("delle") - top("per"), 5, 0.3);
    EXPECT_NEAR(top("secondo") - top("primo"), 5, 0.3);
    EXPECT_GT(top("02/12/2024"), top("delle") + 4);
    for (qsizetype i = 0; i < words.size(); ++i)
        for (qsizetype j = i + 1; j < words.size(); ++j)
            EXPECT_FALSE(words[i].box.adjusted(0.1, 0.1, -0.1, -0.1).intersects(words[j].box.adjusted(0.1, 0.1, -0.1, -0.1)))
                << words[i].text.toStdString() << " over " << words[j].text.toStdString();
    activities->Unload();
}
