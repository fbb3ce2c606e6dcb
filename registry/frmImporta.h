#pragma once
#include "CommonDialog.h"
#include "Form.h"
#include "OutlookImpEx.h"

#include <QDateTime>
#include <QElapsedTimer>
#include <array>
#include <memory>

class QCheckBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QRadioButton;
class ImportRows;
namespace Platform { class ComboBox; class ListView; class MultiButton; }
namespace ADODB { class Connection; }

// Bringing registry records in from an Access table, an Excel sheet, a
// delimited text file or the Outlook contacts, through a mapping of the
// sixteen local fields onto the source's fields.
class frmImporta : public Platform::Form, public ContactsPreview {
    Q_OBJECT
public:
    frmImporta();
    ~frmImporta() override;

    enum Formato { Access = 0, Excel = 1, Testo = 2, Outlook = 3 };

    Platform::ComboBox* cbFormato;
    QLineEdit* txFileName;
    Platform::MultiButton* cmdBrowse;
    Platform::CommonDialog CD;
    Platform::ComboBox* cbTables;
    QGroupBox* frTxt;
    std::array<QRadioButton*, 3> opSeparatore;
    QCheckBox* ckIntestazioni;
    Platform::ListView* LV;
    std::array<QLabel*, 16> lbLocalFields;  // text = description, property "Tag" = column
    std::array<Platform::ComboBox*, 16> cbRemoteField;
    std::array<QLabel*, 16> Label3;
    std::array<QLabel*, 2> Label2;
    Platform::MultiButton* cmdStart;
    Platform::MultiButton* cmdAnnulla;

    void cmdAnnulla_Click();
    void cbFormato_Click();
    void cmdBrowse_Click();
    void cbTables_Click();
    void ckIntestazioni_Click();
    void opSeparatore_Click(int index);
    void ImpostaTxtFile();
    void cmdStart_Click();
    qint32 NuovaIDANA();
    void Outl_ContactImportStatus(qint32 position, qint32 total);

    // The column a local field writes.
    QString LocalColumn(int index) const;
    // Records the last run stored for good (their slice committed).
    qint32 Written() const { return written_; }
    bool Running() const { return running_; }
    // During a run the window repaints and answers its events this often,
    // in milliseconds: more often costs the run more than anyone sees.
    static int PaceMs;

    // What the contacts preview fills.
    Platform::ListView& PreviewList() override;
    QString RemoteFieldText(int index) const override;

protected:
    void Form_Load() override;
    void Form_QueryUnload(int& cancel, int unloadMode) override;
    void Form_Unload(int& cancel) override;

private:
    void ImportTable(bool& opened);
    void ImportText(bool& opened);
    // After each row of the window's own imports: the progress, now and
    // then, `done` of the bar's maximum.
    void RowWritten(double done);
    void Pace();
    // Empties the preview and the mapping lists.
    void ForgetSource();
    QString CurrentSource() const;
    void SetRunning(bool running);

    std::unique_ptr<ADODB::Connection> cn_;
    std::unique_ptr<ADODB::Connection> source_;
    std::unique_ptr<OutlookImpEx> Outl;
    std::unique_ptr<OutlookImpEx> preview_;  // the contacts preview's link
    qint32 written_ = 0;
    bool running_ = false;
    bool filling_ = false;
    // The source the mapping lists were filled from ("" when never).
    QString mappedFrom_;
    // The run's rows, in slices under the held ANAGRAFICA lock.
    std::unique_ptr<ImportRows> rows_;
    QElapsedTimer paced_;  // since the window last showed the progress
};
