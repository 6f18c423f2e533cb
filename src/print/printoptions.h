// What the user chose in the print options dialog, as the print routines and
// the batch printer read it: print kind, range, the columns to fill, paper,
// first page number and company name.
#pragma once
#include "printdevice.h"

#include <QDate>
#include <QString>
#include <QStringList>

namespace rz {

enum class PrintKind { Estimate, EstimateBudget, Cover, CoverDetail };  // 見積, 見積＋予算, 表紙, 表紙（詳細）
enum class PrintRange { Full, Top, Screen };               // 内訳＋明細, 内訳, 表示画面

// What the print service said about its printers when it was last asked.
struct PrinterList {
    enum class Answer {
        Pending,      // asked, no answer yet
        Printers,     // answered: names holds the printers, perhaps none
        NoAnswer,     // silent for longer than the program waits (hung, or out of reach on the network)
        Unreachable,  // could not be reached at all (not running)
    };
    Answer answer = Answer::Pending;
    QStringList names;     // the system's default first
    QStringList refusing;  // those that take no jobs now
    QString detail;        // the service's own words when it could not be reached

    bool hasPrinters() const { return answer == Answer::Printers && !names.isEmpty(); }
};

struct PrintOptions {
    PrintKind kind = PrintKind::Estimate;
    PrintRange range = PrintRange::Full;
    bool quantities = true;  // 数量印刷 する
    bool prices = true;      // 単価 金額 印刷 する
    bool remarks = true;     // 備考印刷 する
    PaperSize paper = PaperSize::B5;
    QString startPageText = QStringLiteral("1");
    QString companyName;
    QString printerName;  // the printer chosen in the dialog; empty: the default
    PrinterList printers;  // as the service answered when printing was started

    // The narrow estimate layout; the budget layout serves 見積＋予算 and the
    // cover's set-up alike.
    bool estimateLayout() const { return kind == PrintKind::Estimate; }
    bool cover() const { return kind == PrintKind::Cover || kind == PrintKind::CoverDetail; }
    // The number of the first page: a numeric text rounded (half to even) to
    // a 16-bit integer; anything else, or a number out of that range, is 0
    // and the pages carry no numbers.
    int startPage() const { return startPageNumber(startPageText); }
    static int startPageNumber(const QString &text);
};

// A date in the 平成 era as the dialog shows it: the era year is the year
// minus 1988 without padding, month and day right-aligned in two characters
// ("平成12年 9月 4日").
QString heiseiDate(const QDate &date);

}  // namespace rz
