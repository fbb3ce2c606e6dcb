#pragma once
#include "Form.h"

#include <array>

class QCheckBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QRadioButton;
namespace Platform { class MultiButton; }

// The envelope and label settings: envelopes or label sheets, positions and
// sizes in millimetres, and the address lines to print, with a sample.
class frmEtichettaBusta : public Platform::Form {
    Q_OBJECT
public:
    frmEtichettaBusta();

    QRadioButton* OpBusta;
    QRadioButton* opEtichette;
    QGroupBox* frBuste;
    QLineEdit* txLeft;
    QLineEdit* txTop;
    QGroupBox* frEtichette;
    QLineEdit* txLarghezza;
    QLineEdit* txAltezza;
    QLineEdit* txMargLeft;
    QLineEdit* txMargTop;
    QGroupBox* Frame1;
    std::array<QCheckBox*, 7> ckCampi;
    QLabel* Label11;
    QWidget* picLabel;
    Platform::MultiButton* Command1;
    Platform::MultiButton* Command2;

    void ckCampi_Click(int index);
    void Command1_Click();
    void Command2_Click();

    // The sample's lines, as drawn (x in pixels, text).
    QList<QPair<int, QString>> SampleLines() const;

protected:
    void Form_Load() override;
    bool eventFilter(QObject* watched, QEvent* event) override;
};
