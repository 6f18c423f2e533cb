// The detailed cover (表紙（詳細）): what the cover page shows plus what a
// customer expects today: 見積番号 and 発行日, the issuer with its
// registration number, the amount with tax, a small table of 工事価格,
// the charges, 消費税 and 合計, and 工期, 支払条件 and 有効期限, inside the
// cover's heavy border. An estimate without conditions has the default tax.
#pragma once
#include "coverprint.h"
#include "terms/termsmath.h"

namespace rz {

class Database;

struct CoverDetailData {
    CoverData cover;  // customer, project name and site from the index record
    EstimateTerms terms;
    EstimateFigures figures;
    Issuer issuer;
    // Everything for the estimate the index recordset stands on. Throws DbError, OverflowError.
    static CoverDetailData fromFile(Database &db, const Recordset &index);
};

// The rows of the small table: 工事価格, the charges and the discount that
// are not 0, 消費税 and 合計, so that the table adds up to its last line.
std::vector<FigureLine> coverTableLines(const EstimateTerms &t, const EstimateFigures &f);

// Sets the printer up as for the cover, prints the page and ends the document.
void printCoverDetail(PagePrinter &printer, const CoverDetailData &data);

}  // namespace rz
