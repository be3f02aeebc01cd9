// How fast a surface scan runs in the program's window, against a plain loop
// of the same sector reads, and how quickly the window answers meanwhile.
//
// Two fixture images are made in a temporary folder: one whose faults file
// gives every read a drive's latency, and a larger one without faults, read
// from the page cache. For each, three runs read every sector once:
//   plain loop   DeviceContext::ReadSector on a worker thread, nothing else
//   page shown   the main window on the Scan tab, the scan started with
//                "Start"
//   map open     the same with the details dialog open at 1 sector per block
// While the window scans, a second thread posts a timed input event and a
// timed repaint request to a small probe widget every 10 ms; the figures are
// how long they took to be handled. The window's thread also times its own
// work in processor time (so without the time a busy machine gave the
// processor to others): all its turns of running the scanner's reports and
// the longest one, all its paints and the longest one.
//
// Each image gets ROUNDS rounds of the three runs, side by side, on a machine
// whose load changes from second to second; the window's probe figures with
// no scan running show what the machine itself adds.
//
// Usage: scan_window_bench [LATENCY_SECTORS [CACHED_SECTORS [LATENCY_US [ROUNDS]]]]
// (defaults 20000, 1000000, 150, 3). Runs offscreen unless QT_QPA_PLATFORM
// says otherwise.
#include <wrenlo/wrenlo.h>

#include <QApplication>
#include <QCoreApplication>
#include <QDir>
#include <QEventLoop>
#include <QInputDevice>
#include <QKeyEvent>
#include <QPainter>
#include <QPushButton>
#include <QTabBar>
#include <QTemporaryDir>
#include <QTimer>
#include <QWidget>
#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <ctime>
#include <fstream>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

#include "core/disc/DeviceContext.h"
#include "core/scan/SectorScanner.h"
#include "gui/app/MainWindow.h"
#include "gui/controls/DeviceCombo.h"
#include "gui/controls/SurfaceDetailsDialog.h"
#include "gui/pages/ScanPage.h"
#include "gui/platform/ControlId.h"
#include "gui/platform/TabCtrl.h"
#include "gui/scan/ScannerCallMessage.h"

namespace {

using Clock = std::chrono::steady_clock;

double Seconds(Clock::duration d) { return std::chrono::duration<double>(d).count(); }

// Waiting times of one kind of probe event, in milliseconds.
class Delays {
 public:
  void Add(Clock::duration d) {
    const std::lock_guard lock(mutex);
    ms.push_back(std::chrono::duration<double, std::milli>(d).count());
  }
  void Clear() {
    const std::lock_guard lock(mutex);
    ms.clear();
  }
  // "count, median, 99th percentile and worst" as text.
  std::string Summary() {
    const std::lock_guard lock(mutex);
    if (ms.empty()) return "none";
    std::vector<double> sorted = ms;
    std::sort(sorted.begin(), sorted.end());
    char text[96];
    std::snprintf(text, sizeof text, "%5zu  %6.2f %6.2f %6.2f", sorted.size(),
                  sorted[sorted.size() / 2], sorted[sorted.size() * 99 / 100], sorted.back());
    return text;
  }
  double Sum() {
    const std::lock_guard lock(mutex);
    double sum = 0;
    for (double v : ms) sum += v;
    return sum;
  }
  double Worst() {
    const std::lock_guard lock(mutex);
    return ms.empty() ? 0.0 : *std::max_element(ms.begin(), ms.end());
  }

 private:
  std::mutex mutex;
  std::vector<double> ms;
};

// An input event that knows when it was posted.
class TimedKey : public QKeyEvent {
 public:
  TimedKey() : QKeyEvent(QEvent::KeyPress, Qt::Key_Shift, Qt::NoModifier), posted(Clock::now()) {}
  const Clock::time_point posted;
};

// A request for a repaint that knows when it was posted.
const QEvent::Type kRepaintRequest = static_cast<QEvent::Type>(QEvent::registerEventType());
class TimedRepaint : public QEvent {
 public:
  TimedRepaint() : QEvent(kRepaintRequest), posted(Clock::now()) {}
  const Clock::time_point posted;
};

// A small widget that times the events posted to it: input until handled,
// repaint requests until painted.
class Probe : public QWidget {
 public:
  Probe() { setAttribute(Qt::WA_OpaquePaintEvent); }

  Delays input;
  Delays paint;

  // Forgets the figures and a repaint still asked for by an earlier run.
  void Reset() {
    input.Clear();
    paint.Clear();
    repaintPending = false;
  }

 protected:
  bool event(QEvent* event) override {
    if (auto* key = dynamic_cast<TimedKey*>(event)) {
      input.Add(Clock::now() - key->posted);
      return true;
    }
    if (event->type() == kRepaintRequest) {
      if (!repaintPending) requested = static_cast<TimedRepaint*>(event)->posted;
      repaintPending = true;
      update();
      return true;
    }
    return QWidget::event(event);
  }
  void paintEvent(QPaintEvent*) override {
    QPainter(this).fillRect(rect(), (++paints % 2) ? Qt::darkGray : Qt::lightGray);
    if (repaintPending) paint.Add(Clock::now() - requested);
    repaintPending = false;
  }

