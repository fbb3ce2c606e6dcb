#pragma once
// The program's shared state and its start-up routine.

#include <QString>
#include <cstdint>

class QWidget;
namespace Platform { struct ErrObject; }
namespace ADODB { class Connection; }

namespace Global {

// Set by start-up and read everywhere.
extern QString gDataPath;        // data folder, always ends with the separator
extern QString gIniFile;         // gDataPath & application name & ".ini"
extern QString gConnString;      // connection string of the shared database
extern std::int32_t gSmsProvider;  // 1 first gateway, 2 second ("IDEA")
extern bool gFaxTalkAvailable;
extern bool gFaxServerAvailable;
extern QString gCurrentUser;
extern bool gLoginActive;
extern bool gNoMessages;         // quiet flag of the data layer
extern std::int32_t gDbType;     // 1 Jet, 2 SQL Server, 3 Oracle, 0 other

// Colour scheme, &HBBGGRR.
extern std::int32_t gColFormBack;
extern std::int32_t gColPanel;
extern std::int32_t gColText;
extern std::int32_t gColButton;
extern std::int32_t gColBtnConfirm;
extern std::int32_t gColBtnCancel;
extern std::int32_t gColBtnNew;
extern std::int32_t gColBtnSearch;
extern std::int32_t gColInputBack;
extern std::int32_t gColInputFore;

// The colour scheme's values (start-up sets them before the first window).
void SetColours();

// The program's entry point: settles the state above and opens the first window.
void Main();

// Brings the database schema up to date (start-up step "Database").
void UpgradeDatabase();

// The standard error box of procedures that trap their own errors.
void ShowProcError(const Platform::ErrObject& errObj, const QString& where, const QString& title);

// Paints a window and its controls with the colour scheme; every window's load calls it.
void ApplyFormStyle(QWidget* form);

// Whether the signed-in user may use a permission (administrators may use all).
bool HaPermesso(const QString& permission);
// The same question on the caller's open connection.
bool CheckPermission(const QString& permission, ADODB::Connection& cn);

// Resets every global to its value before start-up (tests).
void ResetState();

}  // namespace Global
