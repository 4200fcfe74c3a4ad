#pragma once

#include <mutex>
#include <string>

#include "ui/ControlModel.h"

namespace zanvor {

// A one-line text field (MEdit). Typing by the user raises kEventTextChanged.
class EditCtrl : public ControlModel {
  public:
    static constexpr int kEventTextChanged = 1;
    enum Change { kChangeText = 16 };

    explicit EditCtrl(int controlId = 0) : ControlModel(controlId) {}

    // Sets the text without raising an event.
    void SetText(const std::string& text);
    std::string GetText() const;

    // The user changed the text: it is stored and kEventTextChanged is raised.
    void Type(const std::string& text);

  private:
    mutable std::mutex mutex_;  // guards text_
    std::string text_;
};

}  // namespace zanvor
