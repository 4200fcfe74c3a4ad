#pragma once

#include <span>

class QLineEdit;
class QRadioButton;

namespace zanvor {

class OptionFieldPanel;

// Shows an option panel on its widgets: the checked option (none when the model has none), the
// field's text and whether it can be edited, and the panel's visibility on the field's parent.
void ShowOptionField(const OptionFieldPanel& model, std::span<QRadioButton* const> options,
                     QLineEdit* field);

}  // namespace zanvor
