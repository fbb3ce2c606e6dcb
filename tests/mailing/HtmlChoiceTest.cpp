// The HTML body choice and the mailing window's buttons that open it and the
// letter editor.
#include "MailingDb.h"

#include "CommonDialog.h"
#include "FaxControl.h"
#include "Keyboard.h"
#include "RichTextBox.h"
#include "frmEditor.h"
#include "frmHTML.h"
#include "frmMailing.h"

#include <QLineEdit>
#include <QPlainTextEdit>
#include <QRadioButton>
#include <QTemporaryDir>

using namespace Platform;

namespace {

class Documents : public MailingDb {
protected:
    void SetUp() override {
        MailingDb::SetUp();
        form = std::make_unique<frmMailing>();
        form->Load();
        html = dir.filePath("news.html");
        QFile f(html);
        f.open(QIODevice::WriteOnly);
        f.write("<html><body>Novità</body></html>");
    }
    void TearDown() override {
        SetModalHandler({});
        SetFileDialogHandler({});
        if (IsDefaultInstanceLoaded<frmEditor>()) {
            env.AnswerNext(vbNo);
            DefaultInstance<frmEditor>().Unload();
        }
        form.reset();
        MailingDb::TearDown();
    }
    std::unique_ptr<frmMailing> form;
    QTemporaryDir dir;
    QString html;
};

}  // namespace

TEST_F(Documents, ConfirmingWritesTheChoiceOnlyWhenTheFileIsThere) {
    frmHTML choice;
    choice.Load();
    choice.Mailing = form.get();
    EXPECT_EQ(choice.windowTitle(), "Selezione file HTML");
    form->HtmlFile = "prima.html";

    const QString gone = dir.filePath("sparito.html");
    choice.txFileHTML->setText(gone);
    choice.cmdConferma_Click();
    EXPECT_EQ(env.Prompts(), QStringList({"File inesistente o percorso non completo"}));
    EXPECT_FALSE(choice.IsUnloaded());
    choice.txFileHTML->setText(dir.path());  // a folder is no file
    choice.cmdConferma_Click();
    EXPECT_EQ(env.Prompts().size(), 2);
    EXPECT_EQ(form->HtmlFile, "prima.html");

    SetFileDialogHandler([this](const FileDialogCall& call) {
        EXPECT_EQ(call.title, "Selezione file HTML");
        EXPECT_EQ(call.filter, "file HTML|*.htm;*.html");
        return html;
    });
    choice.cmdBrowse_Click();
    EXPECT_EQ(choice.txFileHTML->text(), html);
    SetFileDialogHandler([](const FileDialogCall&) { return QString(); });
    choice.cmdBrowse_Click();
    EXPECT_EQ(choice.txFileHTML->text(), html) << "a cancelled dialog changes nothing";
    choice.cmdConferma_Click();
    EXPECT_EQ(form->HtmlFile, html);
    EXPECT_TRUE(choice.IsUnloaded());
}

TEST_F(Documents, TheHtmlButtonChoosesTheBodyFormat) {
    SetModalHandler([this](Form& window) {
        auto& choice = dynamic_cast<frmHTML&>(window);
        EXPECT_EQ(choice.txFileHTML->text(), "");
        choice.txFileHTML->setText(html);
        choice.cmdConferma_Click();
    });
    form->cmdHTML_Click();
    EXPECT_EQ(form->HtmlFile, html);
    EXPECT_TRUE(form->opTipoMail[0]->isChecked());
    EXPECT_FALSE(form->txText->isEnabled());

    // Chosen, then "esci": nothing changes.
    SetModalHandler([this](Form& window) {
        auto& choice = dynamic_cast<frmHTML&>(window);
        EXPECT_EQ(choice.txFileHTML->text(), html);
        choice.txFileHTML->setText(dir.filePath("altro.html"));
        choice.cmdAnnulla_Click();
    });
    form->cmdHTML_Click();
    EXPECT_EQ(form->HtmlFile, html);

    form->HtmlFile = "   ";
    SetModalHandler([](Form& window) { dynamic_cast<frmHTML&>(window).cmdAnnulla_Click(); });
    form->cmdHTML_Click();
    EXPECT_EQ(form->HtmlFile, "");
    EXPECT_TRUE(form->opTipoMail[1]->isChecked());
    EXPECT_TRUE(form->txText->isEnabled());
}

