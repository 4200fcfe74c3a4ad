#pragma once

#include <mutex>

#include "ui/ControlModel.h"

namespace zanvor {

// The layer picker of the key-assignment page: the number of the layer shown. The value is
// whatever the view reports; the page maps it onto the keyboard's layers 0-3.
class KeyLayerCtrl : public ControlModel {
  public:
    static constexpr int kEventLayerChanged = 1;
    enum Change { kChangeLayer = 16 };

    explicit KeyLayerCtrl(int controlId = 0) : ControlModel(controlId) {}

    // Sets the layer shown without raising an event (the page following the session).
    void SetCurKeyLayer(int layer);
    int GetCurKeyLayer() const;

    // The user picks a layer: it is shown and kEventLayerChanged is raised.
    void ChooseLayer(int layer);

  private:
    mutable std::mutex mutex_;  // guards layer_
    int layer_ = 0;
};

}  // namespace zanvor
