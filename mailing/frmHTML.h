#pragma once
#include "Form.h"

class QLabel;
class QLineEdit;
class frmMailing;
namespace Platform { class CommonDialog; class MultiButton; }

// The choice of the HTML file that a mailing sends as its e-mail body: a
// file picked or typed, looked at in the browser, confirmed only when it is
// there. The confirmed path goes to the mailing window's HtmlFile.
class frmHTML : public Platform::Form {
    Q_OBJECT
public:
    frmHTML();
    ~frmHTML() override;

    // The window whose HtmlFile a confirmation writes.
    frmMailing* Mailing = nullptr;

    QLabel* Label1;
    QLineEdit* txFileHTML;
    Platform::MultiButton* cmdBrowse;
    Platform::MultiButton* cmdAnteprima;
    Platform::MultiButton* cmdConferma;
    Platform::MultiButton* cmdAnnulla;
    Platform::CommonDialog* CD;

    void cmdBrowse_Click();
    void cmdAnteprima_Click();
    void cmdConferma_Click();
    void cmdAnnulla_Click();

protected:
    void Form_Load() override;
};
