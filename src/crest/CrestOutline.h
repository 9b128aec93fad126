#pragma once

#include <QPainterPath>
#include <QRectF>

/// The crest's outline: a shape hanging from the top edge with square top
/// corners and rounded bottom corners, growing from the notch to the panel.
/// Pure functions; `progress` runs from 0 (collapsed) to 1 (expanded).
namespace CrestOutline {

constexpr double kCollapsedRadius = 12;
constexpr double kExpandedRadius = 25;
constexpr double kSpringResponse = 0.3;

/// The outline's rectangle inside a panel `panelWidth` wide, centred and
/// aligned to the top.
QRectF rect(double progress, double panelWidth, double notchWidth, double topHeight,
            double panelHeight);

double radius(double progress);

/// Square top corners, bottom corners of `radius`.
QPainterPath path(const QRectF &rect, double radius);

/// A critically damped spring (damping fraction 1) of the given response,
/// released at rest from `from` towards `to`, `elapsed` seconds later.
double spring(double from, double to, double elapsed, double response = kSpringResponse);

/// Whether the spring has come close enough to its target to stop.
bool isSettled(double value, double to);

} // namespace CrestOutline
