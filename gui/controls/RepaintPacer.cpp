#include "gui/controls/RepaintPacer.h"

#include <QCoreApplication>
#include <algorithm>

RepaintPacer::RepaintPacer(QObject* application) : QObject(application), timer(new QTimer(this)) {
  timer->setSingleShot(true);
  timer->setInterval(kFrameMs);
  connect(timer, &QTimer::timeout, this, &RepaintPacer::Flush);
}

void RepaintPacer::Update(QWidget* widget, const QRect& area) {
  static RepaintPacer* const pacer = new RepaintPacer(QCoreApplication::instance());
  const QRect wanted = area.isEmpty() ? widget->rect() : area;
  const auto found = std::find_if(pacer->pending.begin(), pacer->pending.end(),
                                  [widget](const auto& entry) { return entry.first == widget; });
  if (found != pacer->pending.end())
    found->second |= wanted;
  else
    pacer->pending.emplace_back(widget, wanted);
  if (!pacer->timer->isActive()) pacer->timer->start();
}

void RepaintPacer::Flush() {
  std::vector<std::pair<QPointer<QWidget>, QRect>> due;
  due.swap(pending);
  for (const auto& [widget, area] : due)
    if (widget != nullptr) widget->update(area);
}
