#include "FuzzKit.h"

#include "Runtime.h"

namespace FuzzKit {

void QuietBoxes() {
    Platform::SetMsgBoxHandler([](const Platform::MsgBoxCall& call) { return Platform::DefaultAnswer(call.style); });
}

}  // namespace FuzzKit
