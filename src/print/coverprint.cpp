#include "coverprint.h"

#include "store/format.h"
#include "store/recordset.h"
#include "store/sjis.h"

namespace rz {

CoverData CoverData::fromRecord(const Recordset &rs)
{
    return {rs.field(QStringLiteral("hat")).toString(), rs.field(QStringLiteral("kn1")).toCurrency(),
            rs.field(QStringLiteral("knm")).toString(), rs.field(QStringLiteral("ad1")).toString()};
}

void coverLine(PagePrinter &p, int col, int row, double size, bool underline, const QString &text)
{
    PrintDevice &d = p.device();
    const double base = d.fontSize();
    p.sb_PrtLocate(col, row);
    d.setFontSize(size);
    d.setFontUnderline(underline);
    d.print(text);
    d.setFontUnderline(false);
    d.setFontSize(base);
}

QString sixtyBytes(const QString &s) { return MidBAnsi(s + QString(60, u' '), 1, 60); }

void sb_Hyousi(PagePrinter &p, const CoverData &data)
{
    p.sb_PrtInit();
    const double s = p.device().fontSize();
    coverLine(p, 41, 10, 2 * s, false, QStringLiteral("      御  見  積  書      "));
    coverLine(p, 24, 16, 1.5 * s, true, data.hat + QStringLiteral(" 御中"));
    coverLine(p, 24, 18, s, false, QStringLiteral("下記のとおり御見積致します"));
    coverLine(p, 24, 25, 2 * s, true,
              QStringLiteral("一金") + Format(data.kn1, QStringLiteral("##,###,###,###")) + QStringLiteral("円也"));
    coverLine(p, 24, 29, s + 1, true, QStringLiteral("工事名称 ") + sixtyBytes(data.knm));
    coverLine(p, 24, 32, s + 1, true, QStringLiteral("工事場所 ") + sixtyBytes(data.ad1));
    sb_HyousiFrame(p);
    p.device().endDoc();
}

void sb_HyousiFrame(PagePrinter &p)
{
    p.sb_PrtLine(4, 5, 132, 46, true, 4, PenStyle::Solid);
}

}  // namespace rz