 private:
  bool repaintPending = false;
  Clock::time_point requested;
  int paints = 0;
};

// Posts a timed key and a timed repaint request to the probe every 10 ms.
class ProbePoster {
 public:
  explicit ProbePoster(Probe* probe)
      : thread([this, probe] {
          while (!stop.load()) {
            QCoreApplication::postEvent(probe, new TimedKey);
            QCoreApplication::postEvent(probe, new TimedRepaint);
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
          }
        }) {}
  ~ProbePoster() {
    stop.store(true);
    thread.join();
  }

 private:
  std::atomic<bool> stop{false};
  std::thread thread;
};

// The application, timing the two kinds of work a scan gives the window's
// thread: the turns in which it runs the scanner's reports, and paints.
class TimingApplication : public QApplication {
 public:
  using QApplication::QApplication;

  bool notify(QObject* receiver, QEvent* event) override {
    const QEvent::Type type = event->type();
    if (type != ScannerCallMessage && type != QEvent::Paint && type != QEvent::UpdateRequest)
      return QApplication::notify(receiver, event);
    const auto start = ThreadTime();
    const bool done = QApplication::notify(receiver, event);
    (type == ScannerCallMessage ? reportTurns : paints).Add(ThreadTime() - start);
    return done;
  }

  // Processor time of this thread: the work itself, without the time the
  // thread waited for a processor on a busy machine.
  static Clock::duration ThreadTime() {
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return std::chrono::seconds(now.tv_sec) + std::chrono::nanoseconds(now.tv_nsec);
  }

