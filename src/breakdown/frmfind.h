// The find window of the breakdown editor (検索, F9): a box for the text,
// the hits with the level, the rows above, the name and the amount, and a
// line saying how many. Enter goes to the hit chosen; Esc leaves.
#pragma once
#include <QDialog>

class QLabel;
class QLineEdit;
class QTableWidget;

namespace rz {

class U1Find;

class FrmFind : public QDialog {
    Q_OBJECT
public:
    FrmFind(U1Find &find, QWidget *parent = nullptr);
    QLineEdit *TxtFind;
    QTableWidget *LstHits;
    QLabel *LblStatus;
    // Called after the editor went to a hit, or the window was left.
    std::function<void()> onDone;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void fill();
    void go();

    U1Find &find_;
};

}  // namespace rz
