#include "gui/pages/MediaPage.h"

#include "core/disc/DeviceContext.h"
#include "core/report/MediaRows.h"
#include "gui/platform/ControlId.h"

namespace {

const DialogTemplate kTemplate132 = {
    132,
    {316, 183},
    "",
    kChildWindow,
    {
        {MediaPage::kListId,
         ControlKind::ListView,
         "",
         kBorder | kTabStop | kNoColumnHeader,
         {1, 2, 314, 139}},
    },
};

}  // namespace

QString MediaPage::GetTitle() const { return QStringLiteral("Media"); }

void MediaPage::CreatePage(QWidget* parent) { CreateModeless(kTemplate132, parent); }

bool MediaPage::OnInitDialog() {
  list.SetupGroups(Client(), kListId, MediaGroupTitles());
  return false;
}

void MediaPage::UpdateContent() {
  list.ShowRows(MediaRows(context));
  list.SetEmptyText(context->hasMedium ? QString() : QStringLiteral("No medium"));
}

void MediaPage::OnSize() {
  if (Item(Client(), kListId) != nullptr) list.FitToRect(ClientRect());
}
