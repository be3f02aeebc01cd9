// How fast a surface scan runs in the program's window, against a plain loop
// of the same sector reads, how much processor time the program takes for it,
// and how quickly the window answers meanwhile.
//
// Two fixture images are made in a temporary folder: one whose faults file
// gives every read a drive's latency, and a larger one without faults, read
// from the page cache. For each, on a quiet machine and then with two busy
// processes (busy loops at nice 0) beside it, ROUNDS rounds of three runs read
// every sector once:
//   plain loop   DeviceContext::ReadSector on a worker thread, nothing else
//   page shown   the main window on the Scan tab, the scan started with
//                "Start"
//   map open     the same with the details dialog open at 1 sector per block
// and, for the cached image, lumeter-cli's surface scan of it (the program
// beside this one in the build folder).
//
// Per run: sectors per second and the share of the plain loop; processor time
// per second of scan of the window's thread, of the scanner's worker and of
// the whole program (every thread but this benchmark's probe); how long the
// probe's input events and repaint requests, posted every 10 ms from a thread
// of their own, waited to be handled (count, median, 99th percentile, worst);
// and the window thread's own processor time in the scanner's reports and in
// paints (total and longest turn). Before the runs, the program's processor
// time with the window idle, and the probe's waits with no scan running (what
// the machine itself adds). The goals are printed beside the figures.
#include <signal.h>
#include <sys/prctl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>
#include <wrenlo/wrenlo.h>

#include <QApplication>
#include <QCoreApplication>
#include <QDir>
#include <QEventLoop>
#include <QFileInfo>
#include <QInputDevice>
#include <QKeyEvent>
#include <QPainter>
#include <QProcess>
#include <QPushButton>
#include <QTabBar>
#include <QTemporaryDir>
#include <QTimer>
#include <QWidget>
#include <algorithm>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <mutex>
#include <string>
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

constexpr char kUsage[] =
    R"(Usage: scan_window_bench [LATENCY_SECTORS [CACHED_SECTORS [LATENCY_US [ROUNDS]]]]

A surface scan in the program's window against a plain loop of the same reads,
on an image with a drive's read latency and on a larger cached one, each on a
quiet machine and with two busy processes beside it; prints sectors per
second, processor time per thread, the window's response times and the goals.
Defaults: 20000 sectors, 1000000 sectors, 150 us, 3 rounds. Runs offscreen
unless QT_QPA_PLATFORM says otherwise; compares with ../cli/lumeter-cli
beside this program when it is there.
)";

// The goals the figures are held to.
constexpr double kLatencyShownGoal[2] = {90, 85};  // % of the plain loop: quiet, busy
constexpr double kLatencyMapGoal[2] = {85, 75};
constexpr double kLatencyCpuGoal = 25;   // % of one core, whole program, page shown
constexpr double kCachedOfCliGoal = 50;  // % of lumeter-cli's sectors per second
constexpr double kResponseGoalMs = 50;   // every input event and repaint
constexpr int kBusyProcesses = 2;

double Seconds(Clock::duration d) { return std::chrono::duration<double>(d).count(); }

double Median(std::vector<double> values) {
  if (values.empty()) return 0;
  std::sort(values.begin(), values.end());
  return values[values.size() / 2];
}

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
    std::snprintf(text, sizeof text, "%5zu %6.2f %6.2f %6.2f", sorted.size(),
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
          threadId.store(gettid());
          while (!stop.load()) {
            QCoreApplication::postEvent(probe, new TimedKey);
            QCoreApplication::postEvent(probe, new TimedRepaint);
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
          }
        }) {
    while (threadId.load() == 0) std::this_thread::yield();
  }
  ~ProbePoster() {
    stop.store(true);
    thread.join();
  }
  // The posting thread, whose processor time is the benchmark's, not the
  // program's.
  pid_t ThreadId() const { return threadId.load(); }

 private:
  std::atomic<bool> stop{false};
  std::atomic<pid_t> threadId{0};
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

TimingApplication& App() { return *static_cast<TimingApplication*>(QCoreApplication::instance()); }

// --- Processor time per thread ------------------------------------------------

std::int64_t Nanoseconds(const timespec& t) { return t.tv_sec * 1000000000LL + t.tv_nsec; }

// Processor time of one thread of this process by its id, in nanoseconds;
// -1 once it has ended. The clock id is the kernel's per-thread processor
// clock, as pthread_getcpuclockid makes it.
std::int64_t ThreadCpu(pid_t thread) {
  const auto clock = static_cast<clockid_t>((~static_cast<unsigned>(thread) << 3) | 6u);
  timespec t{};
  return clock_gettime(clock, &t) == 0 ? Nanoseconds(t) : -1;
}

