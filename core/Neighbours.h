#pragma once
// Windows of other subsystems that the core opens. The program registers
// them at start, so the core builds and runs without them; a window not
// registered yet opens a notice that it is not available.

#include <QString>
#include <functional>

namespace Neighbours {

using Opener = std::function<void()>;

// The quick-entry window shown instead of the main menu for "/Q".
void SetQuickEntry(Opener open);
void ShowQuickEntry();

// A window of another subsystem, reached by its form name.
struct Window {
    std::function<void()> show;                 // shown modeless
    std::function<void()> load;                 // loaded without showing
    std::function<void(int state)> setWindowState;
    std::function<QString()> showModalForTag;  // shown modally; its Tag afterwards
};
void Register(const QString& formName, Window window);
bool IsRegistered(const QString& formName);
void Show(const QString& formName);
void Load(const QString& formName);
void SetWindowState(const QString& formName, int state);
// Shows a dialog modally and returns its Tag ("" when not registered).
QString ShowModalForTag(const QString& formName);

// Opens a file or an address with the program registered for it (the
// print-preview library's shell service when the program registers it).
void SetDocumentOpener(std::function<void(const QString&)> open);
void OpenDocument(const QString& target);

}  // namespace Neighbours
