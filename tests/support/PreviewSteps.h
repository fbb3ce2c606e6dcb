#pragma once
// Drives the print-preview library's modal preview window without a timer:
// the window's show event queues the test's steps on the window's own event
// loop, and the window is closed after them.

#include <QApplication>
#include <QDialog>
#include <QMenu>
#include <QPointer>
#include <functional>
#include <gtest/gtest.h>

namespace TestKit {

class PreviewSteps : public QObject {
public:
    explicit PreviewSteps(std::function<void(QDialog&)> steps) : steps_(std::move(steps)) {
        qApp->installEventFilter(this);
    }
    ~PreviewSteps() override { qApp->removeEventFilter(this); }
    // How many times the preview window was shown.
    int shown = 0;

    // Chooses an export format from the window's export menu, as a person would.
    static void Export(QDialog& preview, const QString& format) {
        for (QMenu* menu : preview.findChildren<QMenu*>())
            if (menu->title() == QLatin1String("Export"))
                for (QAction* action : menu->actions())
                    if (action->text() == format) return action->trigger();
        ADD_FAILURE() << "no export " << format.toStdString();
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::Show && watched->inherits("Pagivex::frmPreview")) {
            ++shown;
            QPointer<QDialog> dialog = static_cast<QDialog*>(watched);
            QMetaObject::invokeMethod(
                this,
                [this, dialog] {
                    if (!dialog) return;
                    steps_(*dialog);
                    if (dialog->isVisible()) dialog->close();
                },
                Qt::QueuedConnection);
        }
        return false;
    }

private:
    std::function<void(QDialog&)> steps_;
};

}  // namespace TestKit
