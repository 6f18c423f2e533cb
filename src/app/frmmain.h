// The main window: the parent of every other window, with the row of five
// buttons (Pic1) that starts each kind of work.
#pragma once
#include "mainsession.h"

#include <QMainWindow>
#include <array>
#include <memory>

class QMdiArea;
class QMdiSubWindow;
class QSettings;
class QPushButton;

namespace rz {

class Prompts;
class FrmUidx;
class MasterCatalog;
class frmMaster;
struct Shared;
struct U1Opening;

class frmMain : public QMainWindow, public MainHost {
    Q_OBJECT
public:
    frmMain(Shared &shared, Prompts &prompts, QWidget *parent = nullptr);
    ~frmMain() override;

    // The window's caption: application title, " Version ", version text.
    static QString captionText();

    // Places the window as stored in the settings (defaults on first run).
    void restorePlacement(QSettings &settings, const QSize &screenPixels);
    void restorePlacement();
    // Stores the placement unless the window is minimized.
    void savePlacement(QSettings &settings) const;

    QMdiArea *mdiArea() const { return mdiArea_; }
    MainSession &session() { return session_; }
    Shared &shared() { return shared_; }
    Prompts &prompts() { return prompts_; }

    QWidget *Pic1 = nullptr;
    std::array<QPushButton *, 5> Command1{};
    QPushButton *CmdMaster = nullptr;  // 単価マスタ: the unit-price master window

    // The unit-price master every window of the program works with.
    MasterCatalog &master() { return *master_; }
    // Shows the master window (one at a time, in front when already open).
    frmMaster *openMasterWindow();

    // MainHost
    void setButtonsVisible(bool visible) override;
    // Until the estimate index window is built the buttons come straight back,
    // so the user is never left without them.
    void openIndexWindow() override;
    void openTransferWindow() override;
    void closeAll() override;
    ConversionProgress conversionProgress() override;
    std::optional<ServerLocation> askServerLocation(const ServerForm &proposed) override;

protected:
    void closeEvent(QCloseEvent *event) override;

private:
    void placeChild(QMdiSubWindow *sub);
    // The breakdown editor as a second child window, opened by the index window.
    bool openEditorWindow(FrmUidx *index, QMdiSubWindow *indexSub, const U1Opening &opening, const QString &caption);

    Shared &shared_;
    Prompts &prompts_;
    MainSession session_;
    QMdiArea *mdiArea_ = nullptr;
    std::shared_ptr<MasterCatalog> master_;
    QMdiSubWindow *masterSub_ = nullptr;
};

}  // namespace rz
