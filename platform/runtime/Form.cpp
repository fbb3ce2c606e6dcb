#include "Form.h"

#include "Runtime.h"

#include <QAbstractSpinBox>
#include <QApplication>
#include <QCloseEvent>
#include <QComboBox>
#include <QEventLoop>
#include <QInputMethodEvent>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMimeData>
#include <QPushButton>
#include <QValidator>

namespace Platform {

namespace {
QList<Form*>& Registry() {
    static QList<Form*> forms;
    return forms;
}
ModalHandler& CurrentModalHandler() {
    static ModalHandler handler;
    return handler;
}

// Whether the focus is in `control` or in something of its own, such as the
// open list of a combo box, which is a window of its own.
bool InUse(const QWidget* control) {
    for (const QWidget* w = QApplication::focusWidget(); w; w = w->parentWidget())
        if (w == control) return true;
    return false;
}

// A text put in a box by code shows its beginning, as the original's boxes
// did: Qt's line edit puts its caret, and so its view, at the end, and a
// long company name read "ttromeccanica Lombarda...". What the user types
// is left alone: the box, or the list or spin box it belongs to, has the
// focus then.
void ShowTextsFromTheirBeginning(QWidget* form) {
    for (QLineEdit* box : form->findChildren<QLineEdit*>()) {
        QWidget* holder = box->parentWidget();
        if (!qobject_cast<QComboBox*>(holder) && !qobject_cast<QAbstractSpinBox*>(holder)) holder = box;
        auto home = [box, holder] {
            if (!InUse(holder)) box->setCursorPosition(0);
        };
        home();
        QObject::connect(box, &QLineEdit::textChanged, box, home);
    }
}
}  // namespace

ModalHandler SetModalHandler(ModalHandler handler) {
    ModalHandler previous = std::move(CurrentModalHandler());
    CurrentModalHandler() = std::move(handler);
    return previous;
}

QList<Form*> Forms() {
    QList<Form*> loaded;
    for (Form* f : Registry())
        if (f->IsLoaded() && !f->IsUnloaded()) loaded.append(f);
    return loaded;
}

Form::Form(QWidget* parent) : QWidget(parent, Qt::Window) {
    setAttribute(Qt::WA_DeleteOnClose, false);
    Registry().append(this);
}

Form::~Form() {
    Registry().removeAll(this);
    if (modalLoop_) modalLoop_->quit();
}

void Form::Load() {
    if (loaded_ || loading_) return;
    loading_ = true;
    ShowTextsFromTheirBeginning(this);
    Form_Load();
    loading_ = false;
    loaded_ = true;
}

void Form::Show(int modal, QWidget* owner) {
    Load();
    if (unloaded_) return;  // the load procedure unloaded the window
    Trace(QStringLiteral("SHOW"), objectName().isEmpty() ? QString(metaObject()->className()) : objectName());
    if (modal != vbModal) {
        show();
        raise();
        return;
    }
    if (owner && owner != this) setParent(owner, windowFlags() | Qt::Window);
    // The splash and the wait windows must not cover a modal window.
    const TopmostGiveWay giveWay;
    setWindowModality(Qt::ApplicationModal);
    show();
    raise();
    activateWindow();
    QPointer<Form> self(this);
    // A window unloaded while it is shown modally is deleted only once Show has
    // returned: its caller reads its Tag and fields right after, as the
    // original's callers do, while the modal loop would otherwise delete it
    // before Show returns.
    ++modalShows_;
    auto done = [&self] {
        if (!self) return;
        self->modalLoop_ = nullptr;
        self->setWindowModality(Qt::NonModal);
        if (--self->modalShows_ == 0 && self->deleteAfterShow_) self->deleteLater();
    };
    if (ModalHandler handler = CurrentModalHandler()) {
        handler(*this);
        if (self && isVisible()) {
            qWarning("Modal window %s left open by the test's handler", qPrintable(objectName()));
            hide();
        }
        done();
        return;
    }
    QEventLoop loop;
    modalLoop_ = &loop;
    if (isVisible()) loop.exec(QEventLoop::DialogExec);
    done();
}

void Form::Hide() {
    Load();
    hide();
}

bool Form::Unload() { return RunUnload(vbFormCode); }

bool Form::RunUnload(int mode) {
    if (unloaded_) return true;
    if (loaded_) {
        int cancel = 0;
        Form_QueryUnload(cancel, mode);
        if (cancel) return false;
        Form_Unload(cancel);
        if (cancel) return false;
    }
    unloaded_ = true;
    closingFromUnload_ = true;
    hide();
    closingFromUnload_ = false;
    if (modalLoop_) modalLoop_->quit();
    if (modalShows_ > 0) deleteAfterShow_ = true;
    else deleteLater();
    return true;
}

int Form::WindowState() const {
    if (windowState() & Qt::WindowMinimized) return vbMinimized;
    if (windowState() & Qt::WindowMaximized) return vbMaximized;
    return vbNormal;
}

void Form::SetWindowState(int state) {
    Qt::WindowStates s = windowState() & ~(Qt::WindowMinimized | Qt::WindowMaximized);
    if (state == vbMinimized) s |= Qt::WindowMinimized;
    else if (state == vbMaximized) s |= Qt::WindowMaximized;
    setWindowState(s);
}

void Form::closeEvent(QCloseEvent* event) {
    if (closingFromUnload_) {
        event->accept();
        return;
    }
    // Closing by the window frame is an unload the window may refuse.
    if (RunUnload(vbFormControlMenu)) event->accept();
    else event->ignore();
}

void Form::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    if (loaded_) Form_Resize();
}

