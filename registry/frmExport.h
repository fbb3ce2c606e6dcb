#pragma once
#include "Form.h"

#include <QPointer>
#include <array>

class QCheckBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QRadioButton;
namespace Platform { class ListView; class MultiButton; }
namespace ADODB { class Connection; }

// Writing the records of a recipient list to a file in the work folder:
// an Access database, an Excel workbook or a delimited text file, with the
// fields the user ticks. The list and the connection are the caller's.
class frmExport : public Platform::Form {
    Q_OBJECT
public:
    frmExport();
    ~frmExport() override;

    // The records to export: `list`'s entries (entry text = registry ID),
    // read on `cn`. The window closes when `owner` unloads.
    void SetSource(ADODB::Connection& cn, Platform::ListView& list, Platform::Form* owner = nullptr);

    QLineEdit* txNomeFile;
    std::array<QRadioButton*, 3> opTipoExport;
    QGroupBox* Frame1;
    std::array<QRadioButton*, 2> opSeparatore;
    QGroupBox* frCampi;
    std::array<QCheckBox*, 18> ckFields;  // property "Tag" = the column
    Platform::MultiButton* cmdGo;
    Platform::MultiButton* cmdAnnulla;
    QLabel* Label2;

    void cmdGo_Click();
    void cmdAnnulla_Click();
    void opTipoExport_Click(int index);

    // The file a run writes: the work folder, the name and the format's extension.
    QString TargetPath() const;
    QString Extension() const;

protected:
    void Form_Load() override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void ExportText(const QString& path, const QStringList& columns);
    void ExportDatabase(const QString& path, const QStringList& columns, bool& written);
    // What the completion message adds: the texts cut to fit a cell, if any.
    QString ExportWorkbook(const QString& path, const QStringList& columns);
    // The values of one listed record, "" for Null; false when it cannot be read.
    bool ReadRecord(const QString& itemText, const QStringList& columns, QStringList& values);

    ADODB::Connection* cn_ = nullptr;
    QPointer<Platform::ListView> list_;
    QPointer<Platform::Form> owner_;
};
