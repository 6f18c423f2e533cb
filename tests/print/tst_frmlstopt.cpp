// The print options dialog: the 平成 date, the defaults, which options the
// two callers offer, what the choices mean to the printout, and how it is
// confirmed or cancelled.
#include "print/frmlstopt.h"
#include "support/testmain.h"

#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QtTest>

using namespace rz;

Q_DECLARE_METATYPE(rz::PrintKind)

class TestFrmLstOpt : public QObject {
    Q_OBJECT
private slots:
    void eraDate_data()
    {
        QTest::addColumn<QDate>("date");
        QTest::addColumn<QString>("expected");
        QTest::newRow("single digits padded") << QDate(2000, 9, 4) << "平成12年 9月 4日";
        QTest::newRow("era year never ends") << QDate(2026, 3, 15) << "平成38年 3月15日";
        QTest::newRow("first year") << QDate(1989, 1, 8) << "平成1年 1月 8日";
    }
    void eraDate()
    {
        QFETCH(QDate, date);
        QFETCH(QString, expected);
        QCOMPARE(heiseiDate(date), expected);
        Shared shared;
        FrmLstOpt dlg(shared, nullptr, date);
        QCOMPARE(dlg.TxtDate->text(), expected);
    }

    void defaults()
    {
        Shared shared;
        shared.Co_Name = QStringLiteral("東和建設");
        FrmLstOpt dlg(shared);
        QCOMPARE(dlg.windowTitle(), QStringLiteral("印刷オプション"));
        QCOMPARE(dlg.cmdOKTag, QStringLiteral("False"));
        QVERIFY(dlg.cmdOK->isDefault());
        QCOMPARE(dlg.Text1->text(), QStringLiteral("東和建設"));
        QCOMPARE(dlg.TxtPno->text(), QStringLiteral("1"));
        QCOMPARE(dlg.Frame1[3]->title(), QStringLiteral("単価 金額　印刷"));
        for (const char *name : {"OptLst1_0", "OptLst2_0", "OptLst3_0", "OptLst4_0", "OptLst5_0", "OptLst5_3"}) {
            auto *b = dlg.findChild<QRadioButton *>(QString::fromLatin1(name));
            QVERIFY2(b && b->isChecked(), name);
        }
        QCOMPARE(dlg.OptLst5[3]->text(), QStringLiteral("Ｂ５横"));
        QCOMPARE(dlg.OptLst5[3]->parentWidget(), dlg.Frame1[5]);
        const PrintOptions o = dlg.options();
        QCOMPARE(o.kind, PrintKind::Estimate);
        QCOMPARE(o.range, PrintRange::Full);
        QVERIFY(o.quantities && o.prices && o.remarks);
        QCOMPARE(o.paper, PaperSize::B5);
        QCOMPARE(o.startPage(), 1);
        QCOMPARE(o.companyName, QStringLiteral("東和建設"));
        QCOMPARE(dlg.size(), QSize(470, 230));
    }

    // The remarks and the paper share one array but are two choices.
    void sharedArrayIsTwoGroups()
    {
        Shared shared;
        FrmLstOpt dlg(shared);
        dlg.OptLst5[2]->click();  // Ａ４横
        QVERIFY(dlg.OptLst5[0]->isChecked());
        dlg.OptLst5[1]->click();  // 備考 しない
        QVERIFY(dlg.OptLst5[2]->isChecked());
        QVERIFY(!dlg.OptLst5[3]->isChecked());
        const PrintOptions o = dlg.options();
        QCOMPARE(o.paper, PaperSize::A4);
        QVERIFY(!o.remarks);
    }

    void choices_data()
    {
        QTest::addColumn<QString>("click");  // object names of the options clicked
        QTest::addColumn<PrintKind>("kind");
        QTest::addColumn<int>("range");
        QTest::addColumn<bool>("quantities");
        QTest::addColumn<bool>("prices");
        QTest::newRow("budget layout") << "OptLst1_1" << PrintKind::EstimateBudget << 0 << true << true;
        QTest::newRow("cover") << "OptLst1_2" << PrintKind::Cover << 0 << true << true;
        QTest::newRow("first list only, no quantities") << "OptLst2_1 OptLst3_1" << PrintKind::Estimate << 1 << false << true;
        QTest::newRow("no prices") << "OptLst4_1" << PrintKind::Estimate << 0 << true << false;
        QTest::newRow("back from budget") << "OptLst1_1 OptLst1_0" << PrintKind::Estimate << 0 << true << true;
    }
    void choices()
    {
        QFETCH(QString, click);
        QFETCH(PrintKind, kind);
        QFETCH(int, range);
        QFETCH(bool, quantities);
        QFETCH(bool, prices);
        Shared shared;
        FrmLstOpt dlg(shared);
        for (const QString &name : click.split(u' '))
            dlg.findChild<QRadioButton *>(name)->click();
        const PrintOptions o = dlg.options();
        QCOMPARE(o.kind, kind);
        QCOMPARE(static_cast<int>(o.range), range);
        QCOMPARE(o.quantities, quantities);
        QCOMPARE(o.prices, prices);
    }