// The processor time of the process (ended threads included) and of each of
// its threads, at one moment.
struct CpuSnapshot {
  Clock::time_point at;
  std::int64_t process = 0;
  std::map<pid_t, std::int64_t> threads;
};

CpuSnapshot TakeCpuSnapshot() {
  CpuSnapshot snapshot;
  snapshot.at = Clock::now();
  std::error_code error;
  for (const auto& entry : std::filesystem::directory_iterator("/proc/self/task", error)) {
    const pid_t thread = static_cast<pid_t>(std::atoi(entry.path().filename().c_str()));
    if (const std::int64_t ns = ThreadCpu(thread); ns >= 0) snapshot.threads[thread] = ns;
  }
  timespec t{};
  clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
  snapshot.process = Nanoseconds(t);
  return snapshot;
}

// Processor time per second of wall-clock time between two snapshots, in
// percent of one core: the window's thread, the scanner's worker (the thread
// that came and went: whatever the process took beyond the threads that lived
// throughout) and the whole program, leaving out the benchmark's own thread.
struct CpuShares {
  double window = 0;
  double scanner = 0;
  double program = 0;
};

CpuShares CpuBetween(const CpuSnapshot& before, const CpuSnapshot& after, pid_t benchThread) {
  const double ns = std::chrono::duration<double, std::nano>(after.at - before.at).count();
  const pid_t windowThread = getpid();
  double window = 0, others = 0, bench = 0;
  for (const auto& [thread, end] : after.threads) {
    const auto start = before.threads.find(thread);
    if (start == before.threads.end()) continue;
    const double used = static_cast<double>(end - start->second);
    (thread == windowThread ? window : thread == benchThread ? bench : others) += used;
  }
  const double scanner =
      static_cast<double>(after.process - before.process) - window - others - bench;
  return {100 * window / ns, 100 * scanner / ns, 100 * (window + scanner + others) / ns};
}

// --- The load beside the benchmark ---------------------------------------------

// Processes that only keep a processor busy, at nice 0, for as long as the
// object lives (and no longer than this program).
class BusyProcesses {
 public:
  explicit BusyProcesses(int count) {
    const pid_t parent = getpid();
    for (int i = 0; i < count; ++i) {
      const pid_t child = fork();
      if (child == 0) {
        prctl(PR_SET_PDEATHSIG, SIGKILL);
        if (getppid() != parent) _exit(0);
        setpriority(PRIO_PROCESS, 0, 0);
        volatile unsigned long spins = 0;
        for (;;) spins = spins + 1;
      }
      if (child > 0) children.push_back(child);
    }
  }
  ~BusyProcesses() {
    for (pid_t child : children) kill(child, SIGKILL);
    for (pid_t child : children) waitpid(child, nullptr, 0);
  }
  BusyProcesses(const BusyProcesses&) = delete;
  BusyProcesses& operator=(const BusyProcesses&) = delete;

 private:
  std::vector<pid_t> children;
};

// --- The runs ------------------------------------------------------------------

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

struct PlainRun {
  double sectorsPerSecond = 0;
  double readerCpu = 0;  // % of one core
};

// The plain loop: every sector once, on a worker thread.
PlainRun PlainLoop(std::uint16_t letter) {
  DeviceContext context(letter);
  const std::int32_t count = context.GetSessionInfo(-1).sectorCount;
  std::int32_t failed = 0;
  Clock::duration cpu{};
  const auto start = Clock::now();
  std::thread worker([&] {
    std::vector<std::uint8_t> buffer;
    for (std::int32_t sector = 0; sector < count; ++sector)
      failed += context.ReadSector(buffer, sector, -1) != 0;
    cpu = TimingApplication::ThreadTime();
  });
  worker.join();
  const double seconds = Seconds(Clock::now() - start);
  if (failed != 0) std::printf("  (%d reads failed)\n", failed);
  return {count / seconds, 100 * Seconds(cpu) / seconds};
}

// lumeter-cli's surface scan of image: sectors per second, or 0 when it
// cannot be run or does not read every sector.
double CliScan(const QString& image, std::int32_t sectors) {
  const QString cli =
      QCoreApplication::applicationDirPath() + QStringLiteral("/../cli/lumeter-cli");
  if (!QFileInfo(cli).isExecutable()) return 0;
  QProcess process;
  QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
  environment.insert(QStringLiteral("WRENLO_IMAGES"), image);
  process.setProcessEnvironment(environment);
  process.setStandardOutputFile(QProcess::nullDevice());
  process.setStandardErrorFile(QProcess::nullDevice());
  const auto start = Clock::now();
  process.start(cli,
                {QStringLiteral("scan"), QStringLiteral("--json"), QStringLiteral("--no-history")});
  if (!process.waitForFinished(-1) || process.exitStatus() != QProcess::NormalExit ||
      process.exitCode() != 0)
    return 0;
  return sectors / Seconds(Clock::now() - start);
}

