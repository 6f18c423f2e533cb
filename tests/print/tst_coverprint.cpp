// The cover page: its texts at their cells and sizes on both papers, the
// underlines, the amount written 一金…円也, the 60-byte name and site lines
// and the border.
#include "print/coverprint.h"
#include "print/recordingdevice.h"
#include "store/sjis.h"
#include "support/testmain.h"

#include <QtTest>

using namespace rz;

namespace {
struct Cover {
    Shared shared;
    RecordingPrintDevice device;
    PrintOptions options;
    explicit Cover(PaperSize paper)
    {
        options.kind = PrintKind::Cover;
        options.paper = paper;
        shared.Co_Name = QStringLiteral("印刷されない会社");
    }
    void print(const CoverData &d)
    {
        PagePrinter p(device, options, shared);
        sb_Hyousi(p, d);
    }
    const PrintedText *at(int col, int row) const
    {
        for (const auto &t : device.texts())
            if (t.icol() == col && t.irow() == row)
                return &t;
        return nullptr;
    }
};

CoverData sample(const QString &amount = QStringLiteral("12345678"))
{
    return {QStringLiteral("株式会社　東和建設"), *Currency::parse(amount), QStringLiteral("本社ビル改修工事"),
            QStringLiteral("東京都千代田区丸の内一丁目")};
}
}  // namespace

class TestCoverPrint : public QObject {
    Q_OBJECT
private slots:
    void layout_data()
    {
        QTest::addColumn<bool>("a4");
        QTest::addColumn<double>("base");
        QTest::newRow("A4") << true << 10.5;
        QTest::newRow("B5") << false << 8.5;
    }
    void layout()
    {
        QFETCH(bool, a4);
        QFETCH(double, base);
        Cover c(a4 ? PaperSize::A4 : PaperSize::B5);
        c.print(sample());

        QCOMPARE(c.device.pageCount(), 1);
        QCOMPARE(c.device.endDocs(), 1);
        QVERIFY(c.device.landscape());
        QCOMPARE(c.device.paper(), a4 ? PaperSize::A4 : PaperSize::B5);
        QCOMPARE(c.device.cellFontSize(), base);
        QCOMPARE(c.device.texts().size(), size_t(6));

        struct Expect {
            int col, row;
            double size;
            bool underline;
            QString text;
        };
        const QString pad60 = QStringLiteral("本社ビル改修工事") + QString(60 - 16, u' ');
        const QString site = QStringLiteral("東京都千代田区丸の内一丁目") + QString(60 - 26, u' ');
        const Expect expect[] = {
            {41, 10, 2 * base, false, QStringLiteral("      御  見  積  書      ")},
            {24, 16, 1.5 * base, true, QStringLiteral("株式会社　東和建設 御中")},
            {24, 18, base, false, QStringLiteral("下記のとおり御見積致します")},
            {24, 25, 2 * base, true, QStringLiteral("一金12,345,678円也")},
            {24, 29, base + 1, true, QStringLiteral("工事名称 ") + pad60},
            {24, 32, base + 1, true, QStringLiteral("工事場所 ") + site},
        };
        for (const Expect &e : expect) {
            const PrintedText *t = c.at(e.col, e.row);
            QVERIFY2(t, qPrintable(e.text));
            QCOMPARE(t->text, e.text);
            QCOMPARE(t->size, e.size);
            QCOMPARE(t->underline, e.underline);
            QVERIFY(!t->bold);
            QCOMPARE(t->fontName, QStringLiteral("ＭＳ 明朝"));
        }
        QVERIFY(!c.device.find(QStringLiteral("印刷されない会社")));

        // The border: a box from (4, 5) to (132, 46), width 4, solid.
        QCOMPARE(c.device.lines().size(), size_t(4));
        double minX = 1e9, maxX = -1e9, minY = 1e9, maxY = -1e9;
        for (const auto &l : c.device.lines()) {
            QCOMPARE(l.width, 4);
            QCOMPARE(l.style, PenStyle::Solid);
            minX = std::min({minX, l.x1, l.x2});
            maxX = std::max({maxX, l.x1, l.x2});
            minY = std::min({minY, l.y1, l.y2});
            maxY = std::max({maxY, l.y1, l.y2});
        }
        QCOMPARE(minX, 4.0);
        QCOMPARE(maxX, 132.0);
        QCOMPARE(minY, 5.0);
        QCOMPARE(maxY, 46.0);
    }

    // The amount line, and the name and site lines that are always 60 bytes
    // after their label so the underline runs the full width.
    void fields_data()
    {
        QTest::addColumn<QString>("kn1");
        QTest::addColumn<QString>("amount");
        QTest::addColumn<QString>("knm");
        QTest::addColumn<QString>("field");
        const QString thirty = QString(30, u'工');  // 60 bytes
        QTest::newRow("zero amount, 31 full-width cut") << "0" << "一金円也" << thirty + QStringLiteral("事") << thirty;
        QTest::newRow("part of a yen, cut inside a character")
            << "1000.4" << "一金1,000円也" << QStringLiteral("a") + thirty << QStringLiteral("a") + QString(29, u'工') + u' ';
    }
    void fields()
    {
        QFETCH(QString, kn1);
        QFETCH(QString, amount);
        QFETCH(QString, knm);
        QFETCH(QString, field);
        Cover c(PaperSize::B5);
        CoverData d = sample(kn1);
        d.knm = knm;
        d.ad1 = knm;
        c.print(d);
        QCOMPARE(c.at(24, 25)->text, amount);
        QCOMPARE(c.at(24, 29)->text, QStringLiteral("工事名称 ") + field);
        QCOMPARE(c.at(24, 32)->text, QStringLiteral("工事場所 ") + field);
        QCOMPARE(ansiByteLength(c.at(24, 29)->text), 69);
    }
};

RZ_REGISTER_TEST(TestCoverPrint)
#include "tst_coverprint.moc"
