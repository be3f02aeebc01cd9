// Prints, side by side from one run on one cached image:
// - single-sector reads per second: a plain pread loop over the file, and a
//   loop of DeviceContext::ReadSector (the engine's ReadSectors);
// - sectors per second of a surface scan with a minimal receiver, through the
//   direct bridge (each report runs on the worker) and through the window
//   bridge (each report is carried to the window's thread and back);
// - the round trip of one report through the window bridge, back to back and
//   after an idle gap, against Qt's BlockingQueuedConnection.
//
// Usage: scanner_bench [sectors]. The image is the first one WRENLO_IMAGES
// names, or else one of that many sectors (default 65536) made in /tmp.
#include <fcntl.h>
#include <unistd.h>
#include <wrenlo/wrenlo.h>

#include <QApplication>
#include <QEventLoop>
#include <QWidget>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "core/disc/DeviceContext.h"
#include "core/scan/SectorScanner.h"
#include "gui/scan/ScannerCallMessage.h"
#include "gui/scan/WindowBridge.h"

namespace {

using Clock = std::chrono::steady_clock;
constexpr int kRuns = 3;

double Seconds(Clock::duration d) { return std::chrono::duration<double>(d).count(); }

double Median(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  return values[values.size() / 2];
}

double Percentile(std::vector<double> values, double share) {
  std::sort(values.begin(), values.end());
  return values[static_cast<std::size_t>(share * (values.size() - 1))];
}

// The median rate of kRuns runs of body, which handles count items.
double Rate(std::int64_t count, const std::function<void()>& body) {
  std::vector<double> rates;
  for (int run = 0; run < kRuns; ++run) {
    const auto start = Clock::now();
    body();
    rates.push_back(static_cast<double>(count) / Seconds(Clock::now() - start));
  }
  return Median(rates);
}

// A receiver window that only counts its reports.
class ReceiverWindow : public QWidget, public ISectorScannerCallback {
 public:
  void OnScanStarted() override { ++reports; }
  void OnScanFinished() override {
    ++reports;
    if (++finished % 2 == 0 && runEnded) runEnded();  // the pass's, then the run's
  }
  void OnProgress(const ProgressCtx_t&) override { ++reports; }
  void OnSurfaceState(const SurfaceState_t&) override { ++reports; }
  void OnLogEntry(int, const TimeValue&, const std::u16string&, std::int64_t) override {
    ++reports;
  }

  long reports = 0;
  int finished = 0;
  std::function<void()> runEnded;

 protected:
  bool event(QEvent* event) override {
    return ScannerCallEvent::Dispatch(event) || QWidget::event(event);
  }
};

// The image to read; made is set when this program made it.
std::string ImagePath(std::int32_t sectors, bool& made) {
  made = false;
  if (const char* images = std::getenv("WRENLO_IMAGES"); images != nullptr && *images != 0)
    return std::string(images).substr(0, std::string(images).find(':'));
  made = true;
  char path[] = "/tmp/lumeter-bench-XXXXXX";
  const int file = ::mkstemp(path);
  std::vector<std::uint8_t> sector(wrenlo::kSectorSize);
  for (std::int32_t i = 0; i < sectors && file >= 0; ++i) {
    std::fill(sector.begin(), sector.end(), static_cast<std::uint8_t>(i));
    if (::write(file, sector.data(), sector.size()) != static_cast<ssize_t>(sector.size())) break;
  }
  ::close(file);
  const std::string image = std::string(path) + ".iso";
  std::rename(path, image.c_str());
  ::setenv("WRENLO_IMAGES", image.c_str(), 1);
  return image;
}

// The drive letter of the image: the usable entry that names its file.
std::uint16_t ImageDrive(const std::string& image) {
  std::vector<wrenlo::DeviceListEntry> entries(wrenlo::kMaxDevices);
  std::int32_t count = 0;
  wrenlo::GetDevices(entries.data(), &count, 0);
  const std::string name = image.substr(image.rfind('/') + 1);
  std::uint16_t letter = 0;
  for (std::int32_t i = 0; i < count; ++i) {
    const std::u16string text = entries[i].text.str();
    if (text.empty() || text[0] == u'#') continue;
    if (letter == 0 || std::string(text.begin(), text.end()).find(name) != std::string::npos)
      letter = text[0];
  }
  return letter;
}

double ScanRate(const DeviceContext& context, std::int32_t sectors, bool window) {
  ReceiverWindow receiver;
  std::unique_ptr<ScannerBridge> bridge;
  if (window)
    bridge = std::make_unique<WindowBridge>(&receiver);
  else
    bridge = std::make_unique<DirectBridge>();
  SectorScanner scanner(std::move(bridge), &receiver);
  return Rate(sectors, [&] {
    QEventLoop loop;
    receiver.runEnded = [&] { loop.quit(); };
    scanner.Start(true, false, &context);
    if (window) loop.exec();
    scanner.Wait();
  });
}

struct RoundTrips {
  double median, p90, p99;  // microseconds
};

// Times calls made one after the other on a worker thread, each carried to
// this thread by send, with gap between them, while this thread runs its
// event loop.
RoundTrips TimeRoundTrips(int calls, std::chrono::microseconds gap,
                          const std::function<void()>& send) {
  std::vector<double> times;
  times.reserve(calls);
  QEventLoop loop;
  std::thread worker([&] {
    for (int i = 0; i < calls; ++i) {
      if (gap.count() > 0) std::this_thread::sleep_for(gap);
      const auto start = Clock::now();
      send();
      times.push_back(Seconds(Clock::now() - start) * 1e6);
    }
    QMetaObject::invokeMethod(
        &loop, [&] { loop.quit(); }, Qt::QueuedConnection);
  });
  loop.exec();
  worker.join();
  return {Median(times), Percentile(times, 0.9), Percentile(times, 0.99)};
}

void PrintRoundTrips(const char* what, const RoundTrips& r) {
  std::printf("  %-44s median %6.2f us   p90 %7.2f us   p99 %7.2f us\n", what, r.median, r.p90,
              r.p99);
}

}  // namespace