    void coverHidesListOptions()
    {
        Shared shared;
        FrmLstOpt dlg(shared);
        dlg.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dlg));
        auto shown = [&](QWidget *w) { return w->isVisibleTo(&dlg); };
        for (int kind : {0, 2, 0}) {  // as opened, the cover, a list again
            dlg.OptLst1[kind]->click();
            const bool list = kind == 0;
            for (int f : {1, 2, 4, 6})
                QCOMPARE(shown(dlg.Frame1[f]), list);
            for (int f : {0, 3, 5})
                QVERIFY(shown(dlg.Frame1[f]));
            QCOMPARE(shown(dlg.TxtPno), list);
            QCOMPARE(shown(dlg.TxtDate), !list);
            QVERIFY(shown(dlg.Text1) && shown(dlg.Label2));
        }
    }

    void callers_data()
    {
        QTest::addColumn<bool>("editor");
        QTest::addColumn<QString>("flg");
        QTest::addColumn<bool>("inputRow");
        QTest::addColumn<bool>("coverShown");
        QTest::addColumn<bool>("screenShown");
        QTest::addColumn<bool>("subLevelsEnabled");
        QTest::newRow("index window") << false << "" << false << true << false << true;
        QTest::newRow("editor, group row") << true << "+" << false << false << true << true;
        QTest::newRow("editor, item row") << true << "-" << false << false << true << false;
        QTest::newRow("editor, deleted group") << true << "+x" << false << false << true << false;
        QTest::newRow("editor, input row") << true << "+" << true << false << true << false;
        QTest::newRow("editor, unmarked row") << true << " " << false << false << true << true;
    }
    void callers()
    {
        QFETCH(bool, editor);
        QFETCH(QString, flg);
        QFETCH(bool, inputRow);
        QFETCH(bool, coverShown);
        QFETCH(bool, screenShown);
        QFETCH(bool, subLevelsEnabled);
        Shared shared;
        FrmLstOpt dlg(shared);
        if (editor)
            dlg.prepareForEditor(FrmLstOpt::canStartSubLevels(flg, inputRow));
        else
            dlg.prepareForIndex();
        QCOMPARE(dlg.OptLst1[2]->isVisibleTo(&dlg), coverShown);
        QCOMPARE(dlg.OptLst2[2]->isVisibleTo(&dlg), screenShown);
        QCOMPARE(dlg.OptLst2[0]->isEnabled(), subLevelsEnabled);
        QCOMPARE(dlg.OptLst2[1]->isEnabled(), subLevelsEnabled);
        QVERIFY(dlg.OptLst2[2]->isEnabled());
    }

    void startPage_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("expected");
        QTest::newRow("half to even down") << "2.5" << 2;
        QTest::newRow("half to even up") << "3.5" << 4;
        QTest::newRow("negative") << "-2" << -2;
        QTest::newRow("empty") << "" << 0;
        QTest::newRow("letters") << "abc" << 0;
        QTest::newRow("beyond an integer") << "40000" << 0;
    }
    void startPage()
    {
        QFETCH(QString, text);
        QFETCH(int, expected);
        Shared shared;
        FrmLstOpt dlg(shared);
        dlg.TxtPno->setText(text);
        QCOMPARE(dlg.options().startPage(), expected);
    }

    void confirmAndCancel_data()
    {
        QTest::addColumn<QString>("how");
        QTest::addColumn<bool>("confirmed");
        QTest::addColumn<bool>("hidden");
        QTest::newRow("印刷開始") << "ok" << true << true;
        QTest::newRow("Enter in the start page box") << "enter" << true << true;
        QTest::newRow("キャンセル") << "cancel" << false << true;
        QTest::newRow("close box") << "close" << false << true;
        QTest::newRow("Esc does nothing") << "esc" << false << false;
    }
    void confirmAndCancel()
    {
        QFETCH(QString, how);
        QFETCH(bool, confirmed);
        QFETCH(bool, hidden);
        Shared shared;
        shared.Co_Name = QStringLiteral("旧社名");
        FrmLstOpt dlg(shared);
        dlg.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dlg));
        dlg.Text1->setText(QStringLiteral("新社名"));
        if (how == QLatin1String("ok")) {
            dlg.cmdOK->click();
        } else if (how == QLatin1String("enter")) {
            dlg.TxtPno->setFocus();
            QTest::keyClick(dlg.TxtPno, Qt::Key_Return);
        } else if (how == QLatin1String("cancel")) {
            dlg.cmdCancel->click();
        } else if (how == QLatin1String("close")) {
            dlg.close();
        } else {
            QTest::keyClick(&dlg, Qt::Key_Escape);
        }
        QCOMPARE(dlg.confirmed(), confirmed);
        QCOMPARE(dlg.cmdOKTag, confirmed ? QStringLiteral("True") : QStringLiteral("False"));
        QCOMPARE(dlg.isHidden(), hidden);
        if (confirmed)
            QCOMPARE(shared.Co_Name, QStringLiteral("新社名"));
        // Still readable after it has closed.
        QCOMPARE(dlg.options().companyName, QStringLiteral("新社名"));
    }
};

RZ_REGISTER_TEST(TestFrmLstOpt)
#include "tst_frmlstopt.moc"
