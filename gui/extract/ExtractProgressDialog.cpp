#include "gui/extract/ExtractProgressDialog.h"

#include <QFile>
#include <QLabel>
#include <QLocale>
#include <QProgressBar>
#include <QPushButton>

#include "gui/platform/ControlId.h"

namespace {

const DialogTemplate kProgressTemplate = {
    160,
    {260, 92},
    "Extract Files",
    0,
    {
        {ExtractProgressDialog::kFolderId, ControlKind::Static, "", 0, {7, 7, 246, 8}},
        {ExtractProgressDialog::kCountsId, ControlKind::Static, "", 0, {7, 22, 246, 8}},
        {ExtractProgressDialog::kCurrentId, ControlKind::Static, "", 0, {7, 34, 246, 8}},
        {ExtractProgressDialog::kBarId, ControlKind::ProgressBar, "", 0, {7, 50, 246, 10}},
        {ExtractProgressDialog::kCancelId,
         ControlKind::PushButton,
         "Cancel",
         kTabStop,
         {203, 71, 50, 14}},
    },
};

QString FilesText(std::uint64_t count) {
  return count == 1 ? QStringLiteral("1 file") : QStringLiteral("%1 files").arg(count);
}

}  // namespace

ExtractProgressDialog::ExtractProgressDialog(ExtractChoices choices, std::string folder,
                                             std::vector<std::u16string> files, QWidget* parent)
    : Dialog(&kProgressTemplate, parent),
      choices(choices),
      folder(std::move(folder)),
      files(std::move(files)) {
  this->choices.cancel = &cancel;
}

ExtractProgressDialog::~ExtractProgressDialog() {
  cancel = true;
  if (worker.joinable()) worker.join();
}

bool ExtractProgressDialog::OnInitDialog() {
  counts = Item<QLabel>(Client(), kCountsId);
  current = Item<QLabel>(Client(), kCurrentId);
  bar = Item<QProgressBar>(Client(), kBarId);
  // A long path keeps its start and its end on the one line.
  auto* target = Item<QLabel>(Client(), kFolderId);
  const QString path = QFile::decodeName(folder.c_str());
  target->setText(target->fontMetrics().elidedText(QStringLiteral("Extracting to %1").arg(path),
                                                   Qt::ElideMiddle, target->width()));
  target->setToolTip(path);
  // Chosen files are counted out; a whole tree's size is not known ahead.
  bar->setRange(0, static_cast<int>(files.size()));
  connect(Item<QPushButton>(Client(), kCancelId), &QPushButton::clicked, this,
          &ExtractProgressDialog::OnCancel);
  ShowProgress();
  worker = std::thread([this] { Work(); });
  return true;
}

void ExtractProgressDialog::Work() {
  LocalFolder local;
  if (local.Open(folder, report.stopped)) {
    Extractor extractor(choices, local,
                        [this](const std::u16string& path, const ExtractReport& sofar) {
                          {
                            std::lock_guard hold(seenLock);
                            seen = {sofar.files + sofar.kept.size(), sofar.bytes, path};
                          }
                          if (!showPending.exchange(true))
                            QMetaObject::invokeMethod(this, &ExtractProgressDialog::ShowProgress,
                                                      Qt::QueuedConnection);
                        });
    if (files.empty())
      extractor.Run(report);
    else
      extractor.RunFiles(files, report);
  }
  QMetaObject::invokeMethod(this, &ExtractProgressDialog::Finished, Qt::QueuedConnection);
}

void ExtractProgressDialog::ShowProgress() {
  showPending = false;
  Seen now;
  {
    std::lock_guard hold(seenLock);
    now = seen;
  }
  counts->setText(
      QStringLiteral("%1 done, %2 written")
          .arg(FilesText(now.done), QLocale().formattedDataSize(static_cast<qint64>(now.bytes))));
  const QString path = QString::fromStdU16String(now.current);
  const QString reading = path.isEmpty() ? QStringLiteral("Opening the disc's files...")
                                         : QStringLiteral("Reading %1").arg(path);
  current->setText(current->fontMetrics().elidedText(reading, Qt::ElideMiddle, current->width()));
  current->setToolTip(path);
  if (!files.empty()) bar->setValue(static_cast<int>(now.done));
}

void ExtractProgressDialog::OnCancel() {
  cancel = true;
  auto* button = Item<QPushButton>(Client(), kCancelId);
  button->setEnabled(false);
  button->setText(QStringLiteral("Stopping..."));
}

void ExtractProgressDialog::Finished() {
  worker.join();
  EndDialog(cancel ? kIdCancel : kIdOk);
}