int main(int argc, char** argv) {
  qputenv("QT_QPA_PLATFORM",
          qgetenv("QT_QPA_PLATFORM").isEmpty() ? "offscreen" : qgetenv("QT_QPA_PLATFORM"));
  QApplication app(argc, argv);
  const std::int32_t wanted = argc > 1 ? std::atoi(argv[1]) : 65536;
  bool made = false;
  const std::string image = ImagePath(wanted, made);
  wrenlo::Initialize();
  const DeviceContext context(ImageDrive(image));
  const std::int32_t sectors = std::max(context.GetSessionInfo(-1).sectorCount, 0);
  if (!context.hasMedium || sectors == 0) {
    std::fprintf(stderr, "no medium in the image's drive (%s)\n", image.c_str());
    if (made) std::remove(image.c_str());
    return 1;
  }

  // A first pass brings the image into the page cache.
  const int file = ::open(image.c_str(), O_RDONLY | O_CLOEXEC);
  std::vector<std::uint8_t> buffer(wrenlo::kSectorSize);
  const auto preadLoop = [&] {
    for (std::int32_t i = 0; i < sectors; ++i)
      if (::pread(file, buffer.data(), buffer.size(), off_t{i} * wrenlo::kSectorSize) < 0) break;
  };
  preadLoop();

  double load = 0;
  if (std::FILE* loadavg = std::fopen("/proc/loadavg", "r")) {
    if (std::fscanf(loadavg, "%lf", &load) != 1) load = 0;
    std::fclose(loadavg);
  }
  std::printf("%u processors, load average %.2f; image %s: %d sectors, cached; median of %d runs\n",
              std::thread::hardware_concurrency(), load, image.c_str(), sectors, kRuns);
  const double pread = Rate(sectors, preadLoop);
  const double engine = Rate(sectors, [&] {
    for (std::int32_t i = 0; i < sectors; ++i) context.ReadSector(buffer, i, -1);
  });
  const double direct = ScanRate(context, sectors, false);
  const double window = ScanRate(context, sectors, true);
  std::printf("single-sector reads, plain pread loop            %10.0f sectors/s\n", pread);
  std::printf("single-sector reads, DeviceContext::ReadSector   %10.0f sectors/s  %5.2f x pread\n",
              engine, engine / pread);
  std::printf("surface scan, direct bridge                      %10.0f sectors/s  %5.2f x reads\n",
              direct, direct / engine);
  std::printf(
      "surface scan, window bridge                      %10.0f sectors/s  %5.2f x reads  %5.2f x "
      "direct\n",
      window, window / engine, window / direct);

  std::printf("one report carried to the window's thread and back:\n");
  ReceiverWindow receiver;
  WindowBridge bridge(&receiver);
  const auto report = [&] { receiver.OnProgress(ProgressCtx_t{}); };
  const auto sendReport = [&] { bridge.Send(ScannerCall(report)); };
  QObject target;
  const auto sendBlocking = [&] {
    QMetaObject::invokeMethod(&target, report, Qt::BlockingQueuedConnection);
  };
  PrintRoundTrips("window bridge, back to back", TimeRoundTrips(100000, {}, sendReport));
  PrintRoundTrips("window bridge, after 1 ms idle",
                  TimeRoundTrips(300, std::chrono::milliseconds(1), sendReport));
  PrintRoundTrips("BlockingQueuedConnection, back to back",
                  TimeRoundTrips(20000, {}, sendBlocking));
  PrintRoundTrips("BlockingQueuedConnection, after 1 ms idle",
                  TimeRoundTrips(300, std::chrono::milliseconds(1), sendBlocking));

  ::close(file);
  if (made) std::remove(image.c_str());
  return 0;
}
