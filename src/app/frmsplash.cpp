// Splash window and its shaded background.
#include "frmsplash.h"

#include "store/shared.h"
#include "version.h"
#include "settings.h"

#include <QGraphicsDropShadowEffect>
#include <QLabel>
#include <QPainter>
#include <QTime>
#include <QVBoxLayout>
#include <algorithm>

namespace rz {

namespace {

QColor schemeColour(int scheme, int c)
{
    const int v = std::clamp(c, 0, 255);
    switch (scheme) {
    case 0: return QColor(0, 0, v);
    case 1: return QColor(0, v, 0);
    case 2: return QColor(0, v, v);
    case 3: return QColor(v, 0, 0);
    case 4: return QColor(v, 0, v);
    case 5: return QColor(v, v, 0);
    default: return QColor(v, v, v);
    }
}

// The lines in the order they are drawn, with the intensity of each.
template <typename Draw>
void drawLines(int height, int seconds, Draw draw)
{
    if (height < 0)
        return;
    const int scheme = ((seconds % 7) + 7) % 7;
    // Below 510 lines the step would be 0; one line per step is the closest shading.
    const int k = std::max(1, height / 2 / 255);
    const double middle = height / 2.0;
    int c = 0;
    auto line = [&](int y) {
        draw(y, schemeColour(scheme, c));
        if (y % k == 0 && c <= 255)
            ++c;
    };
    for (int y = 0; y <= middle; ++y)
        line(y);
    for (int y = height; y >= middle; --y)
        line(y);
}

}  // namespace

std::vector<QColor> splashLineColours(int height, int seconds)
{
    std::vector<QColor> colours(static_cast<size_t>(std::max(0, height + 1)));
    drawLines(height, seconds, [&](int y, const QColor &colour) { colours[static_cast<size_t>(y)] = colour; });
    return colours;
}

std::vector<QColor> splashPixelRows(int heightPixels, int seconds)
{
    std::vector<QColor> rows(static_cast<size_t>(std::max(0, heightPixels)));
    const int height = heightPixels * kTwipsPerPixel;
    drawLines(height, seconds, [&](int y, const QColor &colour) {
        const int row = std::min(heightPixels - 1, (y + kTwipsPerPixel / 2) / kTwipsPerPixel);
        if (row >= 0)
            rows[static_cast<size_t>(row)] = colour;
    });
    return rows;
}

frmSplash::frmSplash(Shared &shared, QWidget *parent)
    : QWidget(parent, Qt::SplashScreen | Qt::FramelessWindowHint), seconds_(QTime::currentTime().second())
{
    setObjectName(QStringLiteral("frmSplash"));
    shared.Co_Name = companyName();

    auto makeLabel = [this](const char *name, const QString &text, int pointSize, bool bold) {
        auto *label = new QLabel(text, this);
        label->setObjectName(QLatin1String(name));
        label->setAlignment(Qt::AlignCenter);
        QFont f = label->font();
        f.setPointSize(pointSize);
        f.setBold(bold);
        label->setFont(f);
        // The shading runs from black to full colour (white for grey): light text
        // with a dark shadow reads over all of it.
        label->setStyleSheet(QStringLiteral("color: white; background: transparent;"));
        auto *shadow = new QGraphicsDropShadowEffect(label);
        shadow->setColor(Qt::black);
        shadow->setBlurRadius(6);
        shadow->setOffset(1, 1);
        label->setGraphicsEffect(shadow);
        return label;
    };
    LblApname = makeLabel("LblApname", QStringLiteral("見積書作成システム"), 26, true);
    LblVer = makeLabel("LblVer", QString(), 12, false);
    lblpro = makeLabel("lblpro", QStringLiteral("Produced by tavro"), 11, false);
    LblUser = makeLabel("LblUser", QString(), 11, false);

    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(24, 24, 24, 24);
    layout->addStretch(2);
    layout->addWidget(LblApname);
    layout->addWidget(LblVer);
    layout->addStretch(1);
    layout->addWidget(LblUser);
    layout->addWidget(lblpro);
    resize(480, 300);

    LblVer->setText(QStringLiteral("Version ") + versionText());
}

void frmSplash::paintEvent(QPaintEvent *)
{
    QPainter p(this);
    const std::vector<QColor> rows = splashPixelRows(height(), seconds_);
    for (size_t y = 0; y < rows.size(); ++y)
        p.fillRect(0, static_cast<int>(y), width(), 1, rows[y]);
}

}  // namespace rz
