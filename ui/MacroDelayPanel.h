#pragma once

#include "ui/OptionFieldPanel.h"

namespace zanvor {

// How a recording fills in the delays of the selected macro: option 0 no delays, 1 the
// measured time between events, 2 a fixed delay typed in the field (milliseconds). The field
// is only editable with option 2; kEventFieldChanged is raised when the user leaves it.
class MacroDelayPanel : public OptionFieldPanel {
  public:
    static constexpr int kOptionCount = 3;

    explicit MacroDelayPanel(int controlId = 0) : OptionFieldPanel(kOptionCount, controlId, "") {}
};

}  // namespace zanvor
