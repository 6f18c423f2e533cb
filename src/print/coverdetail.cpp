// The detailed cover's layout in cells of the cover's base font.
#include "coverdetail.h"

#include "listprinter.h"
#include "store/format.h"
#include "store/recordset.h"
#include "store/sjis.h"
#include "terms/termsinput.h"

namespace rz {

namespace {
// Cells of the base size, inside the cover's border (4, 5)-(132, 46):
// number and date top right, title, customer, sentence and amount on the
// left, the issuer on the right, the table below the amount and the
// project lines beside it.
constexpr int kNumberCol = 96, kIssuerCol = 76, kIssuerRow = 13, kIssuerCells = 52;
constexpr int kTableLeft = 8, kTableRight = 58, kTableDivider = 34, kTableTop = 24, kAmountCells = 22;
constexpr int kProjectCol = 61, kProjectRow = 25, kProjectStep = 3;

// The text cut into lines of at most `cells` cells, never inside a character.
QStringList linesOf(const QString &text, int cells, int most)
{
    QStringList lines{QString()};
    int width = 0;
    for (const QChar c : text) {
        const int w = ansiByteWidth(c);
        if (width + w > cells && !c.isLowSurrogate()) {
            if (lines.size() == most)
                break;
            lines << QString();
            width = 0;
        }
        lines.last() += c;
        width += w;
    }
    return lines;
}
}  // namespace

CoverDetailData CoverDetailData::fromFile(Database &db, const Recordset &index)
{
    CoverDetailData d;
    d.cover = CoverData::fromRecord(index);
    const auto key = static_cast<qint32>(index.field(QStringLiteral("key1")).toLong());
    d.terms = readTerms(db, key).value_or(EstimateTerms());
    d.figures = figuresOf(db, key, d.terms);
    d.issuer = readIssuer(db).value_or(Issuer());
    return d;
}

std::vector<FigureLine> coverTableLines(const EstimateTerms &t, const EstimateFigures &f)
{
    std::vector<FigureLine> lines{{QStringLiteral("工事価格"), f.price}};
    for (const FigureLine &charge : {FigureLine{t.overheadLabel, f.overheads}, FigureLine{t.welfareLabel, f.welfare},
                                     FigureLine{QStringLiteral("出精値引き"), -f.discount}})
        if (!charge.amount.isZero())
            lines.push_back(charge);
    lines.push_back({taxLabel(t.taxRate), f.tax});
    lines.push_back({QStringLiteral("合計"), f.total});
    return lines;
}

void printCoverDetail(PagePrinter &p, const CoverDetailData &d)
{
    p.sb_PrtInit();
    PrintDevice &dev = p.device();
    const double s = dev.fontSize();
    const EstimateTerms &t = d.terms;
    if (!t.estimateNo.isEmpty())
        coverLine(p, kNumberCol, 7, s, false, QStringLiteral("見積番号　") + t.estimateNo);
    if (!t.issueDate.isEmpty())
        coverLine(p, kNumberCol, 8, s, false, QStringLiteral("発 行 日　") + printedDate(t.issueDate));
    coverLine(p, 41, 10, 2 * s, false, QStringLiteral("      御  見  積  書      "));
    coverLine(p, 8, 14, 1.5 * s, true, d.cover.hat + QStringLiteral(" 御中"));
    coverLine(p, 8, 17, s, false, QStringLiteral("下記のとおり御見積致します"));
    coverLine(p, 8, 20, 2 * s, true,
              QStringLiteral("一金") + Format(d.figures.total, QStringLiteral("##,###,###,###"))
                  + QStringLiteral("円也（消費税込）"));

    // The issuer: the lines it has, one under the other.
    const Issuer &i = d.issuer;
    QStringList issuer;
    if (!i.postalCode.isEmpty())
        issuer << QStringLiteral("〒") + i.postalCode;
    if (!i.address.isEmpty())
        issuer << linesOf(i.address, kIssuerCells, 2);
    if (!i.telephone.isEmpty())
        issuer << QStringLiteral("TEL ") + i.telephone;
    if (!i.person.isEmpty())
        issuer << QStringLiteral("担当 ") + i.person;
    if (!i.registration.isEmpty())
        issuer << QStringLiteral("登録番号 ") + i.registration;
    int row = kIssuerRow;
    if (!i.name.isEmpty()) {
        p.sb_PrtLocate(kIssuerCol, row++);
        dev.setFontBold(true);
        dev.print(i.name);
        dev.setFontBold(false);
    }
    for (const QString &line : issuer)
        coverLine(p, kIssuerCol, row++, s, false, line);

    // The table: one ruled row of two cells for each line.
    const std::vector<FigureLine> lines = coverTableLines(t, d.figures);
    const int bottom = kTableTop + 2 * static_cast<int>(lines.size());
    for (size_t k = 0; k < lines.size(); ++k) {
        const int top = kTableTop + 2 * static_cast<int>(k);
        if (k > 0)
            p.sb_PrtLine(kTableLeft, top, kTableRight, top, false, 1, PenStyle::Solid);
        coverLine(p, kTableLeft + 2, top + 1, s, false, lines[k].label);
        coverLine(p, kTableRight - 1 - kAmountCells, top + 1, s, false,
                  fieldRight(Format(lines[k].amount, QStringLiteral("##,###,###,##0")), kAmountCells));
    }
    p.sb_PrtLine(kTableDivider, kTableTop, kTableDivider, bottom, false, 1, PenStyle::Solid);
    p.sb_PrtLine(kTableLeft, kTableTop, kTableRight, bottom, true, 2, PenStyle::Solid);

    // The project, and the conditions it has.
    const std::pair<QString, QString> project[] = {{QStringLiteral("工事名称"), d.cover.knm},
                                                   {QStringLiteral("工事場所"), d.cover.ad1},
                                                   {QStringLiteral("工　　期"), t.workPeriod},
                                                   {QStringLiteral("支払条件"), t.payment},
                                                   {QStringLiteral("有効期限"), printedDate(t.validUntil)}};
    for (int k = 0; k < 5; ++k) {
        if (k >= 2 && project[k].second.isEmpty())
            continue;
        coverLine(p, kProjectCol, kProjectRow + kProjectStep * k, s, true,
                  project[k].first + u' ' + sixtyBytes(project[k].second));
    }
    sb_HyousiFrame(p);
    dev.endDoc();
}

}  // namespace rz
