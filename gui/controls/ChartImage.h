// What the window's charts share: a picture drawn without Qt (the one a
// report embeds) placed on white inside margins that hold its labels, and the
// small labels themselves.
#pragma once

#include <QFont>
#include <QImage>
#include <QPainter>
#include <QRect>
#include <QString>

#include "core/report/PngImage.h"

// A white image of size with picture copied to plot's top left.
QImage ChartImage(QSize size, const QRect& plot, const RgbImage& picture);

// The font of a chart's labels: the application's, 10 pixels high.
QFont ChartLabelFont();

// Sets painter up for a chart's labels: dark grey, in ChartLabelFont.
void SetUpChartLabels(QPainter& painter);

// One line of text in where, aligned by flags, never clipped.
void DrawChartLabel(QPainter& painter, const QRect& where, int flags, const QString& text);
