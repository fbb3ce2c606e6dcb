#pragma once
#include "Form.h"

class QLabel;
class QPushButton;

// The window shown while the main menu loads.
class frmSplash : public Platform::Form {
    Q_OBJECT
public:
    frmSplash();
    QLabel* lbVersion;
    QLabel* Label4;
    QPushButton* Command1;

private:
    void Command1_Click();
    void Label4_Click();
    bool eventFilter(QObject* watched, QEvent* event) override;
};
