// The first tab: what the selected drive is and what it can do, and a box
// with its firmware facts ("Check for Firmware Update").
#pragma once

#include "gui/pages/BasePage.h"
#include "gui/pages/GroupListCtrl.h"

class DeviceFeaturesPage : public BasePage {
  Q_OBJECT

 public:
  static constexpr int kListId = 1002;
  static constexpr int kFirmwareUpdateId = 1006;

  QString GetTitle() const override;
  void UpdateContent() override;
  void CreatePage(QWidget* parent) override;

 protected:
  bool OnInitDialog() override;
  void OnSize() override;

 private:
  void OnFirmwareUpdate();

  GroupListCtrl list;
};
