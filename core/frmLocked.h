#pragma once
#include "Form.h"

#include <array>
#include <cstdint>
#include <optional>

class QLabel;
namespace Platform { class MultiButton; }
namespace ADODB { class Connection; }

// The wait while another workstation holds a table.
class frmLocked : public Platform::Form {
    Q_OBJECT
public:
    frmLocked();
    QLabel* Msg;
    Platform::MultiButton* qvMultiButton1;

    // Takes the locks on the tables named in `tables` ("A|B"), waiting while
    // another workstation holds one; false when the wait ran out or the user
    // gave up, and then none of this workstation's locks remain.
    bool LockTables(ADODB::Connection& cn, const QString& tables);

    // The longest wait, in seconds.
    static int WaitLimitSeconds;

    void qvMultiButton1_Click();

private:
    bool stop_ = false;
    // The colour scheme the window was last styled with; none before the first time.
    std::optional<std::array<std::int32_t, 10>> styledWith_;
};
