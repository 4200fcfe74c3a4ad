#include "ui/StatusTexts.h"

#include "ui/LoadText.h"

namespace zanvor {

TaskResult TransferFailed() {
    return TaskResult::Failed(LoadText("KB.DIALOG", kTextTransferFailed));
}

}  // namespace zanvor
