// An estimate's conditions: the tax and the charges worked out exactly, the
// labour of the 人工 rows, what the 見積条件 dialog takes and refuses, and
// storing whole or not at all.
#include "index/frmterms.h"
#include "index/termssession.h"
#include "print/printfixture.h"
#include "store/termsschema.h"
#include "support/scriptedprompts.h"
#include "support/testmain.h"
#include "terms/termsinput.h"

#include <QButtonGroup>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTabWidget>

using namespace rz;
using rztest::detail;
using F = TermsSession::Field;

namespace {
Currency money(const QString &text) { return text.isEmpty() ? Currency() : *Currency::parse(text); }

// Three levels with 人工 rows: 工事価格 1,075,000, labour 523,000 (型枠工, 鉄筋工, 手元); a
// provisionally deleted 人工 row, one below a provisionally deleted group and a subtotal row
// with the unit are not labour, nor is a running total part of the price.
void threeLevels(rztest::PrintFixture &f)
{
    auto item = [](const char *name, const char *unit, const char *kn1, const char *flg = "-") {
        rztest::Item it = detail(QString::fromUtf8(name), QString::fromUtf8(kn1), {}, QString::fromUtf8(flg));
        it.tn1 = QString::fromUtf8(unit);
        return it;
    };
    const std::pair<std::vector<int>, rztest::Item> rows[] = {
        {{1024}, item("躯体工事", "式", "700000", "+")},
        {{1024, 1024}, item("型枠工", "人工", "200000")},
        {{1024, 2048}, item("鉄筋工事", "人工", "500000", "+")},
        {{1024, 2048, 1024}, item("鉄筋工", "人工", "300000")},
        {{1024, 2048, 2048}, item("鉄筋材料", "t", "200000")},
        {{1024, 3072}, item("撤去工", "人工", "50000", "-x")},
        {{1024, 4096}, item("＠小計", "人工", "700000")},
        {{2048}, item("仮設工事", "式", "80000", "+x")},
        {{2048, 1024}, item("仮設工", "人工", "80000")},
        {{3072}, item("諸雑費", "式", "352000")},
        {{4096}, item("手元", " 人工", "23000")},
        {{5120}, item("＠＠累計", "", "1075000")},
    };
    for (const auto &[path, it] : rows)
        f.add(path, it);
}

int tableCount(Database &db) { return db.tableNames().size(); }
}  // namespace

class TestTerms : public QObject {
    Q_OBJECT
private slots:
    // The tax rounded once on 小計 by the estimate's rule, at the boundaries, and below zero after a large discount.
    void tax_data()
    {
        QTest::addColumn<int>("rule");
        QTest::addColumn<QString>("price");
        QTest::addColumn<QString>("discount");
        QTest::addColumn<QString>("rate");
        QTest::addColumn<QString>("tax");
        QTest::addColumn<QString>("total");
        const int down = int(TaxRounding::Down), half = int(TaxRounding::HalfUp), up = int(TaxRounding::Up);
        QTest::newRow("切り捨て, the cover's figures") << down << "1075000" << "" << "10" << "107500" << "1182500";
        QTest::newRow("切り捨て …0.4999") << down << "12344.999" << "" << "10" << "1234" << "13578.999";
        QTest::newRow("四捨五入 …0.4999") << half << "12344.999" << "" << "10" << "1234" << "13578.999";
        QTest::newRow("切り上げ …0.4999") << up << "12344.999" << "" << "10" << "1235" << "13579.999";
        QTest::newRow("切り捨て …0.5") << down << "12345" << "" << "10" << "1234" << "13579";
        QTest::newRow("四捨五入 …0.5") << half << "12345" << "" << "10" << "1235" << "13580";
        QTest::newRow("切り上げ …0.0001") << up << "10000.001" << "" << "10" << "1001" << "11001.001";
        QTest::newRow("8 %, 四捨五入 below half") << half << "10006" << "" << "8" << "800" << "10806";
        QTest::newRow("negative, 切り捨て toward 0") << down << "1000" << "12345" << "10" << "-1134" << "-12479";
        QTest::newRow("negative, 四捨五入 half away from 0") << half << "1000" << "12345" << "10" << "-1135" << "-12480";
        QTest::newRow("negative, 切り上げ away from 0") << up << "1000" << "12344" << "10" << "-1135" << "-12479";
        QTest::newRow("near the end of CURRENCY") << down << "900000000000000" << "" << "2" << "18000000000000"
                                                  << "918000000000000";
    }
    void tax()
    {
        QFETCH(int, rule);
        QFETCH(QString, price);
        QFETCH(QString, discount);
        QFETCH(QString, rate);
        QFETCH(QString, tax);
        QFETCH(QString, total);
        EstimateTerms t;
        t.taxRounding = TaxRounding(rule);
        t.taxRate = money(rate);
        t.discount = money(discount);
        const EstimateFigures f = computeFigures(t, money(price), Currency());
        QCOMPARE(f.tax.toString(), tax);
        QCOMPARE(f.total.toString(), total);
        QCOMPARE(closingLines(t, f).back().amount, f.total);
    }

