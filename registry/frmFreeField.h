#pragma once
#include "Form.h"

#include <array>
#include <memory>

class QGroupBox;
class QLineEdit;
namespace Platform { class MultiButton; }
namespace ADODB { class Connection; }

// The captions of the registry card's four free fields.
class frmFreeField : public Platform::Form {
    Q_OBJECT
public:
    frmFreeField();
    ~frmFreeField() override;
    QGroupBox* fr;
    std::array<QLineEdit*, 4> txFreeField;
    Platform::MultiButton* cmdConferma;
    Platform::MultiButton* cmdAnnulla;

    void cmdConferma_Click();
    void cmdAnnulla_Click();

protected:
    void Form_Load() override;

private:
    std::unique_ptr<ADODB::Connection> cn_;
};
