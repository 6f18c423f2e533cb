// The tables an estimate file keeps beside the index table for what a
// document sent to a customer needs beyond the list: the conditions of each
// estimate and the issuer of the file. They are made when first written, so
// a file without them is exactly the file it always was, and the index and
// item tables never change shape for them.
//
//   RZTBLCND  one row per estimate that has conditions, key1 as in RZTBLIDX:
//     mno     見積番号                         hdt  発行日 (yyyy-mm-dd or "")
//     yuk     有効期限: a text, or a date as yyyy-mm-dd
//     kki     工期                             shj  支払条件
//     okb     諸経費: 0 a rate of 工事価格, 1 a fixed amount
//     ort,okn its rate (percent) and amount    onm  its label
//     fkb     法定福利費: 0 a rate, 1 a fixed amount
//     frt,fkn its rate (percent) and amount    fnm  its label
//     fbk     the rate's base: 0 the 人工 rows, 1 the amount fbs
//     nbk     出精値引き (positive; printed negative)
//     trt     消費税 rate (percent)            tmr  its rounding: 0 切り捨て, 1 四捨五入, 2 切り上げ
//   RZTBLISS  one row, the issuer of the file's estimates:
//     cnm company name, zip postal code, adr address, tel telephone,
//     tnt person in charge, reg registration number ("T" + 13 digits)
#pragma once
#include "database.h"

#include <vector>

namespace rz {

extern const char *const kTermsTable;   // "RZTBLCND"
extern const char *const kIssuerTable;  // "RZTBLISS"

const std::vector<ColumnDef> &termsTableColumns();
const std::vector<ColumnDef> &issuerTableColumns();

// Make the table when the file has none (the conditions with a unique index
// on key1, so two writers can never leave two rows for one estimate).
void ensureTermsTable(Database &db);
void ensureIssuerTable(Database &db);

}  // namespace rz