    // 諸経費 of 工事価格 and 法定福利費 of the 人工 rows' labour (or of an amount entered), whole yen
    // with the fraction dropped; the lines in order, the 0 ones left out, the discount negative.
    void chargesFromTheFile_data()
    {
        QTest::addColumn<QString>("welfareBase");  // "" the 人工 rows
        QTest::addColumn<QStringList>("lines");
        QTest::newRow("labour of the rows") << "" << QStringList{"工事価格 1075000", "諸経費 81162", "法定福利費 81588",
                                                                  "出精値引き -37213", "小計 1200537", "消費税（10%） 120053",
                                                                  "合計 1320590"};
        QTest::newRow("labour entered") << "400000" << QStringList{"工事価格 1075000", "諸経費 81162",
                                                                     "法定福利費 62400", "出精値引き -37213",
                                                                     "小計 1181349", "消費税（10%） 118134", "合計 1299483"};
    }
    void chargesFromTheFile()
    {
        QFETCH(QString, welfareBase);
        QFETCH(QStringList, lines);
        rztest::PrintFixture f;
        threeLevels(f);
        QCOMPARE(levelOneTotal(*f.db, f.table), Currency::fromWhole(1075000));
        QCOMPARE(labourOfRows(*f.db, f.table), Currency::fromWhole(523000));
        EstimateTerms t;
        t.overheadRate = money("7.55");  // 81,162.5: 81,162
        t.welfareRate = money("15.6");   // 523,000: 81,588; 400,000: 62,400
        t.welfareBase = welfareBase.isEmpty() ? LabourBase::Rows : LabourBase::Entered;
        t.welfareBaseAmount = money(welfareBase);
        t.discount = money("37213");
        QStringList got;
        for (const FigureLine &l : closingLines(t, figuresOf(*f.db, 64, t)))
            got << l.label + u' ' + l.amount.toString();
        QCOMPARE(got, lines);
    }