// Enter chooses the file typed, Escape leaves the choice as it was.
TEST_F(Documents, EnterChoosesTheFileTypedAndEscapeLeaves) {
    SetModalHandler([this](Form& window) {
        TestKit::OnScreen(window);
        dynamic_cast<frmHTML&>(window).txFileHTML->setFocus();
        TestKit::Type(html);
        TestKit::Press(Qt::Key_Return);
    });
    form->cmdHTML_Click();
    EXPECT_EQ(form->HtmlFile, html);
    EXPECT_TRUE(form->opTipoMail[0]->isChecked());
    SetModalHandler([this](Form& window) {
        TestKit::OnScreen(window);
        dynamic_cast<frmHTML&>(window).txFileHTML->setFocus();
        TestKit::Press(Qt::Key_A, Qt::ControlModifier);
        TestKit::Type(dir.filePath("altro.html"));
        TestKit::Press(Qt::Key_Escape);
    });
    form->cmdHTML_Click();
    EXPECT_EQ(form->HtmlFile, html);
    EXPECT_TRUE(env.Prompts().isEmpty());
}

TEST_F(Documents, EditorButtonsShowWhatCannotBeLoaded) {
    form->txNomeFile->setText(dir.filePath("manca.RTF"));
    form->cmdCreateRTF_Click();
    ASSERT_EQ(env.Prompts().size(), 1);
    EXPECT_TRUE(env.Prompts()[0].startsWith("Errore 53: ")) << env.Prompts()[0].toStdString();
    EXPECT_TRUE(env.Prompts()[0].endsWith("Procedura cmdCreateRTF_Click di Form frmMailing"));
    EXPECT_FALSE(IsDefaultInstanceLoaded<frmEditor>() && DefaultInstance<frmEditor>().isVisible());

    QFile letter(dir.filePath("lettera.rtf"));
    ASSERT_TRUE(letter.open(QIODevice::WriteOnly));
    letter.write("{\\rtf1 Lettera ||NOME||\\par}");
    letter.close();
    form->txNomeFile->setText(letter.fileName());
    form->cmdCreateRTF_Click();
    auto& editor = DefaultInstance<frmEditor>();
    EXPECT_TRUE(editor.isVisible());
    EXPECT_EQ(editor.RTFText->Text(), "Lettera ||NOME||");
    EXPECT_FALSE(editor.Modified());

    // A document that is not RTF opens an empty editor.
    form->txNomeFile->setText(dir.filePath("listino.pdf"));
    editor.RTFText->Clear();
    form->cmdCreateRTF_Click();
    EXPECT_EQ(editor.RTFText->Text(), "");
}

TEST_F(Documents, TheFaxCoverButtonOpensTheCoverFaxesGoOutWith) {
    ASSERT_EQ(form->FAX->CoverExt, ".rtf");
    const QString cover = QDir(Platform::WorkFolder()).filePath("BrivaltoCover.rtf");
    ASSERT_FALSE(QFile::exists(cover));
    form->cmdFaxCover_Click();
    EXPECT_TRUE(env.Prompts().isEmpty());
    EXPECT_TRUE(QFile::exists(cover));
    auto& editor = DefaultInstance<frmEditor>();
    EXPECT_TRUE(editor.isVisible());
    EXPECT_TRUE(editor.RTFText->Text().startsWith("FAX\n"));
    EXPECT_TRUE(editor.RTFText->Text().contains("||OGGETTO||"));
}

TEST_F(Documents, TheCoverInstalledBesideTheProgramIsCopiedNeverWritten) {
    const QByteArray installed = "{\\rtf1\\ansi Copertina dell'ufficio ||OGGETTO||\\par}";
    QFile shipped(QDir(program).filePath("BrivaltoCover.rtf"));
    ASSERT_TRUE(shipped.open(QIODevice::WriteOnly));
    shipped.write(installed);
    shipped.close();
    EXPECT_EQ(form->FaxCoverFile(), shipped.fileName());
    form->cmdFaxCover_Click();
    const QString own = env.DataHome() + "/Brivalto/" + ComputerName() + "/BrivaltoCover.rtf";
    EXPECT_EQ(DefaultInstance<frmEditor>().RTFText->Text(), "Copertina dell'ufficio ||OGGETTO||");
    EXPECT_EQ(form->FaxCoverFile(), own);
    ASSERT_TRUE(shipped.open(QIODevice::ReadOnly));
    EXPECT_EQ(shipped.readAll(), installed);
}
