#include "ui/KeyLayerCtrl.h"

namespace zanvor {

void KeyLayerCtrl::SetCurKeyLayer(int layer) {
    {
        std::lock_guard lock(mutex_);
        layer_ = layer;
    }
    NotifyChanged(kChangeLayer);
}

int KeyLayerCtrl::GetCurKeyLayer() const {
    std::lock_guard lock(mutex_);
    return layer_;
}

void KeyLayerCtrl::ChooseLayer(int layer) {
    SetCurKeyLayer(layer);
    RaiseEvent(kEventLayerChanged);
}

}  // namespace zanvor
