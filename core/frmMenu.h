#pragma once
#include "Form.h"

class QLabel;
namespace Platform { class MultiButton; }

// The program's home window: one button per area, dragged by its handle.
class frmMenu : public Platform::Form {
    Q_OBJECT
public:
    frmMenu();

    Platform::MultiButton* cmdAnagrafica;
    Platform::MultiButton* cmdContatti;
    Platform::MultiButton* cmdAgenda;
    Platform::MultiButton* cmdMailing;
    Platform::MultiButton* cmdListe;
    Platform::MultiButton* cmdAiuto;
    Platform::MultiButton* cmdDown;
    Platform::MultiButton* cmdFine;
    Platform::MultiButton* cmdKill;
    QLabel* Image1;
    QLabel* Image2;
    QLabel* Label1;
    QLabel* lbVersion;

    // The least time the splash stays up while the menu loads, in seconds.
    static int SplashSeconds;

    // Drag of the window by Image2; coordinates in twips from the window's corner.
    void Image2_MouseDown(int button, float x, float y);
    void Image2_MouseMove(int button, float x, float y);
    void Image2_MouseUp(int button, float x, float y);

    // Window position in twips (the screen's origin at 0, 0).
    double LeftTwips() const;
    double TopTwips() const;
    void MoveTwips(double left, double top);

protected:
    void Form_Load() override;
    void Form_QueryUnload(int& cancel, int unloadMode) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void cmdAnagrafica_Click();
    void cmdContatti_Click();
    void cmdAgenda_Click();
    void cmdMailing_Click();
    void cmdListe_Click();
    void cmdAiuto_Click();
    void cmdDown_Click();
    void cmdFine_Click();
    void cmdKill_Click();
    void OpenDatabaseAndSignIn();

    float lastX_ = 0;
    float lastY_ = 0;
    bool moved_ = false;
};
