#include "gui/extract/ExtractResultDialog.h"

#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>

#include "core/extract/ExtractSummary.h"
#include "gui/platform/ControlId.h"

namespace {

const DialogTemplate kResultTemplate = {
    161,
    {320, 214},
    "Extract Files",
    0,
    {
        {ExtractResultDialog::kHeadingId, ControlKind::Static, "", 0, {7, 7, 306, 34}},
        {ExtractResultDialog::kDetailsId,
         ControlKind::Static,
         "",
         kTabStop,
         {7, 44, 306, 120},
         &MakeControl<QPlainTextEdit>},
        {ExtractResultDialog::kManifestId, ControlKind::Static, "", 0, {7, 168, 306, 20}},
        {ExtractResultDialog::kOkId, ControlKind::PushButton, "OK", kTabStop, {263, 193, 50, 14}},
    },
};

QString Count(std::size_t count, const char* one, const char* many) {
  return count == 1 ? QString::fromUtf8(one) : QString::fromUtf8(many).arg(count);
}

// Whether the extraction is complete and, when it is not, each reason on a
// line of its own.
QString HeadingText(const ExtractReport& report) {
  if (report.Complete())
    return QStringLiteral("The extraction is complete: every file was written whole.");
  QStringList lines = {QStringLiteral("The extraction is not complete.")};
  if (!report.stopped.empty())
    lines << QStringLiteral("It stopped: %1").arg(QString::fromStdString(report.stopped));
  if (report.cancelled) lines << QStringLiteral("It was cancelled before the end.");
  if (!report.incomplete.empty())
    lines << Count(report.incomplete.size(),
                   "1 file could not be read whole: its unreadable bytes are zeros.",
                   "%1 files could not be read whole: their unreadable bytes are zeros.");
  if (!report.kept.empty())
    lines << Count(report.kept.size(), "1 existing file was kept, not replaced.",
                   "%1 existing files were kept, not replaced.");
  if (!report.unmadeLinks.empty())
    lines << Count(report.unmadeLinks.size(),
                   "1 symbolic link could not be made: no local link holds its target.",
                   "%1 symbolic links could not be made: no local link holds their targets.");
  if (!report.unlisted.empty())
    lines << Count(report.unlisted.size(),
                   "1 folder could not be read: nothing below it was extracted.",
                   "%1 folders could not be read: nothing below them was extracted.");
  return lines.join('\n');
}

}  // namespace

ExtractResultDialog::ExtractResultDialog(const ExtractReport& report, QString folder,
                                         QString manifestError, QWidget* parent)
    : Dialog(&kResultTemplate, parent),
      report(report),
      folder(std::move(folder)),
      manifestError(std::move(manifestError)) {}

bool ExtractResultDialog::OnInitDialog() {
  Item<QLabel>(Client(), kHeadingId)->setText(HeadingText(report));
  auto* details = Item<QPlainTextEdit>(Client(), kDetailsId);
  details->setReadOnly(true);
  details->setLineWrapMode(QPlainTextEdit::NoWrap);
  details->setPlainText(QString::fromStdString(ExtractSummaryText(report)));
  const QString manifest = QString::fromUtf8(kExtractManifestName);
  Item<QLabel>(Client(), kManifestId)
      ->setText(manifestError.isEmpty()
                    ? QStringLiteral("The manifest %1, which lists all of this, was written in %2.")
                          .arg(manifest, folder)
                    : QStringLiteral("The manifest %1 could not be written: %2")
                          .arg(manifest, manifestError));
  connect(Item<QPushButton>(Client(), kOkId), &QPushButton::clicked, this,
          &ExtractResultDialog::OnOK);
  return true;
}