    // A registration number: "T" and 13 digits, typed in any width, with blanks or hyphens; the check digit told apart.
    void registration_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("normal");  // "" refused
        QTest::addColumn<bool>("checkOk");
        QTest::newRow("right") << "T7123456789012" << "T7123456789012" << true;
        QTest::newRow("without T") << "7123456789012" << "T7123456789012" << true;
        QTest::newRow("full width, hyphens") << "ｔ７１２３-４５６７-８９０１２" << "T7123456789012" << true;
        QTest::newRow("wrong check digit") << "T8123456789012" << "T8123456789012" << false;
        QTest::newRow("remainder 0: check digit 9") << "T9000000000009" << "T9000000000009" << true;
        QTest::newRow("remainder 0, another first digit") << "T1000000000009" << "T1000000000009" << false;
        QTest::newRow("twelve digits") << "T712345678901" << "" << false;
        QTest::newRow("a letter") << "T71234567890A2" << "" << false;
    }
    void registration()
    {
        QFETCH(QString, typed);
        QFETCH(QString, normal);
        QFETCH(bool, checkOk);
        QCOMPARE(normalRegistration(typed).value_or(QString()), normal);
        if (!normal.isEmpty())
            QCOMPARE(registrationCheckDigitOk(normal), checkOk);
    }

    // A field the user leaves: refused with a message naming it, or taken in its plain form.
    void leaveField_data()
    {
        QTest::addColumn<int>("field");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("message");  // "" none
        QTest::addColumn<QString>("shown");    // the text afterwards
        auto row = [](const char *name, F f, const char *typed, const char *message, const char *shown) {
            QTest::newRow(name) << int(f) << QString::fromUtf8(typed) << QString::fromUtf8(message) << QString::fromUtf8(shown);
        };
        row("rate, letters", F::OverheadRate, "十", "諸経費の率は数値で入力してください", "十");
        row("rate, negative", F::TaxRate, "-8", "消費税率に負の値は入力できません", "-8");
        row("rate, full width", F::WelfareRate, "１５．６", "", "15.6");
        row("rate, five decimals", F::OverheadRate, "1.23456", "諸経費の率の小数は4桁までです", "1.23456");
        row("amount grouped", F::Discount, "37213", "", "37,213");
        row("amount, a fraction", F::OverheadAmount, "1,234.5", "諸経費の金額は円単位で入力してください", "1,234.5");
        row("amount beyond CURRENCY", F::WelfareAmount, "922337203685478", "法定福利費の金額が大きすぎます", "922337203685478");
        row("amount, an exponent", F::Discount, "1e3", "出精値引きは数値で入力してください", "1e3");
        row("date that exists", F::IssueDate, "2028/2/29", "", "2028-02-29");
        row("date that does not", F::IssueDate, "2026年2月29日", "発行日の日付 2026年2月29日 はありません", "2026年2月29日");
        row("date, not a date", F::IssueDate, "来週", "発行日は日付で入力してください", "来週");
        row("valid until, a text", F::ValidUntil, " 発行日より30日 ", "", "発行日より30日");
        row("valid until, a wrong date", F::ValidUntil, "2026-13-01", "有効期限の日付 2026-13-01 はありません", "2026-13-01");
        row("label emptied", F::WelfareLabel, "", "", "法定福利費");
        row("registration without T", F::IssuerRegistration, "7123456789012", "", "T7123456789012");
        row("registration, wrong digit: told, kept", F::IssuerRegistration, "T8123456789012", "法人番号の検査数字と合いません",
            "T8123456789012");
        row("registration, too short", F::IssuerRegistration, "T12", "登録番号は T に続く13桁の数字で", "T12");
    }
    void leaveField()
    {
        QFETCH(int, field);
        QFETCH(QString, typed);
        QFETCH(QString, message);
        QFETCH(QString, shown);
        rztest::PrintFixture f;
        rztest::ScriptedPrompts prompts;
        TermsSession s(*f.db, 64, prompts);
        QVERIFY(s.load());
        s.setText(F(field), typed);
        const bool refused = !message.isEmpty() && !message.contains(QStringLiteral("検査数字"));
        QCOMPARE(s.leaveField(F(field)), !refused);
        QCOMPARE(prompts.messages().isEmpty(), message.isEmpty());
        QVERIFY2(prompts.messages().value(0).contains(message), qPrintable(prompts.messages().value(0)));
        QCOMPARE(s.text(F(field)), shown);
        QCOMPARE(tableCount(*f.db), 2);  // checking stores nothing
    }

    // ＯＫ stores the conditions and the issuer together, or nothing: defaults left alone, a refused
    // field, a change by another program since the dialog showed them, a deleted estimate.
    void save_data()
    {
        QTest::addColumn<QString>("how");
        QTest::addColumn<bool>("saved");
        QTest::addColumn<QString>("message");
        QTest::newRow("typed and stored") << "type" << true << "";
        QTest::newRow("defaults untouched: no table") << "" << true << "";
        QTest::newRow("a refused field") << "type refuse" << false << "消費税率は数値";
        QTest::newRow("changed elsewhere meanwhile") << "type other" << false << "他のプログラムにより変更";
        QTest::newRow("estimate deleted meanwhile") << "type deleted" << false << "削除されました";
        QTest::newRow("wrong check digit, kept when asked") << "type wrong ok" << true << "このまま保存しますか";
        QTest::newRow("wrong check digit, cancelled") << "type wrong" << false << "このまま保存しますか";
    }
    void save()
    {
        QFETCH(QString, how);
        QFETCH(bool, saved);
        QFETCH(QString, message);
        rztest::PrintFixture f;
        threeLevels(f);
        rztest::ScriptedPrompts prompts;
        Issuer kept;
        TermsSession s(*f.db, 64, prompts, {[] { return Issuer(); }, [&kept](const Issuer &i) { kept = i; }});
        QVERIFY(s.load());
        QVERIFY(s.keepIssuerAsDefault);  // no default yet: the first issuer becomes it
        if (how.contains("type")) {
            s.setText(F::EstimateNo, "No.2026-015");
            s.setText(F::Discount, "75,000");
            s.setText(F::IssuerName, "株式会社　東和建設");
            s.setText(F::IssuerRegistration, how.contains("wrong") ? "T8123456789012" : "T7123456789012");
            s.choices.taxRounding = TaxRounding::HalfUp;
        }
        if (how.contains("refuse"))
            s.setText(F::TaxRate, "１０％");
        auto other = Database::open(f.path());
        if (how.contains("other")) {
            EstimateTerms theirs;
            theirs.payment = QStringLiteral("月末締め翌月末払い");
            writeTerms(*other, 64, theirs);
        }
        if (how.contains("deleted"))
            other->execute("DELETE FROM RZTBLIDX WHERE key1 = 64");
        if (how.contains("ok"))
            prompts.messageAnswers.push_back(AnswerOk);
        else if (how.contains("wrong"))
            prompts.messageAnswers.push_back(AnswerCancel);
        QCOMPARE(s.save(), saved);
        QVERIFY(prompts.messages().join('|').contains(message));
        const auto terms = readTerms(*other, 64);
        const auto issuer = readIssuer(*other);
        if (how.contains("other"))
            QCOMPARE(terms->payment, QStringLiteral("月末締め翌月末払い"));
        else if (!saved || !how.contains("type"))
            QVERIFY(!terms && !issuer && !other->tableExists(kTermsTable) && !other->tableExists(kIssuerTable));
        if (!saved || !how.contains("type"))
            return;
        QCOMPARE(terms->estimateNo, QStringLiteral("No.2026-015"));
        QCOMPARE(terms->discount, Currency::fromWhole(75000));
        QCOMPARE(terms->taxRounding, TaxRounding::HalfUp);
        QCOMPARE(issuer->name, QStringLiteral("株式会社　東和建設"));
        QCOMPARE(kept, *issuer);
        // Shown again as stored: 1,075,000 - 75,000 = 1,000,000, tax 100,000.
        TermsSession again(*other, 64, prompts);
        QVERIFY(again.load());
        QCOMPARE(again.text(F::Discount), QStringLiteral("75,000"));
        QCOMPARE(again.preview().back(), std::make_pair(QStringLiteral("合計"), QStringLiteral("1,100,000")));
    }

    // The lines as the user types: those an input that is not yet a number feeds show "？".
    void previewAsTyped()
    {
        rztest::PrintFixture f;
        threeLevels(f);
        rztest::ScriptedPrompts prompts;
        TermsSession s(*f.db, 64, prompts);
        QVERIFY(s.load());
        QCOMPARE(s.rowsLabour(), Currency::fromWhole(523000));
        s.setText(F::OverheadRate, "10");
        s.setText(F::OverheadLabel, "一般管理費等");
        s.choices.welfareKind = ChargeKind::Amount;
        s.setText(F::WelfareAmount, "5");
        s.setText(F::TaxRate, "８．");  // as an input method types it, not yet finished
        auto texts = [&] {
            QStringList t;
            for (const auto &[label, amount] : s.preview())
                t << label + u' ' + amount;
            return t;
        };
        QCOMPARE(texts(), (QStringList{"工事価格 1,075,000", "一般管理費等 107,500", "法定福利費 5", "出精値引き 0",
                                       "小計 1,182,505", "消費税（8%） 94,600", "合計 1,277,105"}));
        s.setText(F::WelfareAmount, "5x");
        QCOMPARE(texts(), (QStringList{"工事価格 1,075,000", "一般管理費等 107,500", "法定福利費 ？", "出精値引き 0",
                                       "小計 ？", "消費税（8%） ？", "合計 ？"}));
    }

    // The dialog as the user meets it: typing updates the lines, a choice switches the box that
    // counts, ＯＫ with a refused field keeps the dialog open on that field, then stores and closes.
    void dialog()
    {
        rztest::PrintFixture f;
        threeLevels(f);
        rztest::ScriptedPrompts prompts;
        TermsSession s(*f.db, 64, prompts);
        QVERIFY(s.load());
        FrmTerms d(s, QStringLiteral("本社改修工事"));
        d.show();
        QTest::keyClicks(d.TxtField[F::OverheadRate], "10");
        QCOMPARE(d.LblAmount[1]->text(), QStringLiteral("107,500"));
        QVERIFY(d.TxtField[F::WelfareRate]->isEnabled() && !d.TxtField[F::WelfareAmount]->isEnabled());
        d.WelfareKind->button(int(ChargeKind::Amount))->click();
        QVERIFY(!d.TxtField[F::WelfareRate]->isEnabled() && d.TxtField[F::WelfareAmount]->isEnabled());
        QTest::keyClicks(d.TxtField[F::WelfareAmount], "2500");
        QCOMPARE(d.LblAmount[6]->text(), QStringLiteral("1,303,500"));  // (1,075,000 + 107,500 + 2,500) x 1.1
        QTest::keyClicks(d.TxtField[F::IssueDate], "2026-02-30");
        d.cmdOK->click();
        QVERIFY(d.isVisible() && d.Pages->currentIndex() == 0);
        QTRY_VERIFY_WITH_TIMEOUT(d.TxtField[F::IssueDate]->hasFocus() || !d.isActiveWindow(), 2000);
        QVERIFY(!readTerms(*f.db, 64));
        d.TxtField[F::IssueDate]->selectAll();
        QTest::keyClick(d.TxtField[F::IssueDate], Qt::Key_Backspace);
        d.cmdOK->click();
        QVERIFY(!d.isVisible() && d.result() == QDialog::Accepted);
        QCOMPARE(readTerms(*f.db, 64)->welfareAmount, Currency::fromWhole(2500));
    }
};

RZ_REGISTER_TEST(TestTerms)
#include "tst_terms.moc"
