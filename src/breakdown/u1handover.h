// What the index window and the breakdown editor hand each other: the
// estimate with its top-level rates and the place to return to when the
// editor opens, the totals and the row count when it closes.
#pragma once
#include "store/currency.h"
#include "store/estimateref.h"

namespace rz {

struct U1Opening {
    EstimateRef estimate;
    int U1_Rt1 = 100, U1_Rt2 = 100;  // top-level rates in percent (index int1, int2)
    int Idx_Page = 1, Idx_Row = 1;   // the list's page and row the estimate was opened from
};

struct U1Closing {
    EstimateRef estimate;
    int Idx_Page = 1, Idx_Row = 1;  // as they were handed over
    // The totals below are known and every row was written: the estimate's
    // index record takes them. Never with figures its rows do not give.
    bool U1_Upd = false;
    // Another program deleted the estimate meanwhile (the editor said so):
    // the list is filled anew without it.
    bool U1_Gone = false;
    Currency U1_Kn1;  // estimate total of the first level
    Currency U1_Kn2;  // budget total of the first level
    int U1_Rt1 = 0, U1_Rt2 = 0;  // top-level rates in percent
    int U1_RowCnt = 0;           // item rows, at most what the index column holds
};

}  // namespace rz
