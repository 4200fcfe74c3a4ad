#pragma once

#include <QWidget>
#include <memory>

#include "qt/ModelBinding.h"
#include "ui/LoadText.h"

class QLabel;
class QPushButton;

namespace zanvor {

class CDeviceList;
class DeviceListView;
class MainView;

// The home page: the keyboards of the catalogue with their state, and the picture of a
// disconnected keyboard while none is online.
class HomePage : public QWidget {
    Q_OBJECT
  public:
    HomePage(CDeviceList& devices, MainView& view, const QString& disconnectedPicture,
             QWidget* parent = nullptr);
    ~HomePage() override;

    DeviceListView* DeviceList() const { return list_; }
    bool DisconnectedShown() const;
    // The panel of the selected keyboard, shown while its pages are available.
    bool SelectedShown() const;
    QPushButton* OpenKeysButton() const { return openKeys_; }

  private:
    void ApplyTexts();
    void Refresh();

    void RefreshSelected();

    CDeviceList& devices_;
    MainView& view_;
    QWidget* selectedPanel_ = nullptr;
    QLabel* selectedPicture_ = nullptr;
    QLabel* selectedName_ = nullptr;
    QLabel* selectedStatus_ = nullptr;
    QPushButton* openKeys_ = nullptr;
    std::string selectedPictureShown_;
    std::unique_ptr<ModelBinding> devicesBinding_;
    DeviceListView* list_ = nullptr;
    QLabel* title_ = nullptr;
    QWidget* disconnected_ = nullptr;
    QLabel* disconnectedPicture_ = nullptr;
    QLabel* disconnectedText_ = nullptr;
    QLabel* accessHint_ = nullptr;
    QString disconnectedPath_;
    std::unique_ptr<ModelBinding> binding_;
    LanguageSubscription language_;
};

}  // namespace zanvor
