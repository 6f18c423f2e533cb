// The estimate index window "工事名称一覧": draws the IndexSession's grid,
// labels, buttons and detail frame, and forwards keys and clicks to it.
#pragma once
#include "indexsession.h"

#include <QTimer>
#include <QWidget>
#include <array>
#include <functional>
#include <memory>

class QTableView;
class QPushButton;
class QLabel;
class QGroupBox;
class QLineEdit;

namespace rz {

class ChangeWatch;

class FrmUidx : public QWidget, public IndexHost {
    Q_OBJECT
public:
    FrmUidx(Shared &shared, Prompts &prompts, QWidget *parent = nullptr);
    ~FrmUidx() override;

    // Form_Load; false when the file could not be opened (the message was shown).
    bool start();
    IndexSession &session() { return session_; }

    // Opens the breakdown editor; set by the main window once it exists.
    std::function<bool(const U1Opening &opening, const QString &caption)> editorOpener;
    // Shows the 見積条件 dialog; by default the real one, modal.
    std::function<void(TermsSession &terms, const QString &caption)> termsShower;

    QTableView *Grid1 = nullptr;
    std::array<QPushButton *, 12> Command1{};
    std::array<QPushButton *, 2> Command2{};
    QLabel *LblMsg, *LblPage, *Label14, *LblMem;
    QGroupBox *Frame1;
    std::array<QLineEdit *, 7> TxtFrame{};
    std::array<QLabel *, 8> lblLabels{};
    QPushButton *ComFrameOk, *ComFrameCancel;
    // The filter's box (F9), in the places of the F9 and F10 buttons.
    QLineEdit *TxtFilter;

    // IndexHost
    void focusGrid() override;
    void focusFrameBox(int box) override;
    void closeWindow() override;
    QPoint globalPointFromTwips(int x, int y) const override;
    void refresh() override;
    bool openEditor(const U1Opening &opening, const QString &caption) override;
    void showTerms(TermsSession &terms, const QString &caption) override;
    void showFilter() override;
    QSize sizeHint() const override;

signals:
    void closed();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
    void closeEvent(QCloseEvent *event) override;
    void showEvent(QShowEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;

private:
    void layoutWindow();
    void buildFrame();
    void applyWidths();
    void syncViewCursor();
    // Shows what others changed in the list once nothing of the user's is in
    // the way (a message, a menu, the frame, an editor); tried again until then.
    void showOthersChanges();

    Shared &shared_;
    IndexSession session_;
    bool syncing_ = false;
    bool frameWasVisible_ = false;
    std::unique_ptr<ChangeWatch> watch_;
    bool othersChanged_ = false;
    QTimer retry_;
};

}  // namespace rz
