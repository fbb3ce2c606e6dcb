#pragma once
// Windows of other subsystems that the core opens. The program registers
// them at start, so the core builds and runs without them.

#include <functional>

namespace Neighbours {

using Opener = std::function<void()>;

// The quick-entry window shown instead of the main menu for "/Q".
void SetQuickEntry(Opener open);
void ShowQuickEntry();

}  // namespace Neighbours
