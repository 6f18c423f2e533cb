// The breakdown editor window "内訳": draws the U1Session's grid and labels,
// holds the function buttons, and forwards keys, clicks and closing to it.
#pragma once
#include "u1session.h"

#include <QWidget>
#include <array>
#include <functional>

class QTableView;
class QPushButton;
class QLabel;
class QLineEdit;
class QComboBox;
class QFrame;

namespace rz {

class MasterListModel;

class frmU1 : public QWidget, public U1Host {
    Q_OBJECT
public:
    frmU1(Shared &shared, Prompts &prompts, const U1Opening &opening, QWidget *parent = nullptr);
    ~frmU1() override;

    // Form_Load; false when the item table could not be opened (the message was shown).
    bool start();
    U1Session &session() { return session_; }

    // Runs once the editor has closed, with what it hands over: the index
    // window takes the totals into the estimate's record.
    std::function<void(const U1Closing &)> onClosed;

    QTableView *Grid1 = nullptr;
    QLineEdit *TxtEdit;
    QComboBox *Combo1;
    std::array<QPushButton *, 12> Command1{};  // none for 6, 8 and 10
    std::array<QPushButton *, 2> Command2{};
    QLabel *LblLevel, *LblUTitle, *Label14, *LblPage, *LblMem, *LblMsg, *Label13, *LblTotal, *Label11, *LblRitu;
    // The unit-price master's search panel (F7): its box, results and count.
    QFrame *FraPick;
    QLineEdit *TxtPick;
    QTableView *LstPick;
    QLabel *LblPick;

    // U1Host
    void refresh() override;
    void closeWindow() override;
    void closeSoon() override;
    QPoint globalPointFromTwips(int x, int y) const override;
    void setWindowWidth(int twips) override;
    void placeOverlay() override;
    void processEvents() override;
    QWidget *dialogParent() override { return this; }
    void pickChanged() override;
    void showFind() override;
    QSize sizeHint() const override;

signals:
    void closed();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
    void closeEvent(QCloseEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void showEvent(QShowEvent *event) override;
    void changeEvent(QEvent *event) override;

private:
    void layoutBottom();
    void syncViewCursor();
    // Lays the shown box over the overlay's cell as the grid draws it now.
    void positionOverlay();
    bool overlayKey(QObject *box, QKeyEvent *key);
    void rightButtonUp(QWidget *from, const QPoint &pos);
    void makePickPanel();
    // The panel over the half of the grid the cursor row is not in.
    void placePickPanel();
    bool pickKey(QKeyEvent *key);

    Shared &shared_;
    U1Session session_;
    bool counted_ = true;  // still counted in formsLoaded
    bool syncing_ = false;
    bool placing_ = false;  // the overlay is being placed: its focus changes are ours
    MasterListModel *pickModel_ = nullptr;
    int pickShown_ = -1;  // the search whose results the list shows
};

}  // namespace rz
