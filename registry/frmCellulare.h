#pragma once
#include "Form.h"
#include "RowAsRead.h"

class QLabel;
class QLineEdit;
namespace Platform { class MultiButton; }
namespace ADODB { class Connection; }

// Asks for the mobile number that the person of an activity lacks, to use it
// for one SMS or also to store it in the person's record. It reads the
// activity card's connection and person id; Tag "OK" means a number is in
// txNumero, "" a cancel. `personRead` is the person's record as the card
// read it: a number stored there since is not replaced without asking.
class frmCellulare : public Platform::Form {
    Q_OBJECT
public:
    frmCellulare(ADODB::Connection* cardConnection, const QLineEdit* cardPersonId,
                 const RowAsRead& personRead = RowAsRead());
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
    // Under the lock: stores the number, unless the person's number is no
    // longer the one read; then `meanwhile` gets the record and nothing is written.
    void StoreNumber(RowAsRead& meanwhile);
    ADODB::Connection* cn_;
    const QLineEdit* txID_;
    RowAsRead personRead_;
};
