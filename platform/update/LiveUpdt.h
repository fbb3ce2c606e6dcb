#pragma once
// Stand-in for the update control: it is given the program's identity and
// the update server's address, is asked whether a newer build exists and,
// when one does, guides the user through the update in its own panel. How
// the server is reached belongs to a subclass; this class holds the inputs,
// the panel and the events its host window listens to.

#include <QString>
#include <QWidget>
#include <cstdint>

class QLabel;

namespace Platform {

class MultiButton;
class ProgressBar;

class LiveUpdt : public QWidget {
    Q_OBJECT
public:
    explicit LiveUpdt(QWidget* parent = nullptr);

    QString AppName, AppPath, BaseURL, VerFile, Caption;
    std::int32_t Major = 0, Minor = 0, Build = 0, Revision = 0;
    bool ShowProgress = false;
    std::int32_t TimeoutSeconds = 20;

    // Colours of the panel (&HBBGGRR), applied when it is shown.
    std::int32_t ColCancel = 0, ColConfirm = 0, ColButton = 0, ColBack = 0, ColText = 0;

    // True when the server offers a newer version. Without a way to reach a
    // server there is never one.
    virtual bool CheckForUpdate() { return false; }

    // The panel: what was found, the download's progress, and the choice.
    QLabel* lblMessaggio;
    ProgressBar* PB;
    MultiButton* cmdAggiorna;
    MultiButton* cmdAnnulla;

signals:
    // The closing events (the host unloads) and the request to end the
    // program so that an installation can replace it.
    void Cancelled();
    void Finished();
    void Failed();
    void EndProgram();

protected:
    // "Aggiorna" pressed: fetch and start the new version.
    virtual void StartUpdate() { emit Failed(); }
    void showEvent(QShowEvent* event) override;

private:
    void ApplyColours();
};

}  // namespace Platform
