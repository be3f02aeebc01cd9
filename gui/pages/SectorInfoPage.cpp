#include "gui/pages/SectorInfoPage.h"

#include <QEvent>
#include <QFileDialog>
#include <QFocusEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QLayout>
#include <QLineEdit>
#include <QRegularExpressionValidator>
#include <algorithm>
#include <limits>

#include "core/damage/DamageIndex.h"
#include "core/disc/DeviceContext.h"
#include "core/report/DamageTexts.h"
#include "core/scan/ScanRecord.h"
#include "gui/controls/BinaryViewer.h"
#include "gui/platform/ControlId.h"
#include "gui/platform/MoveWindow.h"
#include "gui/platform/SaveFileDialog.h"
#include "gui/platform/SortedComboBox.h"
#include "gui/platform/ToolBarCtrl.h"
#include "gui/platform/UpDownCtrl.h"

namespace {

// Icons of the toolbar, in the order of its image list.
constexpr int kSaveIcon = 134;
constexpr int kFirstIcon = 136;
constexpr int kPreviousIcon = 138;
constexpr int kNextIcon = 139;
constexpr int kLastIcon = 137;

// The sector number: digits only, as typed; the page itself may write a
// negative number (the last sector of an empty session is -1).
QWidget* MakeSectorEdit(QWidget* parent) {
  auto* edit = new QLineEdit(parent);
  edit->setValidator(
      new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[0-9]*")), edit));
  return edit;
}

// The template builder has plain kinds only: the sector box, the up-down
// control and the viewer are made by their lines' create functions, and their
// kind is not used.
const DialogTemplate kTemplate130 = {
    130,
    {316, 183},
    "",
    kChildWindow,
    {
        {SectorInfoPage::kSessionLabelId, ControlKind::Static, "Session:", 0, {0, 2, 26, 8}},
        {SectorInfoPage::kSessionListId,
         ControlKind::ComboBox,
         "",
         kTabStop,
         {30, 0, 286, 80},
         MakeControl<SortedComboBox>},
        {SectorInfoPage::kSectorLabelId, ControlKind::Static, "Sector:", 0, {0, 20, 24, 8}},
        {SectorInfoPage::kSectorEditId,
         ControlKind::Static,
         "",
         kTabStop,
         {30, 18, 53, 12},
         MakeSectorEdit},
        {SectorInfoPage::kUpDownId,
         ControlKind::Static,
         "",
         0,
         {79, 18, 11, 12},
         MakeControl<UpDownCtrl>},
        {SectorInfoPage::kCountLabelId, ControlKind::Static, "Static", 0, {99, 20, 53, 8}},
        {SectorInfoPage::kViewerId,
         ControlKind::Static,
         "",
         kTabStop,
         {0, 39, 316, 144},
         MakeControl<BinaryViewer>},
    },
};

// The controls that EnableControls switches, all but the toolbar.
constexpr int kPageControls[] = {SectorInfoPage::kSectorLabelId, SectorInfoPage::kSectorEditId,
                                 SectorInfoPage::kUpDownId,      SectorInfoPage::kCountLabelId,
                                 SectorInfoPage::kViewerId,      SectorInfoPage::kSessionListId,
                                 SectorInfoPage::kSessionLabelId};

const char kNoMedium[] = "Medium is not inserted.";
const char kReadError[] = "Sector read error (%d)";
const char kSessionItem[] = "Session %d (%0.2f MB)";
const char kCountLabel[] = "/ %d";

// The text of the sector box as a number, read as the platform's string to
// integer conversion reads it: leading blanks, an optional sign, the digits up
// to the first other character; 0 when there are none. A number beyond the
// 32-bit range stops at its end of the range.
std::int32_t ParseSectorNumber(const QString& text) {
  qsizetype i = 0;
  while (i < text.size() && (text[i] == u' ' || text[i] == u'\t')) ++i;
  const bool negative = i < text.size() && text[i] == u'-';
  if (i < text.size() && (text[i] == u'-' || text[i] == u'+')) ++i;
  std::int64_t value = 0;
  for (; i < text.size() && text[i] >= u'0' && text[i] <= u'9'; ++i)
    value = std::min<std::int64_t>(value * 10 + (text[i].unicode() - u'0'),
                                   std::int64_t{std::numeric_limits<std::int32_t>::max()} + 1);
  value = negative ? -value : value;
  return static_cast<std::int32_t>(std::clamp<std::int64_t>(
      value, std::numeric_limits<std::int32_t>::min(), std::numeric_limits<std::int32_t>::max()));
}

// Places a label, widening it when its text needs more room: the desktop's
// font may be wider than the one the layout's widths were made for, and a
// label must not cut its text.
void MoveLabel(QWidget* label, int x, int y, int width, int height) {
  MoveWindow(label, x, y, std::max(width, label->sizeHint().width()), height);
}

QString ToQString(const std::u16string& text) {
  return QString::fromUtf16(text.data(), static_cast<qsizetype>(text.size()));
}

const char kHolderCaption[] = "Holder: ";
const char kReadingLayout[] = "reading the file system...";

}  // namespace

SectorInfoPage::SectorInfoPage() : toolbarImages(16, 16, 4), runSaveDialog(RunSaveDialogModal) {}

QString SectorInfoPage::GetTitle() const { return QStringLiteral("Sector Viewer"); }

void SectorInfoPage::CreatePage(QWidget* parent) { CreateModeless(kTemplate130, parent); }

void SectorInfoPage::SetSaveFileDialog(SaveFileDialog run) { runSaveDialog = std::move(run); }

bool SectorInfoPage::OnInitDialog() {
  viewer = Item<BinaryViewer>(Client(), kViewerId);
  sessionList = Item<SortedComboBox>(Client(), kSessionListId);
  // The open list shows up to 30 sessions before it scrolls.
  sessionList->setMaxVisibleItems(30);
  sectorEdit = Item<QLineEdit>(Client(), kSectorEditId);
  Item<UpDownCtrl>(Client(), kUpDownId)->SetBuddy(sectorEdit);
  CreateToolbar();
  holderLabel = new QLabel(Client());
  SetControlId(holderLabel, kHolderLabelId);
  holderLabel->setTextFormat(Qt::PlainText);
  ConnectMessages();
  FillSessionList();
  UpdateCountLabel();
  UpdateSectorText();
  ShowCurrentSector();
  return false;
}

void SectorInfoPage::CreateToolbar() {
  for (const int icon : {kSaveIcon, kFirstIcon, kPreviousIcon, kNextIcon, kLastIcon})
    AppendIcon(toolbarImages, icon);
  toolbar = new ToolBarCtrl(Client());
  SetControlId(toolbar, kToolbarId);
  toolbar->SetImageList(&toolbarImages);
  toolbar->AddButton(0, kSave, QStringLiteral("Save Sector"));
  toolbar->AddSeparator();
  toolbar->AddButton(1, kFirstSector, QStringLiteral("First Sector"));
  toolbar->AddButton(2, kPreviousSector, QStringLiteral("Previous Sector"));
  toolbar->AddButton(3, kNextSector, QStringLiteral("Next Sector"));
  toolbar->AddButton(4, kLastSector, QStringLiteral("Last Sector"));
  // The buttons start at the toolbar's corner and stand side by side, as a
  // flat toolbar's do: with the style's margins and gaps a 130 x 20 bar
  // would have room for neither the icons' height nor the fifth button.
  toolbar->layout()->setContentsMargins(0, 0, 0, 0);
  toolbar->layout()->setSpacing(0);
  toolbar->setGeometry(0, 0, 0, 0);
  toolbar->show();
}

// The page's message table: every notification it handles, in one place.
void SectorInfoPage::ConnectMessages() {
  connect(toolbar, &ToolBarCtrl::command, this, &SectorInfoPage::OnCommand);
  connect(sessionList, &SortedComboBox::activated, this, &SectorInfoPage::OnSessionChanged);
  connect(Item<UpDownCtrl>(Client(), kUpDownId), &UpDownCtrl::deltaPos, this,
          &SectorInfoPage::OnDeltaPos);
  // A change of the text commits it only when it did not come from typing.
  connect(sectorEdit, &QLineEdit::textChanged, this, [this] {
    if (!sectorEdit->hasFocus()) CommitSectorEdit();
  });
  // Enter and leaving the box commit what was typed.
  sectorEdit->installEventFilter(this);
}

bool SectorInfoPage::eventFilter(QObject* watched, QEvent* event) {
  if (watched == sectorEdit) {
    if (event->type() == QEvent::KeyPress) {
      const int key = static_cast<QKeyEvent*>(event)->key();
      if (key == Qt::Key_Return || key == Qt::Key_Enter) {
        CommitSectorEdit();
        return true;
      }
    } else if (event->type() == QEvent::FocusOut &&
               static_cast<QFocusEvent*>(event)->reason() != Qt::PopupFocusReason) {
      // (A context menu opening over the box does not leave it.)
      CommitSectorEdit();
    }
  }
  return BasePage::eventFilter(watched, event);
}

void SectorInfoPage::OnCommand(int commandId) {
  switch (commandId) {
    case kSave:
      return SaveSector();
    case kFirstSector:
      if (currentSector > 0) GoToSector(0);
      return;
    case kPreviousSector:
      if (currentSector > 0) GoToSector(currentSector - 1);
      return;
    case kNextSector:
      if (currentSector < LastSector()) GoToSector(currentSector + 1);
      return;
    case kLastSector:
      if (currentSector < LastSector()) GoToSector(LastSector());
      return;
    default:
      return;
  }
}

// The up-down control proposes -1 for its up arrow and +1 for its down arrow:
// up steps to the next sector, down to the previous one.
void SectorInfoPage::OnDeltaPos(int delta) { OnCommand(delta > 0 ? kPreviousSector : kNextSector); }

void SectorInfoPage::OnSessionChanged() {
  if (context == nullptr) return;
  currentSession = SelectedSession();
  // The sector number stays: the same number is read in the other session.
  SetSectorCount(context->GetSessionInfo(currentSession).sectorCount);
  UpdateSectorText();
  ShowCurrentSector();
}

// Rebuilds the page for a new context: its last session selected, sector 0
// of it read and shown; without a medium, everything disabled and empty.
void SectorInfoPage::UpdateContent() {
  ++contextsSeen;
  layouts.clear();
  EnableControls(context->hasMedium);
  FillSessionList();
  SetSectorCount(context->hasMedium ? context->GetSessionInfo(currentSession).sectorCount : 0);
  if (currentSector != 0) {
    currentSector = std::min(0, LastSector());
    UpdateSectorText();
    UpdateToolbarButtons();
  }
  ShowCurrentSector();
}

void SectorInfoPage::ShowSector(std::int32_t session, std::int32_t sector) {
  if (!HasMedium()) return;
  const int index =
      sessionList->findData(session < 0 ? std::int32_t{context->medium.lastSession} : session);
  if (index >= 0 && index != sessionList->currentIndex()) {
    sessionList->setCurrentIndex(index);
    currentSession = SelectedSession();
    SetSectorCount(context->GetSessionInfo(currentSession).sectorCount);
  }
  GoToSector(sector);
}

void SectorInfoPage::GoToSector(std::int32_t n) {
  currentSector = std::min(n, LastSector());
  UpdateSectorText();
  UpdateToolbarButtons();
  ShowCurrentSector();
}

void SectorInfoPage::CommitSectorEdit() {
  const std::int32_t n = ParseSectorNumber(sectorEdit->text());
  if (n != currentSector) GoToSector(n);
}

void SectorInfoPage::ShowCurrentSector() {
  if (context == nullptr) return;
  if (!context->hasMedium) {
    sectorShown = false;
    viewer->setPlainText(QString::fromUtf8(kNoMedium));
  } else {
    const std::int32_t result = context->ReadSector(sectorData, currentSector, currentSession);
    sectorShown = result == 0;
    if (sectorShown)
      viewer->ShowBytes(sectorData);
    else
      viewer->setPlainText(QString::asprintf(kReadError, result));
  }
  UpdateToolbarButtons();
  UpdateHolder();
}

void SectorInfoPage::showEvent(QShowEvent* event) {
  BasePage::showEvent(event);
  UpdateHolder();
}

// A sector that does not read still has its holder named: that is where a
// damaged sector's loss lies.
void SectorInfoPage::UpdateHolder() {
  if (holderLabel == nullptr) return;
  if (!HasMedium() || currentSector < 0) return SetHolderText({});
  const std::shared_ptr<const DamageIndex> index = HolderIndex();
  SetHolderText(index != nullptr
                    ? ToQString(SectorHolderText(*index, static_cast<std::uint64_t>(currentSector)))
                    : QString::fromUtf8(kReadingLayout));
}

std::shared_ptr<const DamageIndex> SectorInfoPage::HolderIndex() {
  const wrenlo::SessionInfo session = context->GetSessionInfo(currentSession);
  const auto start = static_cast<std::uint64_t>(std::max<std::int32_t>(session.startSector, 0));
  if (scans != nullptr && currentSession == context->medium.lastSession) {
    const ScanRecord* scan = scans->Last(context->driveLetter);
    if (scan != nullptr && scan->damage != nullptr && scan->damage->SessionStart() == start &&
        scan->sectors.size() == static_cast<std::size_t>(std::max(session.sectorCount, 0)))
      return scan->damage;
  }
  if (const auto found = layouts.find(currentSession); found != layouts.end()) return found->second;
  // Read when the user looks at the page, not for every context it is given.
  if (!isVisible()) return nullptr;
  layouts[currentSession] = nullptr;
  layoutJobs.Start(context->driveLetter, session, {},
                   [this, seen = contextsSeen,
                    number = currentSession](std::shared_ptr<const DamageIndex> index) {
                     if (seen != contextsSeen) return;
                     layouts[number] = std::move(index);
                     if (number == currentSession) UpdateHolder();
                   });
  return nullptr;
}

// The label keeps its caption and the end of the holder (the file's name and
// the byte) when the whole does not fit; the tooltip holds it whole.
void SectorInfoPage::SetHolderText(const QString& holder) {
  const QString caption = holder.isEmpty() ? QString() : QString::fromUtf8(kHolderCaption);
  const QFontMetrics metrics = holderLabel->fontMetrics();
  holderText = holder;
  holderLabel->setText(
      caption + metrics.elidedText(holder, Qt::ElideLeft,
                                   holderLabel->width() - metrics.horizontalAdvance(caption)));
  holderLabel->setToolTip(caption + holder);
}
void SectorInfoPage::SetSectorCount(std::int32_t count) {
  if (count == sectorCount) return;
  sectorCount = count;
  UpdateCountLabel();
  UpdateToolbarButtons();
}

void SectorInfoPage::UpdateCountLabel() {
  Item<QLabel>(Client(), kCountLabelId)->setText(QString::asprintf(kCountLabel, sectorCount));
}

void SectorInfoPage::UpdateSectorText() { sectorEdit->setText(QString::number(currentSector)); }

void SectorInfoPage::UpdateToolbarButtons() {
  const bool medium = HasMedium();
  toolbar->Button(kSave)->setEnabled(medium && sectorShown);
  for (const int command : {kFirstSector, kPreviousSector})
    toolbar->Button(command)->setEnabled(medium && currentSector > 0);
  for (const int command : {kNextSector, kLastSector})
    toolbar->Button(command)->setEnabled(medium && currentSector < LastSector());
}

void SectorInfoPage::EnableControls(bool on) {
  for (const int id : kPageControls) Item(Client(), id)->setEnabled(on);
  UpdateToolbarButtons();
}

void SectorInfoPage::FillSessionList() {
  sessionList->clear();
  if (!HasMedium()) return;
  for (const auto& [number, session] : context->Sessions()) {
    const double megabytes = std::int32_t{session.sectorCount} * 2048.0 / 1048576;
    const int index = sessionList->AddSorted(QString::asprintf(kSessionItem, number, megabytes));
    sessionList->setItemData(index, number);
  }
  sessionList->setCurrentIndex(sessionList->findData(std::int32_t{context->medium.lastSession}));
  currentSession = SelectedSession();
  UpdateCountLabel();
  UpdateSectorText();
}

void SectorInfoPage::SaveSector() {
  if (!sectorShown) return;
  SaveDialog dialog(this);
  dialog.setAcceptMode(QFileDialog::AcceptSave);
  dialog.setFileMode(QFileDialog::AnyFile);
  dialog.setNameFilters(
      {QStringLiteral("Binary Files (*.bin)"), QStringLiteral("All Files (*.*)")});
  dialog.setDefaultSuffix(QStringLiteral("bin"));
  PrepareSaveDialog(dialog, QStringLiteral("sector-%1.bin").arg(currentSector));
  const QString path = runSaveDialog(dialog);
  if (path.isEmpty()) return;
  SaveFileOrShowError(
      this, path,
      std::string_view(reinterpret_cast<const char*>(sectorData.data()), sectorData.size()));
}

void SectorInfoPage::OnSize() { LayoutControls(); }

// Places every control in client pixels: the session row at the top, the
// sector row with the toolbar at its right below it, the viewer under both.
// Right and bottom are one past the last pixel, as on the original platform.
void SectorInfoPage::LayoutControls() {
  const QRect client = ClientRect();
  const int left = client.left(), top = client.top();
  const int right = client.right() + 1, bottom = client.bottom() + 1;
  int viewerTop = top;
  if (Item(Client(), kSectorLabelId) != nullptr) {
    MoveLabel(Item(Client(), kSessionLabelId), left, top + 3, 39, 18);
    // The box itself is 22 pixels high; its open list sizes itself.
    Item(Client(), kSessionListId)->setGeometry(left + 44, top, right - left - 44, 22);
    MoveLabel(Item(Client(), kSectorLabelId), left, top + 33, 35, 18);
    MoveWindow(Item(Client(), kSectorEditId), left + 44, top + 30, 80, 22);
    MoveWindow(Item(Client(), kUpDownId), left + 118, top + 30, 20, 22);
    MoveLabel(Item(Client(), kCountLabelId), left + 148, top + 33, 80, 18);
    if (toolbar != nullptr) MoveWindow(toolbar, right - 124, top + 30, 130, 20);
    // The holder between the count and the toolbar.
    if (holderLabel != nullptr) {
      const int holderLeft = Item(Client(), kCountLabelId)->geometry().right() + 13;
      MoveWindow(holderLabel, holderLeft, top + 33, std::max(0, right - 130 - holderLeft), 18);
      SetHolderText(holderText);
    }
    viewerTop = top + 64;
  }
  if (QWidget* dump = Item(Client(), kViewerId))
    MoveWindow(dump, left, viewerTop, right - left, bottom - viewerTop);
}

bool SectorInfoPage::HasMedium() const { return context != nullptr && context->hasMedium; }

std::int32_t SectorInfoPage::LastSector() const {
  return sectorCount == std::numeric_limits<std::int32_t>::min() ? sectorCount : sectorCount - 1;
}

std::int32_t SectorInfoPage::SelectedSession() const {
  return sessionList->currentIndex() < 0 ? -1 : sessionList->currentData().toInt();
}
