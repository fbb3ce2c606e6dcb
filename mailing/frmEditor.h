#pragma once
#include "Form.h"

#include <QMap>
#include <QString>

class QAction;
class QLabel;
class QMenu;
class QMenuBar;
class QStatusBar;
class QTimer;
class QToolBar;
namespace Platform { class CommonDialog; class RichTextBox; }

// The letter editor: RTF letters and fax cover pages written and edited,
// with the merge-field markers typed in from its "Variabili" menu. It keeps
// its place on the screen under its own settings name.
class frmEditor : public Platform::Form {
    Q_OBJECT
public:
    frmEditor();
    ~frmEditor() override;

    // Loads an RTF file (raises the file's error); the window is not shown.
    void LoadFile(const QString& path);
    void StartEdit(const QString& caption, const QByteArray& rtf);

    bool Modified() const { return modified_; }
    QString StatusText() const;

    Platform::RichTextBox* RTFText;
    QMenuBar* menuBar;
    QToolBar* tbToolBar;
    QStatusBar* sbStatusBar;
    Platform::CommonDialog* dlgCommonDialog;

    QMenu* mnuFile;
    QAction* mnuFileNew;
    QAction* mnuFileOpen;
    QAction* mnuFileSave;
    QAction* mnuFileSaveAs;
    QAction* mnuFilePageSetup;
    QAction* mnuFilePrint;
    QAction* mnuFileExit;
    QMenu* mnuEdit;
    QAction* mnuEditUndo;
    QAction* mnuEditCut;
    QAction* mnuEditCopy;
    QAction* mnuEditPaste;
    QAction* mnuEditSelectAll;
    QMenu* mnuView;
    QAction* mnuViewToolbar;
    QAction* mnuViewStatusBar;
    QMenu* mnuVariabili;
    // The merge-field items, in menu order, by name ("mnuNome", "mnuCittà"...).
    QList<QAction*> mnuVariabiliItems;
    // The toolbar's buttons by key ("New", "Bold", "Align Left"...).
    QMap<QString, QAction*> Buttons;

    // Menu and toolbar commands.
    void mnuFileNew_Click();
    void mnuFileOpen_Click();
    void mnuFileSave_Click();
    void mnuFileSaveAs_Click();
    void mnuFilePageSetup_Click();
    void mnuFilePrint_Click();
    void mnuFileExit_Click();
    void mnuEditUndo_Click();
    void mnuEditCut_Click();
    void mnuEditCopy_Click();
    void mnuEditPaste_Click();
    void mnuEditSelectAll_Click();
    void mnuViewToolbar_Click();
    void mnuViewStatusBar_Click();
    void mnuVariabile_Click(const QString& marker);
    void tbToolBar_ButtonClick(const QString& key);
    void RTFText_Change();

    // The settings name of the window's place: the program's name and "-Editor".
    static QString SettingsName();

protected:
    void Form_Load() override;
    void Form_QueryUnload(int& cancel, int unloadMode) override;
    void Form_Unload(int& cancel) override;

private:
    enum class SaveOutcome { Saved, Cancelled, Failed };
    SaveOutcome Save(const QString& title);
    void SetStatus(const QString& text);
    void ShowClock();
    void ToggleFormat(const QString& key);

    bool modified_ = false;
    QLabel* status_;
    QLabel* date_;
    QLabel* time_;
    QTimer* clock_;
};
