#pragma once

#include <mutex>
#include <string>

#include "ui/ControlModel.h"

namespace zanvor {

// The record button of the macro page: its caption (a text id of the language file), its icon
// and whether a recording runs. While one runs, the page's other controls are disabled. The
// rectangle (ControlModel::GetRect) is the button's place on the screen, so a click that stops
// the recording is kept out of the macro.
class RecordButton : public ControlModel {
  public:
    static constexpr int kEventClicked = 1;

    enum Change { kChangeCaption = 16, kChangeRecording = 17 };

    explicit RecordButton(int controlId = 0) : ControlModel(controlId) {}

    void SetCaptionId(int textId);
    int CaptionId() const;
    void SetIcon(const std::string& icon);
    std::string Icon() const;

    void SetRecording(bool recording);
    bool Recording() const;
    // The page's other controls take input (false while recording).
    bool OtherControlsEnabled() const { return !Recording(); }

    // ---- user input ----
    void Click() { RaiseEvent(kEventClicked); }

  private:
    mutable std::mutex mutex_;  // guards every member below
    int captionId_ = 0;
    std::string icon_;
    bool recording_ = false;
};

}  // namespace zanvor
