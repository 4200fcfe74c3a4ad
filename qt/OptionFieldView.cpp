#include "qt/OptionFieldView.h"

#include <QLineEdit>
#include <QRadioButton>

#include "ui/OptionFieldPanel.h"

namespace zanvor {

void ShowOptionField(const OptionFieldPanel& model, std::span<QRadioButton* const> options,
                     QLineEdit* field) {
    const int option = model.SelectedOption();
    for (size_t i = 0; i < options.size(); ++i) {
        const QSignalBlocker blocker(options[i]);
        options[i]->setChecked(static_cast<int>(i) == option);
    }
    const QString text = QString::fromStdString(model.FieldText());
    if (field->text() != text) {
        field->setText(text);
    }
    field->setEnabled(model.FieldEnabled());
    field->parentWidget()->setVisible(model.IsVisible());
}

}  // namespace zanvor
