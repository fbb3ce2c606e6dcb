#pragma once
// Another workstation, in a process of its own, for the tests of two
// workstations on one data folder (the test names it with
// BRIVALTO_COMPUTERNAME). Arguments: database, settings folder, signed-in
// user and, optionally, the clock ("yyyy-MM-ddTHH:mm:ss", frozen).
//
// The test drives it one command a line on standard input; each command is
// answered on standard output by the boxes it brought ("BOX " and the text,
// on one line) and a last line "ok".
//   answer yes|no          the answer to the next box (otherwise its default)
//   open anagrafica <id>   the registry card, on that record
//   type <field> <text>    keys typed into the field (by its object name) of
//                          the window in use, over what it held
//   click <button>         a click on that button of the window in use
//   show <field>           "SHOW", whether the window is in sight, whether the
//                          field is enabled, and the field's text
//   close                  the modal window in use hides, its turn ends
// A program adds commands of its own (the windows it opens modally run the
// commands that follow until they hide: RunModal).

#include "Form.h"
#include "Global.h"
#include "Keyboard.h"
#include "Runtime.h"
#include "Settings.h"
#include "frmAnagrafica.h"

#include <QAbstractButton>
#include <QApplication>
#include <QComboBox>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPointer>
#include <QTest>
#include <cstdio>
#include <functional>
#include <iostream>
#include <string>

namespace TestKit {

class Workstation {
public:
    // A command of the program's own: false when it does not know it.
    using Command = std::function<bool(Workstation&, const QStringList& words)>;

    int Run(int argc, char** argv, const Command& own = {}) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
        QApplication app(argc, argv);
        if (argc != 4 && argc != 5) return 2;
        Platform::SetSettingsFolder(QString::fromLocal8Bit(argv[2]));
        if (argc == 5) Platform::SetClock(QDateTime::fromString(QString::fromLocal8Bit(argv[4]), Qt::ISODate), true);
        Platform::SetMsgBoxHandler([this](const Platform::MsgBoxCall& call) {
            Say("BOX " + QString(call.prompt).replace(QLatin1String("\r\n"), QLatin1String(" ")));
            return answers_.isEmpty() ? Platform::DefaultAnswer(call.style) : answers_.takeFirst();
        });
        // Modal windows run the commands that follow while they are shown.
        Platform::SetModalHandler([this](Platform::Form& form) { RunModal(form); });
        Global::SetColours();
        Global::gConnString = "Provider=Microsoft.Jet.OLEDB.4.0;Data Source=" + QString::fromLocal8Bit(argv[1]);
        Global::gCurrentUser = QString::fromLocal8Bit(argv[3]);
        own_ = own;
        Commands(nullptr);
        return 0;
    }

    // The window whose fields the commands reach.
    QPointer<QWidget> window;

    // A modal window shown: the commands run on it until it hides.
    void RunModal(Platform::Form& form) {
        QPointer<QWidget> outer = window;
        window = &form;
        ++modalsShown_;
        Say(QStringLiteral("ok"));  // the command that showed it is done
        Commands(&form);
        window = outer;
    }

    static void Say(const QString& line) {
        std::printf("%s\n", qPrintable(line));
        std::fflush(stdout);
    }

private:
    // Reads commands until the input ends or, for a modal window, until it hides.
    void Commands(QWidget* modal) {
        std::string line;
        while ((!modal || modal->isVisible()) && std::getline(std::cin, line)) {
            const QString text = QString::fromStdString(line);
            const QStringList words = text.split(QLatin1Char(' '));
            const int modals = modalsShown_;
            if (!Builtin(words) && !(own_ && own_(*this, words))) Say("error unknown command " + text);
            // A command that showed a modal window was answered when it showed.
            if (modals == modalsShown_) Say(QStringLiteral("ok"));
        }
    }

    QWidget* Field(const QString& name) const {
        return window ? window->findChild<QWidget*>(name) : nullptr;
    }

    bool Builtin(const QStringList& words) {
        const QString command = words.value(0);
        const QString rest = words.mid(2).join(QLatin1Char(' '));
        if (command == QLatin1String("answer")) {
            answers_ << (words.value(1) == QLatin1String("yes") ? Platform::vbYes : Platform::vbNo);
            return true;
        }
        if (command == QLatin1String("open") && words.value(1) == QLatin1String("anagrafica")) {
            auto* card = new frmAnagrafica;
            card->Load();
            card->show();
            card->ReadRecord(words.value(2).toInt());
            window = card;
            return true;
        }
        if (command == QLatin1String("type")) {
            QWidget* field = Field(words.value(1));
            if (!field) return false;
            if (auto* combo = qobject_cast<QComboBox*>(field)) field = combo->lineEdit();
            OnScreen(*field->window());
            field->setFocus();
            if (auto* line = qobject_cast<QLineEdit*>(field)) line->selectAll();
            if (auto* box = qobject_cast<QPlainTextEdit*>(field)) box->selectAll();
            Type(rest);
            return true;
        }
        if (command == QLatin1String("click")) {
            auto* button = qobject_cast<QAbstractButton*>(Field(words.value(1)));
            if (!button) return false;
            QTest::mouseClick(button, Qt::LeftButton);
            return true;
        }
        if (command == QLatin1String("show")) {
            QWidget* field = Field(words.value(1));
            if (!field) return false;
            QString value;
            if (auto* line = qobject_cast<QLineEdit*>(field)) value = line->text();
            else if (auto* box = qobject_cast<QPlainTextEdit*>(field)) value = box->toPlainText();
            else if (auto* combo = qobject_cast<QComboBox*>(field)) value = combo->currentText();
            Say(QStringLiteral("SHOW %1 %2 %3")
                    .arg(window->isVisible() ? 1 : 0)
                    .arg(field->isEnabled() ? 1 : 0)
                    .arg(value));
            return true;
        }
        if (command == QLatin1String("close")) {
            if (window) window->hide();
            return true;
        }
        return false;
    }

    QList<int> answers_;
    Command own_;
    int modalsShown_ = 0;
};

}  // namespace TestKit
