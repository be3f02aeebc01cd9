// "Extract Files" while an extraction runs: the folder written to, the files
// done and bytes written so far, the file being read, and Cancel. The
// extraction runs on a worker thread of the dialog's own, so that the window
// answers all the while; the dialog ends when the worker has ended, which
// Cancel asks it to do at its next file or sector.
#pragma once

#include <QString>
#include <atomic>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "core/extract/Extractor.h"
#include "gui/platform/Dialog.h"

class QLabel;
class QProgressBar;

class ExtractProgressDialog : public Dialog {
  Q_OBJECT

 public:
  static constexpr int kCancelId = 2;
  static constexpr int kFolderId = 1100;
  static constexpr int kCountsId = 1101;
  static constexpr int kCurrentId = 1102;
  static constexpr int kBarId = 1103;

  // Extracts files (every file of the session when empty) as choices say
  // into folder (a local path) while the dialog runs. choices.cancel is the
  // dialog's own.
  ExtractProgressDialog(ExtractChoices choices, std::string folder,
                        std::vector<std::u16string> files, QWidget* parent);
  // Asks the worker to stop and waits for it.
  ~ExtractProgressDialog() override;

  // What was done; complete once the dialog has ended.
  const ExtractReport& Report() const { return report; }

 protected:
  bool OnInitDialog() override;
  // Enter does not end the dialog; Escape and the close box cancel.
  void OnOK() override {}
  void OnCancel() override;

 private:
  void Work();
  // The latest progress, on the window's thread.
  void ShowProgress();
  void Finished();

  ExtractChoices choices;
  std::string folder;
  std::vector<std::u16string> files;
  std::atomic<bool> cancel{false};

  // What the worker last told, for the window to show.
  struct Seen {
    std::uint64_t done = 0;
    std::uint64_t bytes = 0;
    std::u16string current;
  };
  std::mutex seenLock;
  Seen seen;
  // A showing of the progress is already on its way to the window.
  std::atomic<bool> showPending{false};

  QLabel* counts = nullptr;
  QLabel* current = nullptr;
  QProgressBar* bar = nullptr;
  // The worker's until it ends.
  ExtractReport report;
  std::thread worker;
};