void Form::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    // From its first show the window's size is the user's. Its layout would
    // otherwise make it grow, and move what it holds, each time a text
    // grows or a frame appears; the controls share the room it has instead.
    if (!sizeKept_) {
        sizeKept_ = true;
        // A minimum the window sets itself is one its layout leaves alone;
        // setting the same value again would not count as setting it.
        const QSize least = minimumSize();
        setMinimumSize(0, 0);
        setMinimumSize(least);
    }
    Form_Activate();
}

void Form::hideEvent(QHideEvent* event) {
    QWidget::hideEvent(event);
    // A modal Show returns as soon as its window hides.
    if (modalLoop_ && !isVisible()) modalLoop_->quit();
}

void Form::changeEvent(QEvent* event) {
    QWidget::changeEvent(event);
    if (event->type() == QEvent::WindowStateChange && loaded_) Form_Resize();
}

void Form::keyPressEvent(QKeyEvent* event) {
    // Only keys no control took come here: a box keeps its own Enter (a new
    // line) and Escape (an entry dropped), an open list its own.
    QAbstractButton* button = nullptr;
    if ((event->modifiers() & ~Qt::KeypadModifier) == Qt::NoModifier) {
        if (event->key() == Qt::Key_Escape) {
            button = cancelButton_;
        } else if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
            button = qobject_cast<QPushButton*>(focusWidget());
            if (!button)
                for (QPushButton* candidate : findChildren<QPushButton*>())
                    if (candidate->isDefault() && candidate->window() == this) {
                        button = candidate;
                        break;
                    }
        }
    }
    if (button && button->isVisible() && button->isEnabled()) {
        event->accept();
        button->click();
        return;
    }
    QWidget::keyPressEvent(event);
}

// ---------------------------------------------------------------- maximum length

namespace {

// A line box's limit as a validator rather than its own maximum length,
// which would cut a text set by code: the box refuses an edit that passes
// the limit and keeps whatever code put there.
class MaxLengthValidator : public QValidator {
public:
    MaxLengthValidator(int length, QObject* parent) : QValidator(parent), length_(length) {}
    State validate(QString& input, int&) const override {
        return TextLength(input) > length_ ? Invalid : Acceptable;
    }
    int Length() const { return length_; }

private:
    int length_;
};

QLineEdit* LineOf(QWidget* box) {
    if (auto* line = qobject_cast<QLineEdit*>(box)) return line;
    if (auto* combo = qobject_cast<QComboBox*>(box)) return combo->lineEdit();
    return nullptr;
}

}  // namespace

int TextLength(const QString& text) {
    int length = int(text.size());
    for (QChar c : text)
        if (c.isLowSurrogate()) --length;
    return length;
}

void SetMaxLength(QWidget* box, int length) {
    if (auto* text = qobject_cast<MultiLineTextBox*>(box)) {
        text->setMaxLength(length);
        return;
    }
    QLineEdit* line = LineOf(box);
    if (!line) {
        if (length > 0) qWarning("%s cannot hold a maximum length", qPrintable(box->objectName()));
        return;
    }
    const QValidator* old = line->validator();
    line->setValidator(length > 0 ? new MaxLengthValidator(length, line) : nullptr);
    if (old && old->parent() == line) delete old;
}

int MaxLength(const QWidget* box) {
    if (auto* text = qobject_cast<const MultiLineTextBox*>(box)) return text->maxLength();
    QLineEdit* line = LineOf(const_cast<QWidget*>(box));
    if (!line) return 0;
    if (auto* limit = dynamic_cast<const MaxLengthValidator*>(line->validator())) return limit->Length();
    return line->maxLength() < 32767 ? line->maxLength() : 0;
}

bool MultiLineTextBox::Overflows(int inserted) const {
    if (maxLength_ <= 0 || inserted <= 0) return false;
    const int length = TextLength(toPlainText());
    const int after = length - TextLength(textCursor().selectedText()) + inserted;
    return after > maxLength_ && after > length;
}

void MultiLineTextBox::keyPressEvent(QKeyEvent* event) {
    // Pasting goes through insertFromMimeData; here only what a key types.
    int typed = 0;
    if (!event->matches(QKeySequence::Paste)) {
        if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) typed = isReadOnly() ? 0 : 1;
        else if (event->key() == Qt::Key_Tab && !tabChangesFocus()) typed = 1;
        else if (!event->text().isEmpty() && event->text().at(0).isPrint()) typed = TextLength(event->text());
    }
    if (Overflows(typed)) {
        Beep();
        event->accept();
        return;
    }
    QPlainTextEdit::keyPressEvent(event);
}

void MultiLineTextBox::inputMethodEvent(QInputMethodEvent* event) {
    if (Overflows(TextLength(event->commitString()))) {
        Beep();
        event->accept();
        return;
    }
    QPlainTextEdit::inputMethodEvent(event);
}

void MultiLineTextBox::insertFromMimeData(const QMimeData* source) {
    // A paste that does not fit is refused whole: a piece of it would be a cut nobody sees.
    if (source && source->hasText() && Overflows(TextLength(source->text()))) {
        Beep();
        return;
    }
    QPlainTextEdit::insertFromMimeData(source);
}

}  // namespace Platform
