#pragma once
#include "Form.h"

class QLabel;
class QPushButton;

// The main menu.
class frmMenu : public Platform::Form {
    Q_OBJECT
public:
    frmMenu();
    QLabel* lblTitolo;
    QPushButton* cmdEsci;

protected:
    void Form_Load() override;

private:
    void cmdEsci_Click();
};
