#include "gui/controls/AdvancedScanOptionsDlg.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QRegularExpressionValidator>

#include "gui/platform/ControlId.h"
#include "gui/platform/MoveWindow.h"

namespace {

using Dlg = AdvancedScanOptionsDlg;

// A box of digits only, at most nine (a sector number or count).
QWidget* MakeNumberEdit(QWidget* parent) {
  auto* edit = new QLineEdit(parent);
  edit->setValidator(
      new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[0-9]{0,9}")), edit));
  return edit;
}

const DialogTemplate kTemplate143 = {
    143,
    {287, 208},
    "Advanced Scan Options",
    0,
    {
        {Dlg::kSessionLabelId, ControlKind::Static, "Session:", 0, {7, 9, 120, 8}},
        {Dlg::kSessionListId, ControlKind::ComboBox, "", kTabStop, {130, 7, 140, 100}},
        {Dlg::kSectorsPerReadLabelId, ControlKind::Static, "Sectors per read:", 0, {7, 9, 120, 8}},
        {Dlg::kSectorsPerReadListId, ControlKind::ComboBox, "", kTabStop, {130, 7, 70, 100}},
        {Dlg::kAttemptsLabelId,
         ControlKind::Static,
         "Read attempts per sector:",
         0,
         {7, 27, 120, 8}},
        {Dlg::kAttemptsListId, ControlKind::ComboBox, "", kTabStop, {130, 25, 70, 100}},
        {Dlg::kSkipLabelId,
         ControlKind::Static,
         "Sectors to skip after an error:",
         0,
         {7, 45, 120, 8}},
        {Dlg::kSkipEditId, ControlKind::Static, "", kTabStop, {130, 43, 70, 12}, MakeNumberEdit},
        {Dlg::kFirstLabelId, ControlKind::Static, "First sector:", 0, {7, 63, 120, 8}},
        {Dlg::kFirstEditId, ControlKind::Static, "", kTabStop, {130, 61, 70, 12}, MakeNumberEdit},
        {Dlg::kLastLabelId,
         ControlKind::Static,
         "Last sector (empty: the last):",
         0,
         {7, 81, 120, 8}},
        {Dlg::kLastEditId, ControlKind::Static, "", kTabStop, {130, 79, 70, 12}, MakeNumberEdit},
        {Dlg::kSpeedLabelId, ControlKind::Static, "Read speed:", 0, {7, 99, 120, 8}},
        {Dlg::kSpeedListId, ControlKind::ComboBox, "", kTabStop, {130, 97, 70, 100}},
        {Dlg::kRetryId,
         ControlKind::CheckBox,
         "Retry only the sectors not Good in the last scan",
         kTabStop,
         {7, 117, 270, 10}},
        {Dlg::kDefaultsId, ControlKind::PushButton, "Defaults", kTabStop, {7, 187, 50, 14}},
        {kIdOk, ControlKind::PushButton, "OK", kTabStop, {176, 187, 50, 14}},
        {kIdCancel, ControlKind::PushButton, "Cancel", kTabStop, {230, 187, 50, 14}},
    },
};

// The labels and their controls, row by row.
constexpr int kRows[][2] = {
    {Dlg::kSessionLabelId, Dlg::kSessionListId},
    {Dlg::kSectorsPerReadLabelId, Dlg::kSectorsPerReadListId},
    {Dlg::kAttemptsLabelId, Dlg::kAttemptsListId},
    {Dlg::kSkipLabelId, Dlg::kSkipEditId},
    {Dlg::kFirstLabelId, Dlg::kFirstEditId},
    {Dlg::kLastLabelId, Dlg::kLastEditId},
    {Dlg::kSpeedLabelId, Dlg::kSpeedListId},
};

// A number typed in a box; fallback when it is empty.
int NumberIn(const QLineEdit* edit, int fallback) {
  bool ok = false;
  const int value = edit->text().toInt(&ok);
  return ok ? value : fallback;
}

}  // namespace

AdvancedScanOptionsDlg::AdvancedScanOptionsDlg(const ScanOptions& chosen, std::vector<int> offered,
                                               std::map<std::int32_t, wrenlo::SessionInfo> medium,
                                               QWidget* parent)
    : Dialog(&kTemplate143, parent),
      options(chosen),
      speeds(std::move(offered)),
      sessions(std::move(medium)) {}

bool AdvancedScanOptionsDlg::OnInitDialog() {
  // The last session, numbered from its start; any other, or the whole
  // disc, numbered from the disc's start.
  session = Item<QComboBox>(Client(), kSessionListId);
  session->addItem(QStringLiteral("Last session"), kLastSession);
  for (const auto& [number, info] : sessions) {
    const std::int64_t start = info.startSector;
    const std::int64_t count = info.sectorCount;
    session->addItem(QStringLiteral("Session %1 (sectors %2 to %3)")
                         .arg(number)
                         .arg(start)
                         .arg(start + count - 1),
                     number);
  }
  if (!sessions.empty()) session->addItem(QStringLiteral("Whole disc"), kWholeDisc);
  sectorsPerRead = Item<QComboBox>(Client(), kSectorsPerReadListId);
  for (const int size : ScanOptions::kSectorsPerReadChoices)
    sectorsPerRead->addItem(QString::number(size), size);
  attempts = Item<QComboBox>(Client(), kAttemptsListId);
  for (int n = ScanOptions::kMinAttempts; n <= ScanOptions::kMaxAttempts; ++n)
    attempts->addItem(QString::number(n), n);
  skip = Item<QLineEdit>(Client(), kSkipEditId);
  first = Item<QLineEdit>(Client(), kFirstEditId);
  last = Item<QLineEdit>(Client(), kLastEditId);
  speed = Item<QComboBox>(Client(), kSpeedListId);
  speed->addItem(QStringLiteral("Maximum"), 0);
  for (const int x : speeds) speed->addItem(QStringLiteral("%1x").arg(x), x);
  retry = Item<QCheckBox>(Client(), kRetryId);
  ShowOptions(options);

  auto* ok = Item<QPushButton>(Client(), kIdOk);
  ok->setDefault(true);
  connect(ok, &QPushButton::clicked, this, &AdvancedScanOptionsDlg::OnOK);
  connect(Item<QPushButton>(Client(), kIdCancel), &QPushButton::clicked, this,
          &AdvancedScanOptionsDlg::OnCancel);
  connect(Item<QPushButton>(Client(), kDefaultsId), &QPushButton::clicked, this,
          [this] { ShowOptions(ScanOptions{}); });
  LayoutControls();
  return true;
}

void AdvancedScanOptionsDlg::ShowOptions(const ScanOptions& values) {
  // A session the medium does not have is the last one.
  session->setCurrentIndex(std::max(0, session->findData(values.session)));
  sectorsPerRead->setCurrentIndex(sectorsPerRead->findData(values.sectorsPerRead));
  attempts->setCurrentIndex(attempts->findData(values.attempts));
  skip->setText(QString::number(values.skipAfterError));
  first->setText(QString::number(values.firstSector));
  last->setText(values.lastSector < 0 ? QString() : QString::number(values.lastSector));
  // A speed the drive no longer offers is its maximum.
  speed->setCurrentIndex(std::max(0, speed->findData(values.speed)));
  retry->setChecked(values.retry);
}

void AdvancedScanOptionsDlg::OnOK() {
  ScanOptions chosen = options;
  chosen.session = session->currentData().toInt();
  chosen.sectorsPerRead = sectorsPerRead->currentData().toInt();
  chosen.attempts = attempts->currentData().toInt();
  chosen.skipAfterError = std::min(NumberIn(skip, 0), ScanOptions::kMaxSkipAfterError);
  chosen.firstSector = NumberIn(first, 0);
  chosen.lastSector = NumberIn(last, -1);
  chosen.speed = speed->currentData().toInt();
  chosen.retry = retry->isChecked();
  if (!chosen.IsValid()) {
    QMessageBox box(QMessageBox::Critical, QStringLiteral("Error"),
                    QStringLiteral("The last sector comes before the first sector."),
                    QMessageBox::Ok, this);
    box.exec();
    return;
  }
  options = chosen;
  Dialog::OnOK();
}

void AdvancedScanOptionsDlg::OnSize() { LayoutControls(); }

// A column of labels and a column of controls, a row every 26 pixels from
// the top; the retry switch under them; "Defaults" at the bottom left, OK and
// Cancel at the bottom right.
void AdvancedScanOptionsDlg::LayoutControls() {
  if (sectorsPerRead == nullptr) return;  // the window is still being built
  const QRect client = ClientRect();
  const int left = 10, top = 10, right = client.width() - 10, bottom = client.height() - 10;
  const int controlLeft = left + (right - left) / 2;
  int y = top;
  for (const auto& [label, control] : kRows) {
    MoveWindow(Item(Client(), label), left, y + 3, controlLeft - 8 - left, 18);
    // A list's height is that of its open list; a box is one line high.
    QWidget* widget = Item(Client(), control);
    const bool list = qobject_cast<QComboBox*>(widget) != nullptr;
    MoveWindow(widget, controlLeft, y, right - controlLeft, list ? 200 : 22);
    y += 26;
  }
  MoveWindow(retry, left, y + 4, right - left, 20);
  const int buttonTop = bottom - 23;
  MoveWindow(Item(Client(), kDefaultsId), left, buttonTop, 80, 23);
  MoveWindow(Item(Client(), kIdCancel), right - 80, buttonTop, 80, 23);
  MoveWindow(Item(Client(), kIdOk), right - 80 - 6 - 80, buttonTop, 80, 23);
}