struct WindowRun {
  double sectorsPerSecond = 0;
  bool mapWasOpen = false;
  CpuShares cpu;
  double slowestResponse = 0;  // ms
};

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
  CpuSnapshot cpuAtEnd;
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
      cpuAtEnd = TakeCpuSnapshot();
      probe.setParent(page->Client());  // the dialog takes its children with it
      if (page->DetailsDialog() != nullptr) page->DetailsDialog()->EndDialog(kIdCancel);
      poll.stop();
      loop.quit();
    }
  });
  ProbePoster poster(&probe);
  const CpuSnapshot cpuAtStart = TakeCpuSnapshot();
  const auto begin = Clock::now();
  start->click();
  poll.start();
  loop.exec();
  QApplication::processEvents();
  run.sectorsPerSecond = count / Seconds(end - begin);
  run.cpu = CpuBetween(cpuAtStart, cpuAtEnd, poster.ThreadId());
  run.slowestResponse = std::max(probe.input.Worst(), probe.paint.Worst());
  return run;
}

// The window idle for a while: the program's processor time without the
// probe, then the probe's figures, which show what the machine itself adds to
// every waiting time.
void IdleWindow(MainWindow& window, Probe& probe) {
  auto* page = static_cast<ScanPage*>(window.Page(2));
  const auto wait = [](int ms) {
    QEventLoop loop;
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    loop.exec();
  };
  const CpuSnapshot before = TakeCpuSnapshot();
  wait(1000);
  const CpuShares idle = CpuBetween(before, TakeCpuSnapshot(), 0);
  probe.setParent(page->Client());
  probe.setGeometry(0, 0, 16, 16);
  probe.show();
  QApplication::processEvents();
  probe.Reset();
  {
    ProbePoster poster(&probe);
    wait(2000);
  }
  QApplication::processEvents();
  std::printf("  %-12s program cpu %5.2f%% of a core (goal 0)%21s input %s   repaint %s\n",
              "idle window", idle.program, "", probe.input.Summary().c_str(),
              probe.paint.Summary().c_str());
}

void PrintPlain(const PlainRun& plain, int latencyUs) {
  std::printf("  %-12s %9.0f sectors/s 100.0%%", "plain loop", plain.sectorsPerSecond);
  std::printf("   reader cpu %5.1f%%", plain.readerCpu);
  if (latencyUs > 0)
    std::printf("   %.1f us per read for a %d us latency", 1e6 / plain.sectorsPerSecond, latencyUs);
  std::printf("\n");
}

void PrintWindowRun(const char* name, const WindowRun& run, double plain, Probe& probe) {
  std::printf("  %-12s %9.0f sectors/s %5.1f%%", name, run.sectorsPerSecond,
              100.0 * run.sectorsPerSecond / plain);
  std::printf("   cpu window %5.1f%% scanner %5.1f%% program %5.1f%%", run.cpu.window,
              run.cpu.scanner, run.cpu.program);
  std::printf("   input %s   repaint %s   %6.0f %6.2f %6.0f %6.2f\n", probe.input.Summary().c_str(),
              probe.paint.Summary().c_str(), App().reportTurns.Sum(), App().reportTurns.Worst(),
              App().paints.Sum(), App().paints.Worst());
}

