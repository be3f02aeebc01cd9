// The second tab: the medium in the selected drive and its file systems.
#pragma once

#include "gui/pages/BasePage.h"
#include "gui/pages/GroupListCtrl.h"

class MediaPage : public BasePage {
  Q_OBJECT

 public:
  static constexpr int kListId = 1007;

  QString GetTitle() const override;
  void UpdateContent() override;
  void CreatePage(QWidget* parent) override;

 protected:
  bool OnInitDialog() override;
  void OnSize() override;

 private:
  GroupListCtrl list;
};
