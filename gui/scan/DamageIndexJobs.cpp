#include "gui/scan/DamageIndexJobs.h"

#include "core/damage/BuildDamageIndex.h"

DamageIndexJobs::DamageIndexJobs(QObject* parent) : QObject(parent) {}

// The threads end before the object does, so none posts to it afterwards;
// what they posted already is dropped with the object.
DamageIndexJobs::~DamageIndexJobs() {
  cancel.store(true);
  for (Job& job : jobs) job.thread.join();
}

void DamageIndexJobs::Start(std::int32_t device, const wrenlo::SessionInfo& session,
                            std::vector<std::uint8_t> table, Done done) {
  JoinFinished();
  Job& job = jobs.emplace_back();
  job.thread =
      std::thread([this, &job, device, session, table = std::move(table), done = std::move(done)] {
        std::shared_ptr<const DamageIndex> index =
            BuildDamageIndex(device, session, table, &cancel);
        if (index != nullptr)
          QMetaObject::invokeMethod(
              this, [index = std::move(index), done] { done(index); }, Qt::QueuedConnection);
        job.finished.store(true);
      });
}

void DamageIndexJobs::JoinFinished() {
  for (auto job = jobs.begin(); job != jobs.end();) {
    if (!job->finished.load()) {
      ++job;
      continue;
    }
    job->thread.join();
    job = jobs.erase(job);
  }
}
