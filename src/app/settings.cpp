// Main window placement in the per-user settings store.
#include "settings.h"

#include "version.h"

#include <array>
#include <cmath>

namespace rz {

namespace {

const QString kGroup = QStringLiteral("Settings");

// A number stored by this program or typed by hand; anything else is unusable.
bool readNumber(QSettings &settings, const QString &key, float &out)
{
    const QVariant v = settings.value(key);
    if (!v.isValid())
        return false;
    bool ok = false;
    const float f = v.toString().trimmed().toFloat(&ok);
    if (!ok || !std::isfinite(f))
        return false;
    out = f;
    return true;
}

QString numberText(float f)
{
    return QString::number(f, 'g', 7);
}

// (screen - window) \ 2: both rounded to whole twips, the quotient truncated.
float centred(float screen, float window)
{
    const qint64 s = std::llrint(static_cast<double>(screen));
    const qint64 w = std::llrint(static_cast<double>(window));
    return static_cast<float>((s - w) / 2);
}

}  // namespace

std::unique_ptr<QSettings> openUserSettings()
{
    return std::make_unique<QSettings>(applicationTitle(), applicationTitle());
}

MainGeometry readMainGeometry(QSettings &settings, const QSize &screenTwips)
{
    settings.beginGroup(kGroup);
    MainGeometry g;
    // A window cannot be zero or less in size: such a value is as unusable as text.
    if (!readNumber(settings, QStringLiteral("MainWidth"), g.width) || g.width <= 0)
        g.width = kDefaultMainWidth;
    if (!readNumber(settings, QStringLiteral("MainHeight"), g.height) || g.height <= 0)
        g.height = kDefaultMainHeight;
    if (!readNumber(settings, QStringLiteral("MainLeft"), g.left))
        g.left = centred(static_cast<float>(screenTwips.width()), g.width);
    if (!readNumber(settings, QStringLiteral("MainTop"), g.top))
        g.top = centred(static_cast<float>(screenTwips.height()), g.height);
    settings.endGroup();
    return g;
}

void writeMainGeometry(QSettings &settings, const MainGeometry &geometry)
{
    settings.beginGroup(kGroup);
    settings.setValue(QStringLiteral("MainLeft"), numberText(geometry.left));
    settings.setValue(QStringLiteral("MainTop"), numberText(geometry.top));
    settings.setValue(QStringLiteral("MainWidth"), numberText(geometry.width));
    settings.setValue(QStringLiteral("MainHeight"), numberText(geometry.height));
    settings.endGroup();
}

QRect toPixels(const MainGeometry &g)
{
    const auto px = [](float twips) { return static_cast<int>(std::lround(twips / kTwipsPerPixel)); };
    return QRect(px(g.left), px(g.top), px(g.width), px(g.height));
}

MainGeometry fromPixels(const QRect &r)
{
    return MainGeometry{static_cast<float>(r.x() * kTwipsPerPixel), static_cast<float>(r.y() * kTwipsPerPixel),
                        static_cast<float>(r.width() * kTwipsPerPixel),
                        static_cast<float>(r.height() * kTwipsPerPixel)};
}

QSize screenSizeInTwips(const QSize &pixels)
{
    return pixels * kTwipsPerPixel;
}

QString readMasterLocation(QSettings &settings)
{
    settings.beginGroup(kGroup);
    const QString location = settings.value(QStringLiteral("MasterLocation")).toString().trimmed();
    settings.endGroup();
    return location;
}

void writeMasterLocation(QSettings &settings, const QString &location)
{
    settings.beginGroup(kGroup);
    settings.setValue(QStringLiteral("MasterLocation"), location);
    settings.endGroup();
}

void saveMainWindowPlacement(QSettings &settings, Qt::WindowStates state, const QRect &pixels)
{
    if (state & Qt::WindowMinimized)
        return;
    writeMainGeometry(settings, fromPixels(pixels));
}

namespace {
// The settings key of each issuer field, in the order of Issuer's members.
const char *const kIssuerKeys[] = {"IssuerName", "IssuerPostalCode", "IssuerAddress",
                                   "IssuerTelephone", "IssuerPerson", "IssuerRegistration"};

std::array<QString *, 6> issuerFields(Issuer &i)
{
    return {&i.name, &i.postalCode, &i.address, &i.telephone, &i.person, &i.registration};
}
}  // namespace

Issuer readDefaultIssuer(QSettings &settings)
{
    Issuer issuer;
    settings.beginGroup(kGroup);
    const auto fields = issuerFields(issuer);
    for (size_t k = 0; k < fields.size(); ++k)
        *fields[k] = settings.value(QLatin1String(kIssuerKeys[k])).toString();
    settings.endGroup();
    return issuer;
}

void writeDefaultIssuer(QSettings &settings, const Issuer &issuer)
{
    Issuer copy = issuer;
    settings.beginGroup(kGroup);
    const auto fields = issuerFields(copy);
    for (size_t k = 0; k < fields.size(); ++k)
        settings.setValue(QLatin1String(kIssuerKeys[k]), *fields[k]);
    settings.endGroup();
}

}  // namespace rz
