// The transfer window "複写": draws the TransferSession's two lists, labels
// and colours, and forwards focus changes, clicks and keys to it. Shown
// modally by the main window's 編集.
#pragma once
#include "transfersession.h"

#include <QDialog>
#include <array>

class QLabel;
class QPushButton;
class QTableView;

namespace rz {

class frmCpy : public QDialog, public TransferHost {
    Q_OBJECT
public:
    frmCpy(Shared &shared, Prompts &prompts, QWidget *parent = nullptr);
    ~frmCpy() override;

    // Form_Load; false when a file could not be opened (the message was shown).
    bool start();
    TransferSession &session() { return session_; }

    QWidget *PicMenu;
    std::array<QPushButton *, 3> cmdMenu{};
    QTableView *Lst1, *Lst2;
    std::array<QLabel *, 2> lblDB{};
    QLabel *lblGuide;

    // TransferHost
    void focusList(int list) override;
    void closeWindow() override;
    QPoint menuPointBelowButton(int index) const override;
    QPoint menuPointAtRow(int list, int row) const override;
    void refresh() override;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void closeEvent(QCloseEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;

private:
    QTableView *view(int list) const { return list == 0 ? Lst1 : Lst2; }
    void layoutWindow();

    Shared &shared_;
    TransferSession session_;
};

}  // namespace rz
