// Builds damage indexes (BuildDamageIndex) on threads of their own, so that
// reading a session's layout never holds up the window or a scan, and hands
// each to its done function on the window's thread. Destroying the object
// cancels the builds still running (each stops at its next listed entry),
// waits for them, and drops what they would have handed over.
#pragma once

#include <wrenlo/wrenlo.h>

#include <QObject>
#include <atomic>
#include <functional>
#include <list>
#include <memory>
#include <thread>
#include <vector>

class DamageIndex;

class DamageIndexJobs : public QObject {
  Q_OBJECT

 public:
  using Done = std::function<void(std::shared_ptr<const DamageIndex>)>;

  explicit DamageIndexJobs(QObject* parent = nullptr);
  ~DamageIndexJobs() override;

  // Starts indexing table against the layout of session on device (a drive
  // letter). done runs on this object's thread once the index is built.
  void Start(std::int32_t device, const wrenlo::SessionInfo& session,
             std::vector<std::uint8_t> table, Done done);

 private:
  struct Job {
    std::thread thread;
    std::atomic<bool> finished{false};
  };

  // Joins the threads whose build has ended.
  void JoinFinished();

  std::atomic<bool> cancel{false};
  std::list<Job> jobs;
};
