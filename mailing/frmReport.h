#pragma once
#include "Form.h"

#include <memory>

class clsLogFile;
namespace Platform { class ListView; }
namespace ADODB { class Recordset; }

// One row per outcome of a mailing run, each also written to the send log
// "LogInvio.log" in the work folder.
class frmReport : public Platform::Form {
    Q_OBJECT
public:
    frmReport();
    ~frmReport() override;

    Platform::ListView* LV;

    // One outcome for the recipient's record; an empty error is a success.
    // A detail (the technical cause of the error) goes to the log only.
    void AddReport(ADODB::Recordset& rs, const QString& canale, const QString& errore,
                   const QString& dettaglio = QString());
    // A warning of the run that belongs to no one recipient, on a line of
    // its own and in the log.
    void AddNote(const QString& canale, const QString& testo);

    // The small icon of a row: 1 sent, 2 failed.
    static int SmallIcon(int row, const Platform::ListView& list);

    // While a run reports here, the user cannot close the window.
    void SetRunning(bool running) { running_ = running; }

protected:
    void Form_Load() override;
    void Form_QueryUnload(int& cancel, int unloadMode) override;
    void Form_Unload(int& cancel) override;

private:
    void AddLine(const QString& id, const QString& nome, const QString& canale, const QString& errore);
    // A line of the send log; the first that cannot be written is told in the list.
    void Log(const QString& text, bool separator = false);
    std::unique_ptr<clsLogFile> log_;
    bool logFailureTold_ = false;
    bool running_ = false;
};