  Delays reportTurns;
  Delays paints;
};

// Writes an image of `sectors` sectors (real bytes, so that the page cache
// holds them) and, with a latency, its faults file.
void MakeImage(const QString& path, std::int32_t sectors, int latencyUs) {
  std::ofstream image(path.toStdString(), std::ios::binary);
  std::vector<char> chunk(2048 * 512);
  for (std::size_t i = 0; i < chunk.size(); ++i) chunk[i] = static_cast<char>(i * 7);
  for (std::int64_t left = std::int64_t{sectors} * 2048; left > 0;) {
    const auto n = static_cast<std::streamsize>(std::min<std::int64_t>(left, chunk.size()));
    image.write(chunk.data(), n);
    left -= n;
  }
  if (latencyUs > 0)
    std::ofstream(path.toStdString() + ".faults") << "latency " << latencyUs << "\n";
}

// The plain loop: every sector once, on a worker thread.
double PlainLoop(std::uint16_t letter) {
  DeviceContext context(letter);
  const std::int32_t count = context.GetSessionInfo(-1).sectorCount;
  std::int32_t failed = 0;
  const auto start = Clock::now();
  std::thread worker([&] {
    std::vector<std::uint8_t> buffer;
    for (std::int32_t sector = 0; sector < count; ++sector)
      failed += context.ReadSector(buffer, sector, -1) != 0;
  });
  worker.join();
  const double seconds = Seconds(Clock::now() - start);
  if (failed != 0) std::printf("  (%d reads failed)\n", failed);
  return count / seconds;
}

struct WindowRun {
  double sectorsPerSecond = 0;
  bool mapWasOpen = false;
};

TimingApplication& App() { return *static_cast<TimingApplication*>(QCoreApplication::instance()); }

// One scan from the scan page of the window, optionally with the details
// dialog open, timed from "Start" to the run's end.
WindowRun ScanInWindow(MainWindow& window, Probe& probe, bool withMap) {
  auto* page = static_cast<ScanPage*>(window.Page(2));
  auto* start = Item<QPushButton>(page->Client(), ScanPage::kStartStopId);
  auto* details = Item<QPushButton>(page->Client(), ScanPage::kDetailsId);
  const std::int32_t count = window.CurrentContext()->GetSessionInfo(-1).sectorCount;
  SurfaceDetailsDialog::lastSectorsPerBlock = -1;
  probe.setParent(page->Client());
  probe.setGeometry(0, 0, 16, 16);
  probe.show();
  probe.raise();
  QApplication::processEvents();
  probe.Reset();
  App().reportTurns.Clear();
  App().paints.Clear();

  WindowRun run;
  QEventLoop loop;
  bool opening = false;
  Clock::time_point end;
  QTimer poll;
  poll.setInterval(2);
  QObject::connect(&poll, &QTimer::timeout, [&] {
    if (withMap && !opening && details->isEnabled()) {
      opening = true;
      QTimer::singleShot(0, page, [&] { details->click(); });  // runs modally
    }
    if (withMap && page->DetailsDialog() != nullptr && probe.parentWidget() == page->Client()) {
      run.mapWasOpen = true;
      probe.setParent(page->DetailsDialog()->Client());
      probe.setGeometry(0, 0, 16, 16);
      probe.show();
    }
    if (!page->Scanner()->IsRunning() && start->text() == "Start") {
      end = Clock::now();
      probe.setParent(page->Client());  // the dialog takes its children with it
      if (page->DetailsDialog() != nullptr) page->DetailsDialog()->EndDialog(kIdCancel);
      poll.stop();
      loop.quit();
    }
  });
  ProbePoster poster(&probe);
  const auto begin = Clock::now();
  start->click();
  poll.start();
  loop.exec();
  QApplication::processEvents();
  run.sectorsPerSecond = count / Seconds(end - begin);
  return run;
}

// The probe's figures with the window idle for a while: what the machine
// itself adds to every waiting time.
void IdleWindow(MainWindow& window, Probe& probe) {
  auto* page = static_cast<ScanPage*>(window.Page(2));
  probe.setParent(page->Client());
  probe.setGeometry(0, 0, 16, 16);
  probe.show();
  QApplication::processEvents();
  probe.Reset();
  {
    ProbePoster poster(&probe);
    QEventLoop loop;
    QTimer::singleShot(2000, &loop, &QEventLoop::quit);
    loop.exec();
  }
  QApplication::processEvents();
  std::printf("  %-12s %35s   input %s   repaint %s\n", "idle window", "",
              probe.input.Summary().c_str(), probe.paint.Summary().c_str());
}

void Report(const char* name, double rate, double plain, Probe* probe) {
  std::printf("  %-12s %12.0f sectors/s  %6.1f%%", name, rate, 100.0 * rate / plain);
  if (probe != nullptr)
    std::printf("   input %s   repaint %s   %7.0f %6.2f %7.0f %6.2f",
                probe->input.Summary().c_str(), probe->paint.Summary().c_str(),
                App().reportTurns.Sum(), App().reportTurns.Worst(), App().paints.Sum(),
                App().paints.Worst());
  std::printf("\n");
}

double Median(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  return values[values.size() / 2];
}

// Rounds of the three runs on the drive at index `drive` of the window's
// list, side by side, and the median of each run's share of the plain loop.
void Measure(MainWindow& window, Probe& probe, int drive, const char* title, int rounds) {
  auto* drives = Item<DeviceCombo>(window.Client(), MainWindow::kDeviceComboId);
  drives->setCurrentIndex(drive);
  emit drives->activated(drive);
  const std::uint16_t letter = window.CurrentContext()->driveLetter;
  std::printf("%s: %d sectors\n", title, window.CurrentContext()->GetSessionInfo(-1).sectorCount);
  std::printf("  %-12s %33s   %-34s   %-36s   %s\n", "", "share of loop",
              "input events n  median p99  worst ms", "repaints n  median p99  worst ms",
              "window thread ms: reports longest  paints longest");
  IdleWindow(window, probe);
  std::vector<double> shownShares, mapShares;
  double worst = 0;
  for (int round = 0; round < rounds; ++round) {
    const double plain = PlainLoop(letter);
    Report("plain loop", plain, plain, nullptr);
    const WindowRun shown = ScanInWindow(window, probe, false);
    worst = std::max({worst, probe.input.Worst(), probe.paint.Worst()});
    Report("page shown", shown.sectorsPerSecond, plain, &probe);
    const WindowRun mapped = ScanInWindow(window, probe, true);
    worst = std::max({worst, probe.input.Worst(), probe.paint.Worst()});
    Report(mapped.mapWasOpen ? "map open" : "map (closed)", mapped.sectorsPerSecond, plain, &probe);
    shownShares.push_back(100.0 * shown.sectorsPerSecond / plain);
    mapShares.push_back(100.0 * mapped.sectorsPerSecond / plain);
  }
  std::printf(
      "  median share of the plain loop: page shown %.1f%%, map open %.1f%%; "
      "longest wait of a probe event %.1f ms\n\n",
      Median(shownShares), Median(mapShares), worst);
}

}  // namespace

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  const std::int32_t latencySectors = argc > 1 ? std::atoi(argv[1]) : 20000;
  const std::int32_t cachedSectors = argc > 2 ? std::atoi(argv[2]) : 1000000;
  const int latencyUs = argc > 3 ? std::atoi(argv[3]) : 150;
  const int rounds = std::max(1, argc > 4 ? std::atoi(argv[4]) : 3);

  QTemporaryDir folder;
  const QString slow = QDir(folder.path()).filePath(QStringLiteral("drive-like.iso"));
  const QString cached = QDir(folder.path()).filePath(QStringLiteral("cached.iso"));
  MakeImage(slow, latencySectors, latencyUs);
  MakeImage(cached, cachedSectors, 0);
  qputenv("WRENLO_IMAGES", (slow + ':' + cached).toLocal8Bit());
  wrenlo::Initialize();

  TimingApplication app(argc, argv);
  // Made here, on the window's thread, before the probe thread's key events
  // ask for it.
  QInputDevice::primaryKeyboard();
  Probe probe;
  MainWindow window;
  window.Create();
  window.resize(760, 640);
  window.show();
  Item<TabCtrl>(window.Client(), MainWindow::kTabsId)->Bar()->setCurrentIndex(2);
  QApplication::processEvents();

  char title[64];
  std::snprintf(title, sizeof title, "Image with a %d us read latency", latencyUs);
  Measure(window, probe, 0, title, rounds);
  Measure(window, probe, 1, "Cached image without latency", rounds);
  probe.setParent(nullptr);
  return 0;
}
