#pragma once
#include "Form.h"

#include <memory>

class QLabel;
namespace ADODB { class Connection; }

// Quick entry of one activity, the only window of a "/Q" start.
class frmQuickContatto : public Platform::Form {
    Q_OBJECT
public:
    frmQuickContatto();
    ~frmQuickContatto() override;
    QLabel* lblUtente;

protected:
    void Form_Load() override;

private:
    std::unique_ptr<ADODB::Connection> cn_;
};
