// What the main window's five buttons do, without widgets: the window hands
// in the shared state, the prompts and itself as the host of child windows.
#pragma once
#include "legacy/jetimport.h"
#include "serverform.h"

#include <QString>
#include <map>

namespace rz {

class Prompts;
struct Shared;

// The parts of the main window the button procedures need.
class MainHost {
public:
    virtual ~MainHost() = default;
    // Shows or hides the panel of the five buttons (Pic1).
    virtual void setButtonsVisible(bool visible) = 0;
    // Shows the estimate index window on DB_Path, modeless. The window shows
    // the buttons again when it closes.
    virtual void openIndexWindow() = 0;
    // Shows the transfer window on DB_Path1 and DB_Path2, modal.
    virtual void openTransferWindow() = 0;
    // Closes the main window and with it every other window.
    virtual void closeAll() = 0;
    // A progress window (bar and Cancel) for the conversion of an old Jet
    // file, shown while the returned callback lives; by default none.
    virtual ConversionProgress conversionProgress() { return {}; }
    // Where on a server a new estimate file goes (新規作成 of a connection
    // file), asked in a small dialog; nullopt when the user cancels.
    virtual std::optional<ServerLocation> askServerLocation(const ServerForm &proposed)
    {
        Q_UNUSED(proposed);
        return std::nullopt;
    }
};

class MainSession {
public:
    // Button indexes of Command1.
    enum Button { Open = 0, Transfer = 1, Compact = 2, NewFile = 3, Quit = 4 };

    MainSession(Shared &shared, Prompts &prompts, MainHost &host);

    void Command1_Click(int index);

    void openEstimateFile();    // 内訳書作成
    void openTransfer();        // 編集
    void compactFile();         // 最適化
    void createEstimateFile();  // 新規作成
    void quit();                // 終了

private:
    void showIndexWindow();
    // The file dialog of the mode; a file in the old Jet format is converted
    // (when the user agrees) and its converted copy returned instead. "" when
    // cancelled or not converted.
    QString chooseEstimateFile(int mode);

    Shared &shared_;
    Prompts &prompts_;
    MainHost &host_;
    std::map<QString, QString> converted_;  // Jet file -> its copy made in this run
};

}  // namespace rz
