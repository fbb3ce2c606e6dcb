#pragma once
// A window with the habits the program's windows are written for: a load
// procedure run once before the first show, a Tag carrying a dialog's
// result, modal Show that returns when the window hides or unloads, Hide
// that keeps the window loaded, Unload with its query, and one default
// instance per form class.

#include <QAbstractButton>
#include <QPlainTextEdit>
#include <QPointer>
#include <QString>
#include <QWidget>
#include <functional>

class QEventLoop;

namespace Platform {

enum { vbModeless = 0, vbModal = 1 };
enum { vbNormal = 0, vbMinimized = 1, vbMaximized = 2 };
// Why a window is being unloaded.
enum { vbFormControlMenu = 0, vbFormCode = 1, vbAppWindows = 2 };

class Form : public QWidget {
    Q_OBJECT
public:
    explicit Form(QWidget* parent = nullptr);
    ~Form() override;

    QString Tag;

    // Runs Form_Load once; every other member calls it first.
    void Load();
    bool IsLoaded() const { return loaded_; }
    void Show(int modal = vbModeless, QWidget* owner = nullptr);
    void Hide();
    // Returns false when the window refused to unload.
    bool Unload();
    bool IsUnloaded() const { return unloaded_; }

    int WindowState() const;
    void SetWindowState(int state);

    QString Caption() const { return windowTitle(); }
    void SetCaption(const QString& caption) { setWindowTitle(caption); }

    // The window's cancel or exit button, which Escape answers. Enter
    // answers the push button that has the focus, else the window's default
    // button (QPushButton::setDefault), when there is one.
    void SetCancelButton(QAbstractButton* button) { cancelButton_ = button; }
    QAbstractButton* CancelButton() const { return cancelButton_; }

protected:
    virtual void Form_Load() {}
    virtual void Form_Activate() {}
    virtual void Form_QueryUnload(int& cancel, int unloadMode) {}
    virtual void Form_Unload(int& cancel) {}
    virtual void Form_Resize() {}

    void closeEvent(QCloseEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;
    void changeEvent(QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    bool RunUnload(int mode);
    bool loaded_ = false;
    bool loading_ = false;
    bool unloaded_ = false;
    bool closingFromUnload_ = false;
    bool sizeKept_ = false;
    QEventLoop* modalLoop_ = nullptr;
    int modalShows_ = 0;         // modal Shows under way on this window
    bool deleteAfterShow_ = false;
    QPointer<QAbstractButton> cancelButton_;
};

template <class T>
QPointer<T>& DefaultInstanceSlot() {
    static QPointer<T> instance;
    return instance;
}

// The default instance of a form class: made and loaded on first use (any
// reference to it loads it), made anew after it was unloaded.
template <class T>
T& DefaultInstance() {
    QPointer<T>& instance = DefaultInstanceSlot<T>();
    if (instance.isNull() || instance->IsUnloaded()) {
        instance = new T();
        instance->setObjectName(instance->metaObject()->className());
    }
    instance->Load();
    return *instance;
}

// Whether the default instance is loaded, without loading it.
template <class T>
bool IsDefaultInstanceLoaded() {
    QPointer<T>& instance = DefaultInstanceSlot<T>();
    return !instance.isNull() && !instance->IsUnloaded() && instance->IsLoaded();
}

// Tests drive a modal window through this seam instead of a timer: the
// handler runs once the window is shown and before its modal loop starts.
// A window the handler leaves open is hidden at once, so a test that forgot
// to answer fails instead of hanging.
using ModalHandler = std::function<void(Form&)>;
ModalHandler SetModalHandler(ModalHandler handler);

// Every loaded form (the Forms collection).
QList<Form*> Forms();

// A text box's maximum length, as the original's: typing, pasting and
// dropping stop at it, while a text set by code is kept whole, so that a save
// can refuse what does not fit rather than cut it. For one-line boxes,
// editable combo boxes and MultiLineTextBox; 0 means no limit.
void SetMaxLength(QWidget* box, int length);
int MaxLength(const QWidget* box);
// Characters as a text column counts them: one for a character beyond the
// 16-bit range too.
int TextLength(const QString& text);

// A multi-line text box that can hold a maximum length. Tab moves to the
// next control, as from any other box: a tab character typed into a column
// would break every tab-separated export of it.
class MultiLineTextBox : public QPlainTextEdit {
    Q_OBJECT
public:
    explicit MultiLineTextBox(QWidget* parent = nullptr) : QPlainTextEdit(parent) { setTabChangesFocus(true); }
    void setMaxLength(int length) { maxLength_ = length > 0 ? length : 0; }
    int maxLength() const { return maxLength_; }

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void inputMethodEvent(QInputMethodEvent* event) override;
    void insertFromMimeData(const QMimeData* source) override;

private:
    // Whether putting `inserted` characters in place of the selection would
    // pass the limit; a text already longer may still be shortened.
    bool Overflows(int inserted) const;
    int maxLength_ = 0;
};

}  // namespace Platform
