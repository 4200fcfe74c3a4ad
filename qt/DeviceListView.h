#pragma once

#include <QAbstractButton>
#include <QWidget>
#include <memory>
#include <vector>

#include "qt/ModelBinding.h"
#include "ui/CDeviceList.h"
#include "ui/LoadText.h"

class QHBoxLayout;

namespace zanvor {

// "Online · USB cable", "Not connected", … for a device list entry, in the active language.
QString DeviceStatusText(const DeviceListItem& item);

// One keyboard model of the device list: its picture, name, connection, online state and
// battery. A click (or Space/Enter when focused) picks the keyboard.
class DeviceCard : public QAbstractButton {
    Q_OBJECT
  public:
    explicit DeviceCard(QWidget* parent = nullptr);
    void SetItem(const DeviceListItem& item, bool selected);
    const DeviceListItem& Item() const { return item_; }
    bool Selected() const { return selected_; }
    QSize sizeHint() const override;
    // The status line as shown (connection and online state), for tests and accessibility.
    QString StatusText() const;

  protected:
    void paintEvent(QPaintEvent* event) override;
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;

  private:
    DeviceListItem item_;
    bool selected_ = false;
    bool hovered_ = false;
    QPixmap picture_;
};

// The device list of the home page, rendering a CDeviceList.
class DeviceListView : public QWidget {
    Q_OBJECT
  public:
    DeviceListView(CDeviceList& model, QWidget* parent = nullptr);
    ~DeviceListView() override;

    std::vector<DeviceCard*> Cards() const { return cards_; }
    DeviceCard* CardFor(int deviceType) const;

  private:
    void Rebuild();
    void Rebuild(const std::vector<DeviceListItem>& items);
    void Refresh();
    void Apply(const std::vector<DeviceListItem>& items);

    CDeviceList& model_;
    QHBoxLayout* layout_ = nullptr;
    std::vector<DeviceCard*> cards_;
    std::unique_ptr<ModelBinding> binding_;
    LanguageSubscription language_;
};

}  // namespace zanvor
