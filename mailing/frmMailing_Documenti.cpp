// The mailing window's buttons that open the letter editor on the document
// or on the fax cover page, and the choice of the HTML body.
#include "frmMailing.h"

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
        const QString cover = FaxCoverFile();
        if (FAX->CoverExt.toUpper() == ".COV") {
            Neighbours::OpenDocument(cover);
            return;
        }
        // The first time, the cover page to edit is the one faxes go out with.
        if (!QFileInfo::exists(cover)) {
            WriteWholeFile(cover, DefaultFaxCover());
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
