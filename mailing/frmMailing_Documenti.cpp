// The mailing window's buttons that open the letter editor on the document
// or on the fax cover page, and the choice of the HTML body.
#include "frmMailing.h"

#include "Dialogs.h"
#include "Errors.h"
#include "Fax.h"
#include "FaxControl.h"
#include "Files.h"
#include "Neighbours.h"
#include "ProcGuard.h"
#include "Runtime.h"
#include "Values.h"
#include "frmEditor.h"
#include "frmHTML.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLineEdit>
#include <QRadioButton>

using namespace Platform;

void frmMailing::cmdCreateRTF_Click() {
    ProcGuard::Run(QStringLiteral("Procedura cmdCreateRTF_Click di Form frmMailing"), [&] {
        auto& editor = DefaultInstance<frmEditor>();
        if (txNomeFile->text().right(3).toUpper() == "RTF") editor.LoadFile(txNomeFile->text());
        editor.Show(vbModeless);
    });
}

void frmMailing::cmdFaxCover_Click() {
    ProcGuard::Run(QStringLiteral("Procedura cmdFaxCover_Click di Form frmMailing"), [&] {
        // The user edits a copy of his own, which faxes then go out with: made
        // the first time from the cover installed beside the program, or else
        // from the default one, since the program folder is never written.
        const QString installed = FaxCoverFile();
        const QString cover = QDir(WorkFolder()).filePath(QFileInfo(installed).fileName());
        // Cover files of the fax software's own format are edited by its program.
        const bool ownFormat = FAX->CoverExt.toUpper() == ".COV";
        if (!QFileInfo::exists(cover)) {
            QFile source(installed);
            const bool copy = installed != cover && source.open(QIODevice::ReadOnly);
            QString why;
            if ((copy || !ownFormat) && !WriteWholeFile(cover, copy ? source.readAll() : DefaultFaxCover(), &why))
                Err().Raise(75, QStringLiteral("Impossibile scrivere ") + cover + ": " + why);
        }
        if (ownFormat) {
            Neighbours::OpenDocument(cover);
            return;
        }
        auto& editor = DefaultInstance<frmEditor>();
        editor.LoadFile(cover);
        editor.Show(vbModeless);
    });
}

void frmMailing::cmdHTML_Click() {
    auto& choice = DefaultInstance<frmHTML>();
    choice.Mailing = this;
    choice.txFileHTML->setText(HtmlFile);
    choice.Show(vbModal, this);
    if (!choice.IsUnloaded()) choice.Unload();
    HtmlFile = Trim(HtmlFile);
    opTipoMail[HtmlFile.isEmpty() ? 1 : 0]->setChecked(true);
    opTipoMail_Click();
}
