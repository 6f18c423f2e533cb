// The splash window shown while the program starts: name, version and maker
// over a background shaded in horizontal lines.
#pragma once
#include <QColor>
#include <QWidget>
#include <vector>

class QLabel;

namespace rz {

struct Shared;

// Colour of each horizontal line y = 0 .. height of the background. The
// channels come from seconds mod 7 (0 blue, 1 green, 2 green+blue, 3 red,
// 4 red+blue, 5 red+green, 6 grey); the intensity starts at 0 and rises by one
// every k = height / 2 / 255 lines, from the top edge down to the middle and
// then on from the bottom edge up to the middle.
std::vector<QColor> splashLineColours(int height, int seconds);

// The background as painted: lines are laid out in twips (15 to a pixel) and
// a pixel row shows the last line drawn on it. One colour per pixel row.
std::vector<QColor> splashPixelRows(int heightPixels, int seconds);

class frmSplash : public QWidget {
    Q_OBJECT
public:
    // Stores the company name of the program in `shared.Co_Name`.
    explicit frmSplash(Shared &shared, QWidget *parent = nullptr);

    QLabel *LblApname = nullptr;
    QLabel *LblVer = nullptr;
    QLabel *lblpro = nullptr;
    QLabel *LblUser = nullptr;

    int colourSeconds() const { return seconds_; }

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    int seconds_;
};

}  // namespace rz
