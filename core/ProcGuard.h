#pragma once
// What every window does with the errors of its procedures and with a
// connection that could not be opened.

#include "Errors.h"
#include "Global.h"
#include "Runtime.h"

#include <QString>
#include <exception>

class QWidget;

namespace ProcGuard {

// Runs an event procedure; an error ends it with the standard error box
// naming the procedure ("Procedura Form_Load di Form frmUtenti").
template <class F>
bool Run(const QString& where, F&& body) {
    try {
        body();
        return true;
    } catch (const std::exception& e) {
        Platform::Err().Set(e);
        Global::ShowProcError(Platform::Err(), where, Platform::App::Title());
        Platform::Err().Clear();
        return false;
    }
}

// A window without its connection keeps only its way out.
void DisableAllBut(QWidget* form, const QString& exitControl);

}  // namespace ProcGuard
