// Where the main window was and how big it was, kept per user between runs.
// Values are in twips (15 per pixel) written as single-precision numbers.
#pragma once
#include <QRect>
#include <QSettings>
#include <QSize>
#include <Qt>
#include <memory>

#include "terms/estimateterms.h"
#include "ui/grid.h"

namespace rz {


constexpr float kDefaultMainWidth = 13750;  // twips
constexpr float kDefaultMainHeight = 9000;

// The program's per-user settings store.
std::unique_ptr<QSettings> openUserSettings();

struct MainGeometry {  // twips
    float left = 0;
    float top = 0;
    float width = 0;
    float height = 0;
};

// Reads width, height, left and top in that order. A missing or unusable
// value takes its default; the default position centres the window, using
// the width and height just read, on a screen of `screenTwips`.
MainGeometry readMainGeometry(QSettings &settings, const QSize &screenTwips);

// Writes left, top, width and height in that order.
void writeMainGeometry(QSettings &settings, const MainGeometry &geometry);

// Conversions between twips and the window's pixels (position of the frame,
// size of the client area).
QRect toPixels(const MainGeometry &geometry);
MainGeometry fromPixels(const QRect &pixels);
QSize screenSizeInTwips(const QSize &pixels);

// The issuer the user set as the default for new estimate files (keys
// "Issuer…" of the same group); an empty one when none was set.
Issuer readDefaultIssuer(QSettings &settings);
void writeDefaultIssuer(QSettings &settings, const Issuer &issuer);

// Where the unit-price master is kept when the user chose a place for it
// ("MasterLocation"): a store file or a server store's connection file; ""
// for the master in the user's data folder.
QString readMasterLocation(QSettings &settings);
void writeMasterLocation(QSettings &settings, const QString &location);

// What the main window does on close: nothing while minimized (the last
// normal placement stays stored), otherwise the current placement, which for
// a maximized window is the maximized one.
void saveMainWindowPlacement(QSettings &settings, Qt::WindowStates state, const QRect &pixels);

}  // namespace rz
