// Real output: the painter device writes a PDF with the right number of
// landscape pages of the chosen paper, in a Mincho face of two-cell width.
#include "pdftools.h"
#include "print/coverprint.h"
#include "print/painterdevice.h"
#include "printfixture.h"
#include "support/testmain.h"

#include <QFileInfo>

using namespace rz;
using rztest::PrintFixture;

class TestPdfOutput : public QObject {
    Q_OBJECT
private slots:
    void printFontMeasuresTwoCells()
    {
        QVERIFY(isTwoCellMincho(printFontFamily()));
        // A proportional Mincho fails however it is flagged.
        QVERIFY(!isTwoCellMincho(QStringLiteral("IPAPMincho")));
        QVERIFY(!isTwoCellMincho(QStringLiteral("No Such Font")));
        PrintFixture f;
        PainterPrintDevice d(f.dir.filePath(QStringLiteral("m.pdf")));
        d.setFontName(QStringLiteral("ＭＳ 明朝"));
        d.setFontSize(12);
        QCOMPARE(d.textWidth(QStringLiteral("漢字")), 4 * d.textWidth(QStringLiteral("A")));
        QCOMPARE(d.textWidth(QStringLiteral("Page   7")), 8 * d.textWidth(QStringLiteral("A")));
        // 12 pt at the device's 600 dpi: one em per row.
        QCOMPARE(d.textHeight(QStringLiteral("A")), 100.0);
    }

    void pages_data()
    {
        QTest::addColumn<int>("kind");
        QTest::addColumn<bool>("a4");
        QTest::addColumn<int>("pages");
        QTest::addColumn<QSizeF>("size");
        const QSizeF a4(841.89, 595.28), b5(728.5, 515.91);
        QTest::newRow("estimate A4") << 0 << true << 3 << a4;
        QTest::newRow("estimate and budget B5") << 1 << false << 3 << b5;
        QTest::newRow("cover B5") << 2 << false << 1 << b5;
    }
    void pages()
    {
        QFETCH(int, kind);
        QFETCH(bool, a4);
        QFETCH(int, pages);
        QFETCH(QSizeF, size);
        PrintFixture f;
        f.options.kind = static_cast<PrintKind>(kind);
        f.options.paper = a4 ? PaperSize::A4 : PaperSize::B5;
        f.options.startPageText = QStringLiteral("5");
        f.shared.Co_Name = QStringLiteral("東和建設株式会社");
        // 20 rows, the first with a list below: 20 rows, 計 alone, the sub-list.
        f.addDetails({}, 20);
        f.db->execute(QStringLiteral("UPDATE %1 SET flg = '+' WHERE key1 = 1024").arg(f.table));
        f.add({1024, 1024}, rztest::detail(QStringLiteral("鉄筋加工"), QStringLiteral("12345")));

        const QString path = f.dir.filePath(QStringLiteral("out.pdf"));
        {
            PainterPrintDevice device(path, QStringLiteral("本社改修工事"));
            if (f.options.kind == PrintKind::Cover) {
                PagePrinter p(device, f.options, f.shared);
                sb_Hyousi(p, {QStringLiteral("株式会社　東和建設"), *Currency::parse(QStringLiteral("12345678")),
                              QStringLiteral("本社改修工事"), QStringLiteral("千代田区")});
            } else {
                printEstimateList(device, f.options, f.shared, *f.db, f.table);
            }
            QCOMPARE(device.pageCount(), pages);
            QCOMPARE(device.outputFile(), path);
        }
        const rztest::PdfInfo info = rztest::pdfInfo(path);
        QCOMPARE(info.pages, pages);
        QVERIFY2(info.pageSize.width() > info.pageSize.height(), "landscape");
        QVERIFY2(qAbs(info.pageSize.width() - size.width()) < 1 && qAbs(info.pageSize.height() - size.height()) < 1,
                 qPrintable(QStringLiteral("%1 x %2").arg(info.pageSize.width()).arg(info.pageSize.height())));

        const QString fonts = rztest::pdfFonts(path);
        if (!fonts.isNull())
            QVERIFY2(fonts.contains(printFontFamily()), qPrintable(fonts));
        const QString text = rztest::pdfText(path);
        if (text.isNull())
            return;
        if (f.options.kind == PrintKind::Cover) {
            QVERIFY(text.contains(QStringLiteral("一金12,345,678円也")));
        } else {
            QVERIFY(text.contains(QStringLiteral("鉄筋加工")));
            QVERIFY(text.contains(QStringLiteral("東和建設株式会社")));
            // Extracted text does not keep the exact blanks.
            QVERIFY(text.contains(QRegularExpression(QStringLiteral("Page +7"))));
            QVERIFY(!text.contains(QRegularExpression(QStringLiteral("Page +8"))));
        }
    }

    // Nothing to print writes no file, and a file that cannot be written is
    // reported instead of being left half done.
    void noPagesNoFile()
    {
        PrintFixture f;
        const QString path = f.dir.filePath(QStringLiteral("empty.pdf"));
        {
            PainterPrintDevice device(path);
            printEstimateList(device, f.options, f.shared, *f.db, f.table);
            QCOMPARE(device.pageCount(), 0);
        }
        QVERIFY(!QFileInfo::exists(path));

        f.add({1024}, rztest::detail(QStringLiteral("土工"), QStringLiteral("10")));
        PainterPrintDevice bad(f.dir.filePath(QStringLiteral("no/such/folder/x.pdf")));
        QVERIFY_THROWS_EXCEPTION(std::exception, printEstimateList(bad, f.options, f.shared, *f.db, f.table));
    }

    void freePdfPathNeverOverwrites()
    {
        const QString first = PainterPrintDevice::freePdfPath(QStringLiteral("本社/改修:工事"));
        QVERIFY(first.endsWith(QStringLiteral("本社_改修_工事.pdf")));
        QFile f(first);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.close();
        QCOMPARE(PainterPrintDevice::freePdfPath(QStringLiteral("本社/改修:工事")),
                 first.left(first.size() - 4) + QStringLiteral(" (2).pdf"));
        QFile::remove(first);
    }
};

RZ_REGISTER_TEST(TestPdfOutput)
#include "tst_pdfoutput.moc"
