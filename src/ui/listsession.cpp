// The keys, the write-back and the failure message the list windows share.
#include "listsession.h"

#include "prompts.h"
#include "store/failuretext.h"
#include "store/recordset.h"

#include <Qt>

namespace rz {

bool listCommandKey(int qtKey, const std::function<void(int)> &command1, const std::function<void(int)> &command2)
{
    if (qtKey == Qt::Key_Escape)
        command1(11);
    else if (qtKey >= Qt::Key_F1 && qtKey <= Qt::Key_F12)
        command1(qtKey - Qt::Key_F1);
    else if (qtKey == Qt::Key_PageUp)
        command2(0);
    else if (qtKey == Qt::Key_PageDown)
        command2(1);
    else
        return false;
    return true;
}

bool writeDirtyRows(Database &db, Recordset &rs, int last, const std::function<bool(int)> &dirty,
                    const std::function<bool(int)> &writeRow, bool &gone)
{
    gone = false;
    // The rows' writes go together first, each checked in itself: a server
    // takes them all in one exchange. When one of them finds another
    // program's change or no record, nothing of the page is written, and the
    // rows are written again one by one, which tells which row and what.
    try {
        Transaction together(db, TxWrites::Together);
        bool all = true;
        for (int r = 1; r <= last; ++r)
            if (dirty(r))
                all = writeRow(r) && all;
        if (all) {
            together.commit();
            return true;
        }
    } catch (const DbError &e) {
        if (e.reason() != DbFailure::RecordDeleted)
            throw;
        rs.cancelUpdate();
    }
    bool all = true;
    Transaction tx(db);
    for (int r = 1; r <= last; ++r) {
        if (!dirty(r))
            continue;
        try {
            all = writeRow(r) && all;
        } catch (const DbError &e) {
            // A record deleted by another program has nothing left to take
            // the row; the other rows are still written.
            if (e.reason() != DbFailure::RecordDeleted)
                throw;
            rs.cancelUpdate();
            gone = true;
        }
    }
    if (all)
        tx.commit();
    return all;
}

void showError(Prompts &prompts, const std::exception &e) { prompts.message(failureText(e), MsgExclamation); }

}  // namespace rz