// One case: rounds of the runs on the drive at index `drive` of the window's
// list, side by side, and the medians held against the goals. cliImage, when
// not empty, adds lumeter-cli's scan of that image to each round.
void MeasureCase(MainWindow& window, Probe& probe, int drive, int rounds, int latencyUs, bool busy,
                 const QString& cliImage) {
  auto* drives = Item<DeviceCombo>(window.Client(), MainWindow::kDeviceComboId);
  drives->setCurrentIndex(drive);
  emit drives->activated(drive);
  const std::uint16_t letter = window.CurrentContext()->driveLetter;
  const std::int32_t sectors = window.CurrentContext()->GetSessionInfo(-1).sectorCount;
  if (latencyUs > 0)
    std::printf("Image with a %d us read latency", latencyUs);
  else
    std::printf("Cached image without latency");
  std::printf(", %d sectors, %s\n", sectors,
              busy ? "with two busy processes (nice 0) beside it" : "quiet machine");
  std::printf("  %-12s %29s   %-53s   %-27s   %-27s   %s\n", "", "share of loop",
              "processor time per second of scan", "input n median p99 worst ms",
              "repaint n median p99 worst", "window thread ms: reports longest paints longest");

  std::unique_ptr<BusyProcesses> load;
  if (busy) load = std::make_unique<BusyProcesses>(kBusyProcesses);
  IdleWindow(window, probe);
  std::vector<double> shown, mapped, cpu, ofCli;
  double slowest = 0;
  for (int round = 0; round < rounds; ++round) {
    const PlainRun plain = PlainLoop(letter);
    PrintPlain(plain, latencyUs);
    double cliRate = 0;
    if (!cliImage.isEmpty()) {
      const double cli = CliScan(cliImage, sectors);
      if (cli > 0)
        std::printf("  %-12s %9.0f sectors/s %5.1f%%\n", "lumeter-cli", cli,
                    100 * cli / plain.sectorsPerSecond);
      else
        std::printf("  lumeter-cli: not run (build the target lumeter-cli)\n");
      cliRate = cli;
    }
    const WindowRun run = ScanInWindow(window, probe, false);
    PrintWindowRun("page shown", run, plain.sectorsPerSecond, probe);
    shown.push_back(100 * run.sectorsPerSecond / plain.sectorsPerSecond);
    if (cliRate > 0) ofCli.push_back(100 * run.sectorsPerSecond / cliRate);
    slowest = std::max(slowest, run.slowestResponse);
    cpu.push_back(run.cpu.program);
    const WindowRun map = ScanInWindow(window, probe, true);
    PrintWindowRun(map.mapWasOpen ? "map open" : "map (closed)", map, plain.sectorsPerSecond,
                   probe);
    mapped.push_back(100 * map.sectorsPerSecond / plain.sectorsPerSecond);
    slowest = std::max(slowest, map.slowestResponse);
  }
  load.reset();

  const int b = busy ? 1 : 0;
  std::printf("  medians of %d rounds:\n", rounds);
  if (latencyUs > 0) {
    std::printf("    page shown %5.1f%% of the plain loop (goal >= %.0f%%)\n", Median(shown),
                kLatencyShownGoal[b]);
    std::printf("    map open   %5.1f%% of the plain loop (goal >= %.0f%%)\n", Median(mapped),
                kLatencyMapGoal[b]);
    std::printf("    program cpu, page shown: %.1f%% of a core (goal <= %.0f%%)\n", Median(cpu),
                kLatencyCpuGoal);
  } else {
    std::printf("    page shown %5.1f%% of the plain loop, map open %.1f%%\n", Median(shown),
                Median(mapped));
    if (!ofCli.empty())
      std::printf("    page shown %5.1f%% of lumeter-cli's sectors per second (goal >= %.0f%%)\n",
                  Median(ofCli), kCachedOfCliGoal);
    std::printf("    program cpu, page shown: %.1f%% of a core\n", Median(cpu));
  }
  std::printf("    slowest input event or repaint: %.1f ms (goal <= %.0f ms)\n\n", slowest,
              kResponseGoalMs);
}

// A count from the command line: a whole number from 1 up, else -1.
long Count(const char* text) {
  char* end = nullptr;
  errno = 0;
  const long value = std::strtol(text, &end, 10);
  if (errno != 0 || end == text || *end != 0 || value < 1 || value > 100000000) return -1;
  return value;
}

}  // namespace

int main(int argc, char** argv) {
  long values[4] = {20000, 1000000, 150, 3};
  if (argc > 5) {
    std::fputs(kUsage, stderr);
    return 2;
  }
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "--help") == 0 || std::strcmp(argv[i], "-h") == 0) {
      std::fputs(kUsage, stdout);
      return 0;
    }
    values[i - 1] = Count(argv[i]);
    if (values[i - 1] < 0) {
      std::fprintf(stderr, "scan_window_bench: not a count: '%s'\n\n%s", argv[i], kUsage);
      return 2;
    }
  }
  const auto latencySectors = static_cast<std::int32_t>(values[0]);
  const auto cachedSectors = static_cast<std::int32_t>(values[1]);
  const int latencyUs = static_cast<int>(values[2]);
  const int rounds = static_cast<int>(values[3]);
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");

  QTemporaryDir folder;
  const QString slow = QDir(folder.path()).filePath(QStringLiteral("drive-like.iso"));
  const QString cached = QDir(folder.path()).filePath(QStringLiteral("cached.iso"));
  MakeImage(slow, latencySectors, latencyUs);
  MakeImage(cached, cachedSectors, 0);
  qputenv("WRENLO_IMAGES", (slow + ':' + cached).toLocal8Bit());
  // The window keeps its scans of these images in a history of their own.
  qputenv("XDG_DATA_HOME", QDir(folder.path()).filePath(QStringLiteral("data")).toLocal8Bit());
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

  for (bool busy : {false, true}) {
    MeasureCase(window, probe, 0, rounds, latencyUs, busy, QString());
    MeasureCase(window, probe, 1, rounds, 0, busy, cached);
  }
  probe.setParent(nullptr);
  return 0;
}
