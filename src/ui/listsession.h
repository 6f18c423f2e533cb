// What the procedures of the two list windows (the estimate index and the
// breakdown editor) share: the keys that work their command and page
// buttons, writing the rows a page changed back in one transaction, and a
// failure told in the words of the store.
#pragma once
#include <functional>
#include <stdexcept>

namespace rz {

class Database;
class Prompts;
class Recordset;

// Esc is command 11, F1..F12 the commands 0..11, PageUp page button 0 and
// PageDown page button 1; false for any other key.
bool listCommandKey(int qtKey, const std::function<void(int)> &command1, const std::function<void(int)> &command2);

// Writes back rows 1..last that `dirty` marks, through `rs`, in one
// transaction. A row whose record another program deleted meanwhile is left
// out and the others are written: `gone` tells. writeRow returns false for a
// row it could not write now (having cancelled its edit): every row is still
// tried, then the whole write is rolled back. Returns whether it was
// committed. Any other failure rolls back and goes to the caller. writeRow
// may be called twice for a row: its writes must depend on the row alone.
bool writeDirtyRows(Database &db, Recordset &rs, int last, const std::function<bool(int)> &dirty,
                    const std::function<bool(int)> &writeRow, bool &gone);

// The failure's text (the engine's description for a store failure) in an
// exclamation box.
void showError(Prompts &prompts, const std::exception &e);

}  // namespace rz
