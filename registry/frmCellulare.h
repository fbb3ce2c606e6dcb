#pragma once
#include "Form.h"

class QLabel;
class QLineEdit;
namespace Platform { class MultiButton; }
namespace ADODB { class Connection; }

// Asks for the mobile number that the person of an activity lacks, to use it
// for one SMS or also to store it in the person's record. It reads the
// activity card's connection and person id; Tag "OK" means a number is in
// txNumero, "" a cancel.
class frmCellulare : public Platform::Form {
    Q_OBJECT
public:
    frmCellulare(ADODB::Connection* cardConnection, const QLineEdit* cardPersonId);
    ~frmCellulare() override;

    QLabel* Label1;
    QLabel* Label2;
    QLineEdit* txNumero;
    Platform::MultiButton* Command1;
    Platform::MultiButton* Command2;
    Platform::MultiButton* Command3;

    void Command1_Click();
    void Command2_Click();
    void Command3_Click();

protected:
    void Form_Load() override;

private:
    bool NumberTyped();
    ADODB::Connection* cn_;
    const QLineEdit* txID_;
};
